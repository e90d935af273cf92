#include "ui/GroupConfigDialog.h"

#include "ui/UserListState.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

GroupConfigDialog::GroupConfigDialog(ItemPtr groupItem, QWidget* parent)
    : QDialog(parent)
    , group(groupItem)
    , acceptUploads(new QCheckBox("Accept files that this group's users send unasked"))
    , priority(new QSpinBox)
{
    setWindowTitle("Configure Group [" + group.AsString() + "]");
    acceptUploads->setObjectName("accept_uploads");
    acceptUploads->setChecked(group.IsConnected("accept_uploads"));
    priority->setObjectName("group_download_priority");
    priority->setRange(MinPriority, MaxPriority);
    priority->setValue(group.GetItem("group_download_priority").AsInt());
    priority->setToolTip("Uploads to the users of a group with a higher priority go ahead of the others");
    auto* members = new QLabel(QString("%1 users in this group").arg(UserListState::MemberCount(group)));
    auto* deleteButton = new QPushButton("Delete Group");
    deleteButton->setObjectName("delete_group");
    deleteButton->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(deleteButton, QDialogButtonBox::DestructiveRole);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(members);
    form->addRow(acceptUploads);
    form->addRow("Download priority:", priority);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(acceptUploads, &QCheckBox::toggled, this, [this](bool on) { UserListState::SetAcceptUploads(group, on); });
    connect(priority, qOverload<int>(&QSpinBox::valueChanged), this,
            [this](int value) { UserListState::SetPriority(group, value); });
    connect(deleteButton, &QPushButton::clicked, this, &GroupConfigDialog::DeleteGroup);
    connect(buttons, &QDialogButtonBox::rejected, this, &GroupConfigDialog::reject);
}

void GroupConfigDialog::DeleteGroup()
{
    const auto answer
        = QMessageBox::question(this, "Delete group?", "Are you sure you want to delete this user group?");
    if (answer != QMessageBox::Yes)
        return;
    UserListState::DeleteGroup(group);
    group = ItemPtr();
    accept();
}
