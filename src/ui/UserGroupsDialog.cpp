#include "ui/UserGroupsDialog.h"

#include "store/Data.h"
#include "ui/UserListState.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

UserGroupsDialog::UserGroupsDialog(ItemPtr userItem, QWidget* parent)
    : QDialog(parent)
    , user(userItem)
    , groups(new QListWidget)
    , newGroupEdit(new QLineEdit)
{
    setWindowTitle("User Groups for [" + user.AsString() + "]");
    groups->setObjectName("user_groups");
    newGroupEdit->setObjectName("new_group_name");
    newGroupEdit->setPlaceholderText("New group name");
    auto* addButton = new QPushButton("Add Group");
    addButton->setObjectName("add_group");
    addButton->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    auto* newGroup = new QHBoxLayout;
    newGroup->addWidget(newGroupEdit);
    newGroup->addWidget(addButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(groups);
    layout->addLayout(newGroup);
    layout->addWidget(buttons);
    connect(addButton, &QPushButton::clicked, this, &UserGroupsDialog::AddGroup);
    connect(newGroupEdit, &QLineEdit::returnPressed, this, &UserGroupsDialog::AddGroup);
    connect(buttons, &QDialogButtonBox::rejected, this, &UserGroupsDialog::reject);
    connect(groups, &QListWidget::itemChanged, this, &UserGroupsDialog::OnItemChanged);
    Fill();
}

void UserGroupsDialog::Fill()
{
    const QSignalBlocker blocker(groups);
    groups->clear();
    for (ItemPtr group : g("user_list_group").SortAlphabetic(true)) {
        auto* row = new QListWidgetItem(group.AsString(), groups);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        row->setCheckState(UserListState::IsMember(user, group) ? Qt::Checked : Qt::Unchecked);
    }
}

void UserGroupsDialog::OnItemChanged(QListWidgetItem* row)
{
    // Looked up by name: the group may have gone meanwhile.
    ItemPtr group = d.GetType("user_list_group")->HasItem(row->text());
    UserListState::SetMember(user, group, row->checkState() == Qt::Checked);
}

void UserGroupsDialog::AddGroup()
{
    ItemPtr group = UserListState::GetGroup(newGroupEdit->text());
    if (!group)
        return;
    UserListState::SetMember(user, group, true);
    newGroupEdit->clear();
    Fill();
}
