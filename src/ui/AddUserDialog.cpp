#include "ui/AddUserDialog.h"

#include "server/Server.h"
#include "ui/UserListState.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const NotOnline = "Must be online to add a user to your list.";
}

AddUserDialog::AddUserDialog(QWidget* parent)
    : QDialog(parent)
    , nameEdit(new QLineEdit)
    , status(new QLabel)
    , addButton(new QPushButton("Add"))
{
    setWindowTitle("Add User");
    nameEdit->setObjectName("add_user_name");
    status->setObjectName("add_user_status");
    status->setWordWrap(true);
    addButton->setObjectName("add_user");
    addButton->setDefault(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(addButton, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow("User name:", nameEdit);
    layout->addLayout(form);
    layout->addWidget(status);
    layout->addWidget(buttons);
    connect(addButton, &QPushButton::clicked, this, &AddUserDialog::Add);
    connect(nameEdit, &QLineEdit::returnPressed, this, &AddUserDialog::Add);
    connect(buttons, &QDialogButtonBox::rejected, this, &AddUserDialog::reject);
    if (gp_server) {
        connect(gp_server, &Server::AddUserResponse, this, &AddUserDialog::OnAddUserResponse);
        connect(gp_server, &Server::Disconnected, this, &AddUserDialog::OnDisconnected);
    }
}

void AddUserDialog::Add()
{
    if (IsWaiting())
        return;
    const QString name = nameEdit->text().trimmed();
    if (name.isEmpty()) {
        Show("User name must not be empty.");
        return;
    }
    if (!gp_server || !gp_server->IsConnected()) {
        Show(NotOnline);
        return;
    }
    if (UserListState::User(name).IsConnected("in_user_list")) {
        Show("User already in list.");
        return;
    }
    Show("Adding user...");
    awaited = name;
    Lock(true);
    gp_server->AddUser(name);
}

void AddUserDialog::OnAddUserResponse(const QString& user, bool exists)
{
    if (!IsWaiting() || user != awaited)
        return;
    awaited.clear();
    Lock(false);
    if (!exists) {
        Show("User name does not exist.");
        return;
    }
    UserListState::AddToList(UserListState::User(user));
    Show("User added to list.");
    nameEdit->selectAll();
}

void AddUserDialog::OnDisconnected()
{
    // The answer went with the session: the input must not stay locked.
    if (!IsWaiting())
        return;
    awaited.clear();
    Lock(false);
    Show(NotOnline);
}

void AddUserDialog::Show(const QString& text)
{
    status->setText(text);
}

void AddUserDialog::Lock(bool locked)
{
    nameEdit->setReadOnly(locked);
    addButton->setEnabled(!locked);
    if (!locked)
        nameEdit->setFocus();
}
