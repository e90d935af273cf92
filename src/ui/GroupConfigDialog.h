#ifndef UI_GROUPCONFIGDIALOG_H
#define UI_GROUPCONFIGDIALOG_H

#include "store/ItemPtr.h"

#include <QDialog>

class QCheckBox;
class QSpinBox;

// The transfer policy of one user group, changed as it is edited: whether
// files its members send unasked are accepted, and the priority of their
// downloads from this client. Deleting the group (after a confirmation)
// closes the dialog.
class GroupConfigDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MinPriority = -99;
    static constexpr int MaxPriority = 99;

    GroupConfigDialog(ItemPtr group, QWidget* parent = nullptr);

    QCheckBox* AcceptUploadsBox() const { return acceptUploads; }
    QSpinBox* PriorityBox() const { return priority; }

public slots:
    void DeleteGroup();

private:
    ItemPtr group;
    QCheckBox* acceptUploads;
    QSpinBox* priority;
};

#endif
