#ifndef UI_SHAREDFOLDERSVIEW_H
#define UI_SHAREDFOLDERSVIEW_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QWidget>

class QLabel;
class QTreeWidget;
class ShareScanIndicator;

// The shared folders in the options: each folder with whom it is shared,
// the totals of the index, the scan in progress, and the commands to share,
// unshare, set a folder's permissions and rescan. Follows the graph, so that
// folders shared or changed elsewhere show too.
class SharedFoldersView : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    explicit SharedFoldersView(QWidget* parent = nullptr);
    ~SharedFoldersView() override;

    QTreeWidget* List() const { return list; }
    QLabel* Totals() const { return totals; }
    // The path of the selected folder, empty when none is.
    QString SelectedFolder() const;
    void SelectFolder(const QString& path);

    // Who may see a folder, in words.
    static QString VisibilityText(ItemPtr folder);

public slots:
    // Opens the share-folder dialog for a new folder; true when one was shared.
    bool ShareFolder();
    // Stops sharing the selected folder and drops its index; false when none is selected.
    bool UnshareSelected();
    // Opens the share-folder dialog for the selected folder.
    bool SetSelectedPermissions();
    void Rescan();

private:
    void OnFoldersChanged(ItemPtr);
    void Refresh();
    void ShowTotals();
    void ShowButtons();

    QTreeWidget* list;
    QLabel* totals;
    ShareScanIndicator* scanIndicator;
    QWidget* selectionButtons;
    bool refreshPending = false;
};

#endif
