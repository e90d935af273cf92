#include "ui/UserPassDialog.h"

#include "app/Settings.h"
#include "server/Server.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
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
    if (mode == Mode::FirstRun) {
        const QString host = GetSetting("server_host");
        const QString port = GetSetting("server_port");
        hostEdit = new QLineEdit(host.isEmpty() ? QString(Server::DefaultHost) : host);
        portEdit = new QLineEdit(port.isEmpty() ? QString::number(Server::DefaultPort) : port);
        hostEdit->setObjectName("server_host");
        portEdit->setObjectName("server_port");
        portEdit->setValidator(new QIntValidator(1, 65535, portEdit));
        fields->addRow("Server host:", hostEdit);
        fields->addRow("Server port:", portEdit);
        connect(hostEdit, &QLineEdit::textChanged, this, &UserPassDialog::OnTextEdited);
        connect(portEdit, &QLineEdit::textChanged, this, &UserPassDialog::OnTextEdited);
    }
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
    if (hostEdit) {
        // The defaults are stored as "unset", so that they follow the program.
        const QString host = hostEdit->text().trimmed();
        const int port = portEdit->text().toInt();
        SetSetting("server_host", host == Server::DefaultHost ? QString() : host);
        SetSetting("server_port", port == Server::DefaultPort ? QString() : QString::number(port));
    }
    QDialog::accept();
}

void UserPassDialog::OnTextEdited()
{
    buttons->button(QDialogButtonBox::Ok)->setEnabled(IsComplete());
}

bool UserPassDialog::IsComplete() const
{
    const bool addressComplete = !hostEdit || (!hostEdit->text().trimmed().isEmpty() && portEdit->hasAcceptableInput());
    return !usernameEdit->text().isEmpty() && !passwordEdit->text().isEmpty() && addressComplete;
}
