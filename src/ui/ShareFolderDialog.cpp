#include "ui/ShareFolderDialog.h"

#include "shares/SharedFoldersManager.h"
#include "store/Data.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void SetFlag(ItemPtr folder, const char* flag, bool on)
{
    if (on && !folder.IsConnected(flag))
        folder.NewItem(flag);
    else if (!on && folder.IsConnected(flag))
        folder.Disconnect(flag);
}

} // namespace

ShareFolderDialog::ShareFolderDialog(ItemPtr sharedFolder, QWidget* parent)
    : QDialog(parent)
    , folder(sharedFolder)
    , pathEdit(new QLineEdit)
    , everybody(new QCheckBox("Everybody"))
    , userList(new QCheckBox("Users in my user list"))
    , nobodyNote(new QLabel("Shared with nobody: the folder stays indexed, but no other user sees its files."))
{
    setWindowTitle(folder ? "Set Folder Permissions" : "Share Folder");
    pathEdit->setObjectName("folder_path");
    everybody->setObjectName("shared_public");
    userList->setObjectName("shared_userlist");
    nobodyNote->setObjectName("nobody_note");
    nobodyNote->setWordWrap(true);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(pathEdit, 1);
    if (folder) {
        pathEdit->setText(folder.AsString());
        pathEdit->setReadOnly(true);
    } else {
        pathEdit->setPlaceholderText("The folder to share");
        auto* choose = new QPushButton("Select Folder to Share...");
        choose->setObjectName("select_folder");
        pathRow->addWidget(choose);
        connect(choose, &QPushButton::clicked, this, &ShareFolderDialog::OnChooseFolder);
    }

    auto* visibility = new QGroupBox("Who may see and download these files");
    auto* boxes = new QVBoxLayout(visibility);
    boxes->addWidget(everybody);
    boxes->addWidget(userList);
    const std::list<ItemPtr> groups = g("user_list_group").SortAlphabetic(true);
    if (!groups.empty())
        boxes->addWidget(new QLabel("Members of the user groups:"));
    for (ItemPtr group : groups) {
        auto* box = new QCheckBox(group.AsString());
        box->setObjectName("group_" + group.AsString());
        box->setChecked(folder && folder.IsConnected(group));
        boxes->addWidget(box);
        groupBoxes.insert(group.AsString(), box);
    }
    everybody->setChecked(!folder || folder.IsConnected("shared_public"));
    userList->setChecked(folder && folder.IsConnected("shared_userlist"));
    for (QCheckBox* box : findChildren<QCheckBox*>())
        connect(box, &QCheckBox::toggled, this, &ShareFolderDialog::OnBoxToggled);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &ShareFolderDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ShareFolderDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Folder:"));
    layout->addLayout(pathRow);
    layout->addWidget(visibility);
    layout->addWidget(nobodyNote);
    layout->addWidget(buttons);
    OnBoxToggled();
    resize(520, sizeHint().height());
}

void ShareFolderDialog::OnChooseFolder()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, "Select Folder to Share", pathEdit->text());
    if (!chosen.isEmpty())
        pathEdit->setText(QDir::toNativeSeparators(chosen));
}

void ShareFolderDialog::OnBoxToggled()
{
    bool any = everybody->isChecked() || userList->isChecked();
    for (const QCheckBox* box : groupBoxes)
        any = any || box->isChecked();
    nobodyNote->setVisible(!any);
}

void ShareFolderDialog::accept()
{
    if (!folder && !ShareChosenFolder())
        return;
    ApplyBoxes();
    QDialog::accept();
}

bool ShareFolderDialog::ShareChosenFolder()
{
    const QString entry = pathEdit->text().trimmed();
    if (entry.isEmpty()) {
        QMessageBox::information(this, "Share Folder", "Choose the folder to share.");
        return false;
    }
    // A relative path would depend on where the program was started.
    const QFileInfo chosen(QDir::fromNativeSeparators(entry));
    if (!chosen.isAbsolute() || !chosen.isDir()) {
        QMessageBox::information(this, "Share Folder", QString("There is no folder %1.").arg(entry));
        return false;
    }
    if (!sharedFoldersManager)
        return false;
    folder = sharedFoldersManager->AddSharedFolder(chosen.absoluteFilePath());
    return bool(folder);
}

void ShareFolderDialog::ApplyBoxes()
{
    SetFlag(folder, "shared_public", everybody->isChecked());
    SetFlag(folder, "shared_userlist", userList->isChecked());
    Type* groupType = d.GetType("user_list_group");
    for (auto box = groupBoxes.cbegin(); box != groupBoxes.cend(); ++box) {
        const ItemPtr group = groupType->HasItem(Value(box.key()));
        if (!group)
            continue;
        if (box.value()->isChecked() && !folder.IsConnected(group))
            folder += group;
        else if (!box.value()->isChecked() && folder.IsConnected(group))
            folder -= group;
    }
}
