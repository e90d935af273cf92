#ifndef UI_DOWNLOADSVIEW_H
#define UI_DOWNLOADSVIEW_H

#include "store/ItemPtr.h"

#include <QWidget>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QToolBar;
class QTreeWidget;
class SettingWatch;
class TransferExpandActions;
class TransferTree;

// The download queue as a tree of users, folders and files, with the actions
// on downloads: retry, remove, open the file or its folder, search again for
// what found them, and be told when a file, a folder or everything from a
// user has arrived.
class DownloadsView : public QWidget
{
    Q_OBJECT
public:
    explicit DownloadsView(QWidget* parent = nullptr);
    ~DownloadsView() override;

    TransferTree* List() const { return list.get(); }
    QTreeWidget* Tree() const { return tree; }
    QToolBar* ToolBar() const { return toolBar; }
    // The context menu of the selected rows (a user's own menu first for one user row); null when none is selected.
    std::unique_ptr<QMenu> MenuForSelection();

public slots:
    // Removes every complete download from the queue.
    void ClearComplete();
    // Posts the alerts the download was watched for and, when complete downloads are cleared, removes it.
    void OnDownloadComplete(ItemPtr entry);

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum class Alert
    {
        File,
        Folder,
        User,
    };

    void ApplySettings();
    void ShowContextMenu(const QPoint& position);
    void RetrySelected();
    void RemoveSelected();
    void OpenSelected(bool folder);
    // The nodes or entries of the selection that carry alerts of the kind.
    std::vector<ItemPtr> AlertHolders(Alert alert) const;
    void SetAlert(Alert alert, bool on);
    void Post(const QString& event);

    QToolBar* toolBar;
    QTreeWidget* tree;
    QAction* clearAutomatically;
    std::unique_ptr<TransferTree> list;
    std::unique_ptr<TransferExpandActions> expandActions;
    std::unique_ptr<SettingWatch> settings;
};

#endif
