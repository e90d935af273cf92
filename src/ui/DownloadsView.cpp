#include "ui/DownloadsView.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "store/TextDecoding.h"
#include "transfers/TransferQueueManager.h"
#include "transfers/TransferSchema.h"
#include "ui/EventToolBar.h"
#include "ui/SettingWatch.h"
#include "ui/TransferActions.h"
#include "ui/TransferExpandActions.h"
#include "ui/TransferIcons.h"
#include "ui/TransferTree.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* const AlertFlag = "complete_download_alert";
const char* const ExpandUsers = "expand_download_users";
const char* const ExpandFolders = "expand_download_folders";
const char* const ClearCompleteSetting = "clear_complete_downloads";

bool AllComplete(const ItemSet& entries)
{
    for (ItemPtr entry : entries)
        if (entry.GetItem("download_entry_status").AsString() != TransferStatus::Complete)
            return false;
    return true;
}

// The file where it is: in the complete folder once it arrived, else the partial file.
QString LocalPathOf(ItemPtr entry)
{
    const QString complete = NativePath(transferQueueManager->GetDownloadTargetPath(entry, true));
    return QFileInfo::exists(complete) ? complete
                                       : NativePath(transferQueueManager->GetDownloadTargetPath(entry, false));
}

// The nearest folder that exists, from the file's own up.
QString ExistingFolderOf(const QString& path)
{
    QString folder = QFileInfo(path).path();
    while (!QFileInfo(folder).isDir() && QFileInfo(folder).path() != folder)
        folder = QFileInfo(folder).path();
    return folder;
}

} // namespace

DownloadsView::DownloadsView(QWidget* parent)
    : QWidget(parent)
    , toolBar(new QToolBar("Downloads"))
    , tree(new QTreeWidget)
{
    setObjectName("downloads");
    tree->setObjectName("download_tree");
    list = std::make_unique<TransferTree>(TransferTree::Side::Downloads, tree);

    toolBar->setObjectName("download_actions");
    expandActions = std::make_unique<TransferExpandActions>(toolBar, *list, ExpandUsers, ExpandFolders);
    toolBar->addSeparator();
    toolBar->addAction("Clear Complete", this, &DownloadsView::ClearComplete)->setObjectName("clear_complete");
    clearAutomatically = toolBar->addAction("Clear Complete Automatically", this,
                                            [](bool on) { SetSetting(ClearCompleteSetting, on ? "yes" : "no"); });
    clearAutomatically->setObjectName("clear_complete_downloads");
    clearAutomatically->setCheckable(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolBar);
    layout->addWidget(tree, 1);

    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree, &QWidget::customContextMenuRequested, this, &DownloadsView::ShowContextMenu);
    connect(transferQueueManager, &TransferQueueManager::DownloadComplete, this, &DownloadsView::OnDownloadComplete);
    settings = std::make_unique<SettingWatch>(QStringList{ClearCompleteSetting}, [this] { ApplySettings(); });
    ApplySettings();
}

DownloadsView::~DownloadsView() = default;

void DownloadsView::ApplySettings()
{
    clearAutomatically->setChecked(IsSettingOn(ClearCompleteSetting));
}

void DownloadsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (eventToolBar)
        eventToolBar->RemoveEvents(this);
    list->RefreshProgress();
}

void DownloadsView::ShowContextMenu(const QPoint& position)
{
    if (std::unique_ptr<QMenu> menu = MenuForSelection())
        menu->exec(tree->viewport()->mapToGlobal(position));
}

std::unique_ptr<QMenu> DownloadsView::MenuForSelection()
{
    const QList<QTreeWidgetItem*> selected = tree->selectedItems();
    if (selected.isEmpty() || !transferQueueManager)
        return nullptr;
    std::unique_ptr<QMenu> menu = NewRowMenu(*list, selected);

    const std::vector<ItemPtr> entries = list->EntriesUnder(selected);
    const bool many = entries.size() > 1;
    QAction* retry = menu->addAction(many ? "Retry downloads" : "Retry download", this, &DownloadsView::RetrySelected);
    retry->setObjectName("retry_downloads");
    QAction* remove
        = menu->addAction(many ? "Remove downloads" : "Remove download", this, &DownloadsView::RemoveSelected);
    remove->setObjectName("remove_downloads");
    menu->addSeparator();
    menu->addAction("Open File", this, [this] { OpenSelected(false); })->setObjectName("open_file");
    menu->addAction("Open Folder", this, [this] { OpenSelected(true); })->setObjectName("open_folder");
    const QString searchText = entries.empty() ? QString() : SearchTextOf(entries.front());
    if (!searchText.isEmpty())
        menu->addAction("Re-run Search: " + searchText, this, [searchText] { RerunSearch(searchText); })
            ->setObjectName("rerun_search");

    menu->addSeparator();
    QMenu* notify = menu->addMenu("Notify me when...");
    notify->menuAction()->setObjectName("notify_menu");
    const struct
    {
        Alert alert;
        const char* text;
        const char* name;
    } alerts[] = {{Alert::File, "File download completes", "notify_file"},
                  {Alert::Folder, "Folder download completes", "notify_folder"},
                  {Alert::User, "All downloads from user complete", "notify_user"}};
    for (const auto& alert : alerts) {
        const std::vector<ItemPtr> holders = AlertHolders(alert.alert);
        QAction* action = notify->addAction(alert.text);
        action->setObjectName(alert.name);
        action->setCheckable(true);
        action->setChecked(!holders.empty() && std::all_of(holders.begin(), holders.end(), [](ItemPtr holder) {
            return holder.IsConnected(AlertFlag);
        }));
        action->setEnabled(!holders.empty());
        const Alert kind = alert.alert;
        connect(action, &QAction::toggled, this, [this, kind](bool checked) { SetAlert(kind, checked); });
    }
    return menu;
}

void DownloadsView::RetrySelected()
{
    ForEachLive(list->EntriesUnder(tree->selectedItems()),
                [](ItemPtr entry) { transferQueueManager->RequeueDownload(entry); });
}

void DownloadsView::RemoveSelected()
{
    ForEachLive(list->EntriesUnder(tree->selectedItems()),
                [](ItemPtr entry) { transferQueueManager->RemoveDownload(entry); });
}

void DownloadsView::ClearComplete()
{
    const ItemPtr complete = d.GetType("download_entry_status")->HasItem(Value(TransferStatus::Complete));
    if (!complete || !transferQueueManager)
        return;
    const std::vector<Item*> entries = complete.GetItems("download_entry").ToVector();
    ForEachLive(std::vector<ItemPtr>(entries.begin(), entries.end()),
                [](ItemPtr entry) { transferQueueManager->RemoveDownload(entry); });
}

void DownloadsView::OpenSelected(bool folder)
{
    const std::vector<ItemPtr> entries = list->EntriesUnder(tree->selectedItems());
    if (entries.empty() || !transferQueueManager)
        return;
    const QString path = LocalPathOf(entries.front());
    OpenLocalPath(folder ? ExistingFolderOf(path) : path);
}

std::vector<ItemPtr> DownloadsView::AlertHolders(Alert alert) const
{
    const QList<QTreeWidgetItem*> selected = tree->selectedItems();
    switch (alert) {
    case Alert::File: return list->EntriesUnder(selected);
    case Alert::Folder: return list->FolderNodesOf(selected);
    case Alert::User: return list->UserNodesOf(selected);
    }
    return {};
}

void DownloadsView::SetAlert(Alert alert, bool on)
{
    const ItemPtr flag = d.GetType(AlertFlag)->GetGlobalNullItem();
    for (ItemPtr holder : AlertHolders(alert)) {
        if (on)
            holder += flag;
        else
            holder -= flag;
    }
}

void DownloadsView::OnDownloadComplete(ItemPtr entry)
{
    const ItemPtr user = entry.GetItem("user");
    const ItemPtr folder = entry.GetItem("remote_folder");
    if (entry.IsConnected(AlertFlag))
        Post(QString("Download of file %1 complete").arg(ToQString(entry.GetItem("file_name").AsStdString())));
    // Folder and user alerts are told once, when their last download arrives.
    const ItemPtr userNode = user.GetItem("download_list_user_node");
    const ItemPtr folderNode = userNode ? d.GetItem(userNode, folder, "download_list_folder_node") : ItemPtr();
    if (folderNode.IsConnected(AlertFlag) && AllComplete(d.GetItems(user, folder, "download_entry"))) {
        folderNode.Disconnect(AlertFlag);
        Post(QString("Download of folder %1 complete").arg(ToQString(folder.AsStdString())));
    }
    if (userNode.IsConnected(AlertFlag) && AllComplete(user.GetItems("download_entry"))) {
        userNode.Disconnect(AlertFlag);
        Post(QString("All download from user %1 complete").arg(user.AsString()));
    }
    if (IsSettingOn(ClearCompleteSetting) && transferQueueManager)
        transferQueueManager->RemoveDownload(entry);
}

void DownloadsView::Post(const QString& event)
{
    if (eventToolBar)
        eventToolBar->AddEvent(event, DownloadIcon(), this, event, "download", false);
}
