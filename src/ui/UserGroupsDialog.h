#ifndef UI_USERGROUPSDIALOG_H
#define UI_USERGROUPSDIALOG_H

#include "store/ItemPtr.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QListWidgetItem;

// "User Groups for [name]": every group with a check mark for the user's
// membership, changed as the marks are; a typed name makes a new group (or
// finds the one of that name) with the user in it.
class UserGroupsDialog : public QDialog
{
    Q_OBJECT
public:
    UserGroupsDialog(ItemPtr user, QWidget* parent = nullptr);

    QListWidget* Groups() const { return groups; }
    QLineEdit* NewGroupEdit() const { return newGroupEdit; }

public slots:
    void AddGroup();

private slots:
    void OnItemChanged(QListWidgetItem* row);

private:
    void Fill();

    ItemPtr user;
    QListWidget* groups;
    QLineEdit* newGroupEdit;
};

#endif
