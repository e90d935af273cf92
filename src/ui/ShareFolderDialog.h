#ifndef UI_SHAREFOLDERDIALOG_H
#define UI_SHAREFOLDERDIALOG_H

#include "store/ItemPtr.h"

#include <QDialog>
#include <QMap>

class QCheckBox;
class QLabel;
class QLineEdit;

// Shares a new folder, or changes who may see a shared one ("Set Folder
// Permissions"): everybody, the users of the user list, and the members of
// each user group. A folder whose boxes are all cleared stays shared and
// indexed, but nobody sees it.
class ShareFolderDialog : public QDialog
{
    Q_OBJECT
public:
    // A null folder asks for a new one; everybody is offered by default.
    explicit ShareFolderDialog(ItemPtr sharedFolder = ItemPtr(), QWidget* parent = nullptr);

    QLineEdit* PathEdit() const { return pathEdit; }
    QCheckBox* EverybodyBox() const { return everybody; }
    QCheckBox* UserListBox() const { return userList; }
    QCheckBox* GroupBox(const QString& group) const { return groupBoxes.value(group); }
    // The folder shared or changed, once accepted.
    ItemPtr SharedFolder() const { return folder; }

public slots:
    // Shares the chosen folder (when new) and sets its markers from the boxes;
    // stays open when the folder does not exist.
    void accept() override;

private slots:
    void OnChooseFolder();
    void OnBoxToggled();

private:
    bool ShareChosenFolder();
    void ApplyBoxes();

    ItemPtr folder;
    QLineEdit* pathEdit;
    QCheckBox* everybody;
    QCheckBox* userList;
    // By group name: a group removed meanwhile is looked up again and skipped.
    QMap<QString, QCheckBox*> groupBoxes;
    QLabel* nobodyNote;
};

#endif
