#include "ui/CompleteDownloadsView.h"

#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "transfers/TransferUsers.h"
#include "ui/SizeText.h"
#include "ui/TransferActions.h"

#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Where the record's file was put.
QString LocalPathOf(ItemPtr record)
{
    return NativePath(record.GetItem("complete_download_folder").AsString()) + '/'
        + record.GetItem("complete_download_filename").AsString();
}

} // namespace

CompleteDownloadsView::CompleteDownloadsView(QWidget* parent)
    : QWidget(parent)
    , tree(new QTreeWidget)
{
    setObjectName("complete_downloads");
    tree->setObjectName("complete_download_list");
    tree->setColumnCount(ColumnCount);
    tree->setHeaderLabels({"File", "Folder", "User", "Size", "Completed"});
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setAllColumnsShowFocus(true);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(FileColumn, QHeaderView::Stretch);
    tree->setColumnWidth(FolderColumn, 220);
    tree->setColumnWidth(UserColumn, 130);
    tree->setColumnWidth(SizeColumn, 90);
    tree->setColumnWidth(CompletedColumn, 170);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree, &QWidget::customContextMenuRequested, this, &CompleteDownloadsView::ShowContextMenu);
    connect(tree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* row) {
        if (const ItemPtr record = ItemPtr(rows.key(row)))
            OpenLocalPath(LocalPathOf(record));
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree);

    connect(transferQueueManager, &TransferQueueManager::CompleteDownloadAdded, this, &CompleteDownloadsView::Add);
    d.GetType("complete_download")
        ->itemRemoved.Add(AddDataHandler(
            new EventHandler<CompleteDownloadsView, ItemPtr>(this, &CompleteDownloadsView::OnRecordRemoved)));
    for (ItemPtr record : g("complete_download"))
        Add(record);
}

CompleteDownloadsView::~CompleteDownloadsView()
{
    RemoveDataHandlers();
}

void CompleteDownloadsView::Add(ItemPtr record)
{
    if (rows.contains(record.Get()))
        return;
    const quint64 size = record.GetItem("complete_download_file_size").AsUInt64();
    auto* row = new QTreeWidgetItem;
    row->setText(FileColumn, record.GetItem("complete_download_filename").AsString());
    row->setText(FolderColumn, record.GetItem("complete_download_relative_folder").AsString());
    row->setText(UserColumn, record.GetItem("user").AsString());
    row->setText(SizeColumn, HumanSize(size));
    row->setToolTip(SizeColumn, GroupedBytes(size) + " bytes");
    row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    const QDateTime completed = ReadDate(record, "complete_download_completion_time");
    row->setText(CompletedColumn, QLocale().toString(completed, QLocale::ShortFormat));
    row->setToolTip(FileColumn, LocalPathOf(record));
    tree->insertTopLevelItem(0, row);
    rows.insert(record.Get(), row);
}

void CompleteDownloadsView::OnRecordRemoved(ItemPtr record)
{
    delete rows.take(record.Get());
}

ItemPtr CompleteDownloadsView::SelectedRecord() const
{
    const QList<QTreeWidgetItem*> selected = tree->selectedItems();
    return selected.isEmpty() ? ItemPtr() : ItemPtr(rows.key(selected.first()));
}

void CompleteDownloadsView::ShowContextMenu(const QPoint& position)
{
    if (std::unique_ptr<QMenu> menu = MenuForSelection())
        menu->exec(tree->viewport()->mapToGlobal(position));
}

std::unique_ptr<QMenu> CompleteDownloadsView::MenuForSelection()
{
    const ItemPtr record = SelectedRecord();
    if (!record)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    const QString path = LocalPathOf(record);
    menu->addAction("Open File", this, [path] { OpenLocalPath(path); })->setObjectName("open_file");
    const QString folder = NativePath(record.GetItem("complete_download_folder").AsString());
    menu->addAction("Open Folder", this, [folder] { OpenLocalPath(folder); })->setObjectName("open_folder");
    const QString searchText = SearchTextOf(record);
    if (!searchText.isEmpty())
        menu->addAction("Re-run Search: " + searchText, this, [searchText] { RerunSearch(searchText); })
            ->setObjectName("rerun_search");
    return menu;
}
