#include "ui/SearchTab.h"

#include "app/Settings.h"
#include "search/WishListSearcher.h"
#include "store/Data.h"
#include "ui/ChatIcons.h"
#include "ui/FilterBox.h"
#include "ui/SearchIcons.h"
#include "ui/SearchResultList.h"
#include "ui/SearchResultRow.h"
#include "ui/SizeText.h"
#include "ui/TransferBatch.h"
#include "ui/UserMenu.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* const WidgetType = "search_results_widget";
const char* const ExpandUsers = "expand_users";
const char* const ExpandFolders = "expand_folders";
const char* const OrderByAvailable = "order_by_available";
const char* const OrderByFastest = "order_by_fastest";
// Replies that come close together are taken in one slice.
constexpr int GatherMs = 30;
// How many results are taken between two looks at the clock.
constexpr int ResultsPerClockCheck = 32;
constexpr int TitleTextLength = 32;

QString OnOff(const QString& text, bool on)
{
    return text + (on ? " [on]" : " [off]");
}

// A file of a result row as its owner names it.
TransferBatch::File RemoteFile(const SearchResultRow* row)
{
    return {row->result.GetItem("search_result_file_folder").AsStdString(),
            row->result.GetItem("search_result_file_name").AsStdString(), qint64(row->size), 0};
}

} // namespace

void SearchTab::DeclareTypes()
{
    Type* widget = d.NewType(WidgetType, Primary, false, true);
    for (const char* flag : {ExpandUsers, ExpandFolders, OrderByAvailable, OrderByFastest})
        widget->RelateToType(d.NewType(flag, Tertiary, false, true), Many, One, false);
}

QIcon SearchTab::ScopeIcon(Scope scope)
{
    switch (scope) {
    case Scope::All: return SearchIcon();
    case Scope::UserList: return UserListIcon();
    case Scope::Room: return RoomIcon();
    case Scope::WishList: return WishListIcon();
    }
    return QIcon();
}

SearchTab::SearchTab(const QString& searchText, Scope searchScope, int maxShownResults, QWidget* parent)
    : QWidget(parent)
    , text(searchText)
    , scope(searchScope)
    , widgetItem(d.GetType(WidgetType)->NewItem(Value(static_cast<const void*>(this))))
    , flat(IsSettingOn("use_old_style_search_results"))
    , toolBar(new QToolBar("Search"))
    , filterBox(new FilterBox(FilterBox::Kind::Search))
    , countLabel(new QLabel)
    , tree(new QTreeWidget)
    , list(std::make_unique<SearchResultList>(tree, flat))
    , maxShown(maxShownResults)
{
    SetFlag(ExpandUsers, true);
    SetFlag(ExpandFolders, true);
    SetFlag(OrderByAvailable, true);
    SetFlag(OrderByFastest, false);

    tree->setObjectName("search_results");
    tree->setColumnCount(SearchColumnCount);
    tree->setHeaderLabels({"User", "Free", "K/s", "Folder", "File", "Size", "Attributes"});
    tree->setUniformRowHeights(true);
    tree->setRootIsDecorated(!flat);
    tree->setAlternatingRowColors(true);
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    // A double click downloads a file or folder; only a user's row opens or closes with it.
    tree->setExpandsOnDoubleClick(false);
    // The tab sorts where rows come (see SearchResultList); the tree's own
    // sorting would sort everything after every insertion.
    tree->setSortingEnabled(false);
    QHeaderView* header = tree->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(FreeColumn, Qt::DescendingOrder);
    // Wide enough for their usual texts; long folders lose their middle, where
    // the shared root's path is, and keep the end that tells the folder.
    tree->setTextElideMode(Qt::ElideMiddle);
    const QFontMetrics metrics = tree->fontMetrics();
    const auto width = [&metrics](const char* sample) { return metrics.horizontalAdvance(sample) + 28; };
    header->resizeSection(UserColumn, width("a user name here"));
    header->resizeSection(FreeColumn, width("Free"));
    header->resizeSection(SpeedColumn, width("9999.9"));
    header->resizeSection(FolderColumn, width("\\Music\\An Artist\\A Long Album Title"));
    header->resizeSection(FileColumn, width("01 - A Long Song Title.mp3"));
    header->resizeSection(SizeColumn, width("4,831,838,208 (4.5 GiB)"));
    connect(header, &QHeaderView::sortIndicatorChanged, this, &SearchTab::OnSortIndicatorChanged);
    connect(tree, &QWidget::customContextMenuRequested, this, &SearchTab::OnContextMenu);
    connect(tree, &QTreeWidget::itemDoubleClicked, this, &SearchTab::OnItemDoubleClicked);

    countLabel->setObjectName("result_count");
    BuildToolBar();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolBar);
    layout->addWidget(filterBox);
    layout->addWidget(tree, 1);
    layout->addWidget(countLabel);

    connect(filterBox, &FilterBox::FilterChanged, this, [this](const QString& filter) {
        list->SetFilter(filter);
        ShowCounts();
    });
    const QString defaultFilter = GetSetting("default_search_filter");
    if (!defaultFilter.isEmpty())
        filterBox->SetText(defaultFilter);

    slice.setSingleShot(true);
    connect(&slice, &QTimer::timeout, this, &SearchTab::ProcessPending);
    d.GetType("search_result")
        ->itemRemoved.Add(AddDataHandler(new EventHandler<SearchTab, ItemPtr>(this, &SearchTab::OnResultRemoved)));
    d.GetType("search_results")
        ->itemRemoved.Add(AddDataHandler(new EventHandler<SearchTab, ItemPtr>(this, &SearchTab::OnResultsRemoved)));
    ShowCounts();
}

SearchTab::~SearchTab()
{
    RemoveDataHandlers();
    // Nothing more comes for a closed tab, and what came goes with it.
    for (ItemPtr request : requests) {
        request += d.GetType("search_stopped")->GetGlobalNullItem();
        const ItemSet replies = request.GetItems("search_results");
        replies.GetItems("search_result").Remove();
        replies.Remove();
    }
    widgetItem.Remove();
}

void SearchTab::BuildToolBar()
{
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [this](const char* name, void (SearchTab::*slot)()) {
        QAction* action = toolBar->addAction(QString(), this, slot);
        action->setObjectName(name);
        return action;
    };
    add(OrderByAvailable, &SearchTab::ToggleOrderByAvailable);
    add(OrderByFastest, &SearchTab::ToggleOrderByFastest);
    toolBar->addSeparator();
    add(ExpandUsers, &SearchTab::ToggleExpandUsers)->setEnabled(!flat);
    add(ExpandFolders, &SearchTab::ToggleExpandFolders)->setEnabled(!flat);
    toolBar->addSeparator();
    add("stop_search", &SearchTab::Stop)->setText("Stop Search");
    if (scope == Scope::WishList)
        add("remove_from_wish_list", &SearchTab::RemoveFromWishList)->setText("Remove from Wish List");
    ShowFlags();
}

bool SearchTab::Flag(const char* name) const
{
    return widgetItem.GetItem(name).GetValue().Bytes() == "yes";
}

void SearchTab::SetFlag(const char* name, bool on)
{
    widgetItem += d.GetType(name)->GetItem(Value(on ? "yes" : "no"));
}

void SearchTab::ShowFlags()
{
    // One ordering is on at a time and only it is marked; the expand actions say either way.
    const struct
    {
        const char* flag;
        const char* text;
        bool markOff;
    } actions[] = {{OrderByAvailable, "Order by Available", false},
                   {OrderByFastest, "Order by Fastest", false},
                   {ExpandUsers, "Expand Users", true},
                   {ExpandFolders, "Expand Folders", true}};
    for (const auto& action : actions) {
        const bool on = Flag(action.flag);
        toolBar->findChild<QAction*>(action.flag)
            ->setText(on || action.markOff ? OnOff(action.text, on) : QString(action.text));
    }
}

QString SearchTab::Title() const
{
    const QString shortText = text.size() > TitleTextLength ? text.left(TitleTextLength - 1) + QChar(0x2026) : text;
    return QString("%1 (%2)").arg(shortText).arg(list->FileCount());
}

void SearchTab::ShowCounts()
{
    QString line;
    if (list->FileCount() == 0 && notShown == 0) {
        line = scope == Scope::WishList && requests.empty()
            ? QString("Waiting for the wish list's turn; the server tells how often wishes are searched.")
            : QString("No results yet.");
    } else {
        line = QString("%1 %2 from %3 %4")
                   .arg(GroupedBytes(quint64(list->FileCount())))
                   .arg(list->FileCount() == 1 ? "file" : "files")
                   .arg(list->UserCount())
                   .arg(list->UserCount() == 1 ? "user" : "users");
        if (list->HiddenFileCount() > 0)
            line += QString(", %1 hidden by the filter").arg(GroupedBytes(quint64(list->HiddenFileCount())));
        if (notShown > 0)
            line += QString("; %1 more not shown (a search shows at most %2)")
                        .arg(GroupedBytes(quint64(notShown)), GroupedBytes(quint64(maxShown)));
    }
    if (stopped)
        line += " Stopped.";
    if (!queuedNote.isEmpty())
        line += ' ' + queuedNote;
    countLabel->setText(line);
    emit TitleChanged();
}

void SearchTab::AddRequest(ItemPtr request)
{
    if (HasRequest(request))
        return;
    requests.push_back(request);
    if (stopped)
        request += d.GetType("search_stopped")->GetGlobalNullItem();
    ShowCounts();
}

bool SearchTab::HasRequest(ItemPtr request) const
{
    return std::find(requests.begin(), requests.end(), request) != requests.end();
}

void SearchTab::Enqueue(ItemPtr results)
{
    if (!livePending.insert(results.Get()).second)
        return;
    pending.push_back(results.Get());
    if (!slice.isActive())
        slice.start(GatherMs);
}

void SearchTab::Flush()
{
    slice.stop();
    while (HasPending())
        ProcessPending();
}

bool SearchTab::TakeNextReply()
{
    while (!pending.empty()) {
        Item* next = pending.front();
        pending.pop_front();
        if (livePending.erase(next) == 0)
            continue;
        currentReply = next;
        current = currentReply.GetItems("search_result").ToVector();
        liveCurrent.clear();
        liveCurrent.insert(current.begin(), current.end());
        return true;
    }
    return false;
}

void SearchTab::ProcessPending()
{
    QElapsedTimer clock;
    clock.start();
    int sinceClockCheck = 0;
    while (clock.elapsed() < SliceMs) {
        if (current.empty() && !TakeNextReply())
            break;
        const UserStanding standing = UserStanding::Of(currentReply);
        while (!current.empty()) {
            if (++sinceClockCheck == ResultsPerClockCheck) {
                sinceClockCheck = 0;
                if (clock.elapsed() >= SliceMs)
                    break;
            }
            const ItemPtr result = current.back();
            current.pop_back();
            if (liveCurrent.erase(result.Get()) == 0)
                continue;
            if (list->FileCount() < maxShown)
                list->Add(standing, result);
            else
                excess.push_back(result);
        }
    }
    list->EndBatch(Flag(ExpandUsers), Flag(ExpandFolders));
    DropExcess();
    ShowCounts();
    if (HasPending())
        slice.start(0);
}

void SearchTab::DropExcess()
{
    notShown += int(excess.size());
    for (ItemPtr result : excess) {
        const ItemPtr reply = result.GetItem("search_results");
        result.Remove();
        if (reply && reply.GetItems("search_result").Empty())
            reply.Remove();
    }
    excess.clear();
}

void SearchTab::OnResultRemoved(ItemPtr result)
{
    liveCurrent.erase(result.Get());
    if (list->RowOf(result)) {
        list->Forget(result.Get());
        ShowCounts();
    }
}

void SearchTab::OnResultsRemoved(ItemPtr results)
{
    livePending.erase(results.Get());
    if (results == currentReply)
        currentReply = ItemPtr();
}

void SearchTab::SetFilter(const QString& filter)
{
    filterBox->SetText(filter);
}

void SearchTab::Stop()
{
    stopped = true;
    for (ItemPtr request : requests)
        request += d.GetType("search_stopped")->GetGlobalNullItem();
    QAction* stop = toolBar->findChild<QAction*>("stop_search");
    stop->setText("Search Stopped");
    stop->setEnabled(false);
    ShowCounts();
}

void SearchTab::RemoveFromWishList()
{
    if (wishListSearcher)
        wishListSearcher->RemoveWish(text);
    QAction* remove = toolBar->findChild<QAction*>("remove_from_wish_list");
    remove->setText("Removed from Wish List");
    remove->setEnabled(false);
}

void SearchTab::ToggleOrderByAvailable()
{
    if (Flag(OrderByAvailable))
        tree->sortItems(UserColumn, Qt::AscendingOrder);
    else
        tree->sortItems(FreeColumn, Qt::DescendingOrder);
}

void SearchTab::ToggleOrderByFastest()
{
    if (Flag(OrderByFastest))
        tree->sortItems(UserColumn, Qt::AscendingOrder);
    else
        tree->sortItems(SpeedColumn, Qt::DescendingOrder);
}

void SearchTab::OnSortIndicatorChanged(int column, Qt::SortOrder order)
{
    tree->sortItems(column, order);
    SetFlag(OrderByAvailable, column == FreeColumn && order == Qt::DescendingOrder);
    SetFlag(OrderByFastest, column == SpeedColumn && order == Qt::DescendingOrder);
    ShowFlags();
}

void SearchTab::ToggleExpandUsers()
{
    const bool on = !Flag(ExpandUsers);
    SetFlag(ExpandUsers, on);
    for (SearchResultRow* row : list->UserRows())
        row->setExpanded(on);
    ShowFlags();
}

void SearchTab::ToggleExpandFolders()
{
    const bool on = !Flag(ExpandFolders);
    SetFlag(ExpandFolders, on);
    for (SearchResultRow* row : list->FolderRows())
        row->setExpanded(on);
    ShowFlags();
}

QString SearchTab::UserOf(const SearchResultRow* row)
{
    switch (row->RowKind()) {
    case SearchResultRow::UserRow: return row->text(UserColumn);
    case SearchResultRow::FolderRow: return row->parent()->text(UserColumn);
    case SearchResultRow::FileRow: return row->parent()->parent()->text(UserColumn);
    case SearchResultRow::FlatRow: return row->standing.name;
    }
    return QString();
}

void SearchTab::OnContextMenu(const QPoint& position)
{
    auto* row = static_cast<SearchResultRow*>(tree->itemAt(position));
    if (!row)
        return;
    const QString user = UserOf(row);
    auto* userMenu = new UserMenu(user, this);
    userMenu->setTitle(user);
    connect(userMenu, &UserMenu::ChatRequested, this, &SearchTab::ChatRequested);
    if (row->RowKind() == SearchResultRow::UserRow) {
        userMenu->exec(tree->viewport()->mapToGlobal(position));
        delete userMenu;
        return;
    }
    QMenu menu(this);
    if (row->RowKind() != SearchResultRow::FolderRow) {
        // The selected files when the row is one of them, else the row alone.
        QList<SearchResultRow*> files;
        if (row->isSelected()) {
            for (QTreeWidgetItem* selected : tree->selectedItems()) {
                auto* file = static_cast<SearchResultRow*>(selected);
                if (file->RowKind() == SearchResultRow::FileRow || file->RowKind() == SearchResultRow::FlatRow)
                    files.append(file);
            }
        } else {
            files.append(row);
        }
        menu.addAction("Download file", this, [this, files] { DownloadFiles(files); })->setObjectName("download_file");
    }
    menu.addAction("Download folder", this, [this, row] { DownloadFolder(row); })->setObjectName("download_folder");
    const QString folder = row->Folder();
    menu.addAction("Browse folder", this, [this, user, folder] { emit BrowseRequested(user, folder); })
        ->setObjectName("browse_folder");
    menu.addSeparator();
    menu.addMenu(userMenu);
    menu.exec(tree->viewport()->mapToGlobal(position));
    delete userMenu;
}

void SearchTab::OnItemDoubleClicked(QTreeWidgetItem* item)
{
    auto* row = static_cast<SearchResultRow*>(item);
    switch (row->RowKind()) {
    case SearchResultRow::FileRow:
    case SearchResultRow::FlatRow: DownloadFiles({row}); break;
    case SearchResultRow::FolderRow: DownloadFolder(row); break;
    case SearchResultRow::UserRow: row->setExpanded(!row->isExpanded()); break;
    }
}

void SearchTab::DownloadFiles(const QList<SearchResultRow*>& rows)
{
    // Files of several users may be chosen together: a batch per user.
    QMap<QString, std::vector<TransferBatch::File>> byUser;
    for (const SearchResultRow* row : rows)
        if (row->result)
            byUser[UserOf(row)].push_back(RemoteFile(row));
    QStringList notes;
    for (auto user = byUser.begin(); user != byUser.end(); ++user) {
        const TransferBatch::Summary summary
            = TransferBatch::Start(TransferBatch::Kind::Files, user.key(), std::move(user.value()), text);
        notes << TransferBatch::Describe(TransferBatch::Kind::Files, user.key(), summary);
    }
    queuedNote = notes.join(' ');
    ShowCounts();
}

void SearchTab::DownloadFolder(const SearchResultRow* row)
{
    const QString user = UserOf(row);
    std::vector<TransferBatch::File> files;
    for (const SearchResultRow* file : list->FilesOf(user, row->Folder()))
        files.push_back(RemoteFile(file));
    const TransferBatch::Summary summary
        = TransferBatch::Start(TransferBatch::Kind::Folder, user, std::move(files), text);
    queuedNote = TransferBatch::Describe(TransferBatch::Kind::Folder, user, summary);
    ShowCounts();
}
