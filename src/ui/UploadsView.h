#ifndef UI_UPLOADSVIEW_H
#define UI_UPLOADSVIEW_H

#include <QDateTime>
#include <QWidget>

#include <memory>

class QAction;
class QCheckBox;
class QMenu;
class QSpinBox;
class QToolBar;
class QTreeWidget;
class SettingWatch;
class TransferExpandActions;
class TransferTree;

// The upload queue as a tree of users (in queue order), folders and files,
// with the upload slots and the speed limit, the actions on uploads (remove,
// open the file or its folder) and the clearing of finished ones.
class UploadsView : public QWidget
{
    Q_OBJECT
public:
    explicit UploadsView(QWidget* parent = nullptr);
    ~UploadsView() override;

    TransferTree* List() const { return list.get(); }
    QTreeWidget* Tree() const { return tree; }
    QToolBar* ToolBar() const { return toolBar; }
    QSpinBox* Slots() const { return slotCount; }
    QCheckBox* LimitEnabled() const { return limitEnabled; }
    QSpinBox* Limit() const { return limit; }
    // The context menu of the selected rows (a user's own menu first for one user row); null when none is selected.
    std::unique_ptr<QMenu> MenuForSelection();

public slots:
    // The half-minute clearing of finished uploads, at that time.
    void ClearFinished(const QDateTime& now);

private:
    void ApplySettings();
    void ShowContextMenu(const QPoint& position);
    void RemoveSelected();
    void OpenSelected(bool folder);

    QToolBar* toolBar;
    QTreeWidget* tree;
    QAction* clearFinished;
    QSpinBox* slotCount;
    QCheckBox* limitEnabled;
    QSpinBox* limit;
    std::unique_ptr<TransferTree> list;
    std::unique_ptr<TransferExpandActions> expandActions;
    std::unique_ptr<SettingWatch> settings;
};

#endif
