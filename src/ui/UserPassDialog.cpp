#include "ui/UserPassDialog.h"

#include "app/Settings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

UserPassDialog::UserPassDialog(Mode mode, QWidget* parent)
    : QDialog(parent)
    , usernameEdit(new QLineEdit(GetSetting("username")))
    , passwordEdit(new QLineEdit(GetSetting("password")))
    , buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setWindowTitle("Set Username/Password");
    usernameEdit->setObjectName("username");
    passwordEdit->setObjectName("password");
    passwordEdit->setEchoMode(QLineEdit::Password);

    auto* layout = new QVBoxLayout(this);
    if (mode == Mode::FirstRun) {
        auto* welcome
            = new QLabel("Welcome to QuillmerQt!\n\n"
                         "Choose the user name and password you will log in with. A new name is registered "
                         "with this password the first time you log in; an existing account needs its own password.");
        welcome->setWordWrap(true);
        layout->addWidget(welcome);
    }
    auto* fields = new QFormLayout;
    fields->addRow("User name:", usernameEdit);
    fields->addRow("Password:", passwordEdit);
    layout->addLayout(fields);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &UserPassDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &UserPassDialog::reject);
    connect(usernameEdit, &QLineEdit::textChanged, this, &UserPassDialog::OnTextEdited);
    connect(passwordEdit, &QLineEdit::textChanged, this, &UserPassDialog::OnTextEdited);
    OnTextEdited();
}

void UserPassDialog::accept()
{
    if (!IsComplete())
        return;
    SetSetting("username", usernameEdit->text());
    SetSetting("password", passwordEdit->text());
    QDialog::accept();
}

void UserPassDialog::OnTextEdited()
{
    buttons->button(QDialogButtonBox::Ok)->setEnabled(IsComplete());
}

bool UserPassDialog::IsComplete() const
{
    return !usernameEdit->text().isEmpty() && !passwordEdit->text().isEmpty();
}
