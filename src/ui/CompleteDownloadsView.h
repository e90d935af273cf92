#ifndef UI_COMPLETEDOWNLOADSVIEW_H
#define UI_COMPLETEDOWNLOADSVIEW_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QHash>
#include <QWidget>

#include <memory>

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

// The downloads that arrived during this run, newest first, from their
// records ("complete_download"), which outlast the entries that a clearing
// removes: file, folder below the downloads area, user, size and time. The
// file or its folder can be opened and the search that found it run again.
class CompleteDownloadsView : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    enum Column
    {
        FileColumn,
        FolderColumn,
        UserColumn,
        SizeColumn,
        CompletedColumn,
        ColumnCount,
    };

    // Shows the records there are; the transfers' types must exist.
    explicit CompleteDownloadsView(QWidget* parent = nullptr);
    ~CompleteDownloadsView() override;

    QTreeWidget* Tree() const { return tree; }
    // The context menu of the selected row; null when none is selected.
    std::unique_ptr<QMenu> MenuForSelection();

public slots:
    void Add(ItemPtr record);

private:
    void OnRecordRemoved(ItemPtr record);
    ItemPtr SelectedRecord() const;
    void ShowContextMenu(const QPoint& position);

    QTreeWidget* tree;
    QHash<Item*, QTreeWidgetItem*> rows;
};

#endif
