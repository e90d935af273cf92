#include "ui/TransferTree.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "store/TextDecoding.h"
#include "transfers/TransferQueueManager.h"
#include "ui/SizeText.h"
#include "ui/TransferGroupStatus.h"
#include "ui/TransferProgress.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>
#include <limits>

namespace {

// Rows are taken this many at a time between two looks at the clock.
constexpr int RowsPerClockCheck = 64;

template <typename Row>
Row* RowAt(ItemPtr node)
{
    return node ? reinterpret_cast<Row*>(quintptr(node.AsUInt64())) : nullptr;
}

QString FilesText(int count)
{
    return count == 1 ? QString("1 file") : QString("%1 files").arg(count);
}

} // namespace

TransferRow::TransferRow(Kind rowKind)
    : kind(rowKind)
{
}

void TransferRow::SetSortKey(const Numbers& numbers, const QString& text)
{
    sortNumbers = numbers;
    sortText = text.toCaseFolded();
}

bool TransferRow::operator<(const QTreeWidgetItem& other) const
{
    const auto& row = static_cast<const TransferRow&>(other);
    if (sortNumbers != row.sortNumbers)
        return sortNumbers < row.sortNumbers;
    return sortText < row.sortText;
}

const TransferTree::Names& TransferTree::NamesOf(Side side)
{
    static const Names downloads{
        "download_entry",          "download_entry_status", "download_list_node", "download_list_folder_node",
        "download_list_user_node", "write_position",        "place_in_line",      "download_order"};
    static const Names uploads{
        "upload_entry",          "upload_entry_status", "upload_list_node",       "upload_list_folder_node",
        "upload_list_user_node", "read_position",       "effective_upload_order", "upload_order"};
    return side == Side::Downloads ? downloads : uploads;
}

void TransferTree::DeclareTypes()
{
    const std::pair<Side, const char*> sides[]
        = {{Side::Downloads, "remote_folder"}, {Side::Uploads, "shared_file_folder"}};
    for (const auto& [side, folderType] : sides) {
        const Names& names = NamesOf(side);
        // The nodes name live rows: they last until their row goes, and are never saved.
        Type* node = d.NewType(names.node, Primary, false, true);
        Type* folderNode = d.NewType(names.folderNode, Primary, false, true);
        Type* userNode = d.NewType(names.userNode, Primary, false, true);
        d.GetType(names.entry)->RelateToType(node, One, One, false);
        d.GetType("user")->RelateToType(userNode, One, One, false);
        folderNode->RelateToType(userNode, Many, One, false);
        folderNode->RelateToType(d.GetType(folderType), Many, One, false);
    }
    Type* alert = d.NewType("complete_download_alert", Tertiary, true, true);
    for (const char* type : {"download_entry", "download_list_folder_node", "download_list_user_node"})
        d.GetType(type)->RelateToType(alert, Many, One, false);
    // The search window ties a download to the text of the search it came from.
    Type* entry = d.GetType("download_entry");
    Type* searchText = d.HasType("search_request_text");
    if (searchText && !entry->IsRelated(searchText))
        entry->RelateToType(searchText, Many, One, false);
    for (const char* setting :
         {"expand_download_users", "expand_download_folders", "expand_upload_users", "expand_upload_folders"})
        SetSetting(setting, "yes");
}

QStringList TransferTree::ColumnTitles()
{
    return {"User", "Folder", "File", "Status", "Size", "Done", "Progress", "Speed", "Time Left", "Place"};
}

TransferTree::TransferTree(Side listSide, QTreeWidget* transferTree, QObject* parent)
    : QObject(parent)
    , side(listSide)
    , names(NamesOf(listSide))
    , tree(transferTree)
    , entryType(d.GetType(names.entry))
{
    tree->setColumnCount(ColumnCount);
    tree->setHeaderLabels(ColumnTitles());
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree->setUniformRowHeights(true);
    tree->setAllColumnsShowFocus(true);
    tree->setItemDelegateForColumn(ProgressColumn, new ProgressBarDelegate(tree));
    tree->header()->setStretchLastSection(false);
    // Long paths keep both their ends in sight; the folder column takes what the others leave.
    tree->setTextElideMode(Qt::ElideMiddle);
    tree->header()->setSectionResizeMode(FolderColumn, QHeaderView::Stretch);
    const QFontMetrics metrics(tree->font());
    auto fits = [&metrics](const char* sample) { return metrics.horizontalAdvance(sample) + 12; };
    const std::pair<Column, int> widths[]
        = {{UserColumn, fits("a user name")},   {FileColumn, fits("a file name of a song.mp3")},
           {StatusColumn, fits("downloading")}, {SizeColumn, fits("999.9 MiB")},
           {DoneColumn, fits("999.9 MiB")},     {ProgressColumn, fits("100%") + 50},
           {SpeedColumn, fits("999.9 KiB/s")},  {TimeLeftColumn, fits("9:59:59")},
           {PlaceColumn, fits("Place")}};
    const QStringList titles = ColumnTitles();
    for (const auto& [column, width] : widths)
        tree->setColumnWidth(column, std::max(width, metrics.horizontalAdvance(titles.at(column)) + 16));

    entryType->itemRemoved.Add(
        AddDataHandler(new EventHandler<TransferTree, ItemPtr>(this, &TransferTree::OnEntryRemoved)));
    for (const char* other : {names.status, names.place}) {
        Type* otherType = d.GetType(other);
        for (auto [a, b] : {std::make_pair(entryType, otherType), std::make_pair(otherType, entryType)})
            d.AddConnectionEventHandler(
                a, b,
                AddDataHandler(new EventHandler<TransferTree, ConnectionInfo&>(this, &TransferTree::OnEntryChanged)));
    }
    if (transferQueueManager)
        connect(transferQueueManager, &TransferQueueManager::TransfersLoaded, this, &TransferTree::MarkAll);

    gatherTimer.setSingleShot(true);
    connect(&gatherTimer, &QTimer::timeout, this, [this] { ProcessChanges(true); });
    progressTimer.setInterval(ProgressIntervalMs);
    connect(&progressTimer, &QTimer::timeout, this, &TransferTree::RefreshProgress);
    progressTimer.start();
    MarkAll();
}

TransferTree::~TransferTree()
{
    RemoveDataHandlers();
    // The nodes name rows that go with the tree.
    for (const char* type : {names.node, names.folderNode, names.userNode})
        if (Type* nodes = d.HasType(type))
            nodes->RemoveAllItems();
}

TransferRow* TransferTree::RowOf(ItemPtr entry) const
{
    return RowAt<TransferRow>(entry.GetItem(names.node));
}

TransferRow* TransferTree::UserRow(const QString& user) const
{
    return RowAt<TransferRow>(d.GetType("user")->HasItem(Value(user)).GetItem(names.userNode));
}

ItemPtr TransferTree::EntryOf(const TransferRow* row) const
{
    return row->RowKind() == TransferRow::Kind::File ? ItemPtr(row->Node()).GetItem(names.entry) : ItemPtr();
}

QString TransferTree::UserOf(const TransferRow* row) const
{
    while (row->RowKind() != TransferRow::Kind::User)
        row = static_cast<const TransferRow*>(row->parent());
    return ItemPtr(row->Node()).GetItem("user").AsString();
}

void TransferTree::ForEachFileRow(QTreeWidgetItem* row, const std::function<void(TransferRow*)>& visit)
{
    if (AsRow(row)->RowKind() == TransferRow::Kind::File) {
        visit(AsRow(row));
        return;
    }
    for (int index = 0; index < row->childCount(); ++index)
        ForEachFileRow(row->child(index), visit);
}

std::vector<ItemPtr> TransferTree::EntriesUnder(const QList<QTreeWidgetItem*>& rows) const
{
    std::vector<ItemPtr> entries;
    QSet<Item*> seen;
    for (QTreeWidgetItem* row : rows)
        ForEachFileRow(row, [&](TransferRow* file) {
            const ItemPtr entry = EntryOf(file);
            if (entry && !seen.contains(entry.Get())) {
                seen.insert(entry.Get());
                entries.push_back(entry);
            }
        });
    return entries;
}

std::vector<ItemPtr> TransferTree::FolderNodesOf(const QList<QTreeWidgetItem*>& rows) const
{
    std::vector<ItemPtr> nodes;
    QSet<Item*> seen;
    auto add = [&](QTreeWidgetItem* folder) {
        Item* node = AsRow(folder)->Node();
        if (!seen.contains(node)) {
            seen.insert(node);
            nodes.push_back(node);
        }
    };
    for (QTreeWidgetItem* row : rows) {
        switch (AsRow(row)->RowKind()) {
        case TransferRow::Kind::File: add(row->parent()); break;
        case TransferRow::Kind::Folder: add(row); break;
        case TransferRow::Kind::User:
            for (int index = 0; index < row->childCount(); ++index)
                add(row->child(index));
            break;
        }
    }
    return nodes;
}

std::vector<ItemPtr> TransferTree::UserNodesOf(const QList<QTreeWidgetItem*>& rows) const
{
    std::vector<ItemPtr> nodes;
    QSet<Item*> seen;
    for (QTreeWidgetItem* row : rows) {
        while (AsRow(row)->RowKind() != TransferRow::Kind::User)
            row = row->parent();
        Item* node = AsRow(row)->Node();
        if (!seen.contains(node)) {
            seen.insert(node);
            nodes.push_back(node);
        }
    }
    return nodes;
}

void TransferTree::SetExpandUsers(bool expand)
{
    expandUsers = expand;
    for (int index = 0; index < tree->topLevelItemCount(); ++index)
        tree->topLevelItem(index)->setExpanded(expand);
}

void TransferTree::SetExpandFolders(bool expand)
{
    expandFolders = expand;
    for (int index = 0; index < tree->topLevelItemCount(); ++index) {
        QTreeWidgetItem* user = tree->topLevelItem(index);
        for (int folder = 0; folder < user->childCount(); ++folder)
            user->child(folder)->setExpanded(expand);
    }
}

void TransferTree::MarkAll()
{
    for (ItemPtr entry : g(names.entry))
        dirty.insert(entry.Get());
    if (!dirty.isEmpty() && !gatherTimer.isActive())
        gatherTimer.start(0);
}

void TransferTree::MarkDirty(Item* entry)
{
    dirty.insert(entry);
    if (!gatherTimer.isActive())
        gatherTimer.start(GatherMs);
}

void TransferTree::OnEntryChanged(ConnectionInfo& info)
{
    MarkDirty(ItemPtr(info.from).GetType() == entryType ? info.from : info.to);
}

void TransferTree::OnEntryRemoved(ItemPtr entry)
{
    dirty.remove(entry.Get());
    running.remove(entry.Get());
    TransferRow* row = RowOf(entry);
    if (!row)
        return;
    auto* folder = static_cast<TransferRow*>(row->parent());
    auto* user = folder ? static_cast<TransferRow*>(folder->parent()) : nullptr;
    DeleteRow(row);
    if (folder && folder->childCount() == 0) {
        DeleteRow(folder);
        folder = nullptr;
    }
    if (user && user->childCount() == 0) {
        DeleteRow(user);
        user = nullptr;
    }
    for (TransferRow* group : {folder, user})
        if (group)
            dirtyGroups.insert(group);
    if (!gatherTimer.isActive())
        gatherTimer.start(GatherMs);
}

void TransferTree::DeleteRow(TransferRow* row)
{
    dirtyGroups.remove(row);
    unsorted.remove(row);
    ItemPtr(row->Node()).Remove();
    delete row;
}

void TransferTree::TouchGroups(TransferRow* row)
{
    for (QTreeWidgetItem* group = row ? row->parent() : nullptr; group; group = group->parent())
        dirtyGroups.insert(AsRow(group));
    if (!gatherTimer.isActive())
        gatherTimer.start(GatherMs);
}

void TransferTree::Flush()
{
    gatherTimer.stop();
    ProcessChanges(false);
}

void TransferTree::ProcessChanges(bool sliced)
{
    QElapsedTimer clock;
    clock.start();
    int count = 0;
    while (!dirty.isEmpty()) {
        const auto first = dirty.begin();
        const ItemPtr entry(*first);
        dirty.erase(first);
        Update(entry);
        if (sliced && ++count % RowsPerClockCheck == 0 && clock.elapsed() >= SliceMs)
            break;
    }
    AttachPending();
    UpdateGroups();
    if (!dirty.isEmpty()) {
        gatherTimer.start(0);
        return;
    }
    // Once, after the last slice: sorting a long list after every slice would cost more than filling it.
    SortPending();
    if (side == Side::Uploads)
        UpdateUserOrder();
}

void TransferTree::Update(ItemPtr entry)
{
    TransferRow* row = RowOf(entry);
    const bool added = !row;
    if (added && !(row = NewFileRow(entry)))
        return;
    const ItemPtr status = entry.GetItem(names.status);
    const QString word = status.AsString();
    if (added || row->text(StatusColumn) != word) {
        ShowStatus(row, word);
        TouchGroups(row);
    }
    const ItemPtr reason = entry.GetItem("denial_reason");
    row->setToolTip(StatusColumn, reason ? reason.AsString() : QString());
    const ItemPtr place = entry.GetItem(names.place);
    row->setText(PlaceColumn, word == "queued" && place ? place.AsString() : QString());
    if (status.IsConnected("is_active")) {
        running.insert(entry.Get());
        ShowRunning(row, entry);
    } else {
        running.remove(entry.Get());
        ShowStopped(row, word);
    }
}

TransferRow* TransferTree::NewRow(TransferRow::Kind kind, const char* nodeType)
{
    // The node's value is the row's address, which no other live row has.
    auto* row = new TransferRow(kind);
    row->SetNode(d.GetType(nodeType)->NewItem(Value(static_cast<const void*>(row))).Get());
    return row;
}

TransferRow* TransferTree::NewFileRow(ItemPtr entry)
{
    const ItemPtr user = entry.GetItem("user");
    ItemPtr folder;
    QString folderText;
    QString fileName;
    qint64 size;
    if (side == Side::Downloads) {
        folder = entry.GetItem("remote_folder");
        folderText = ToQString(folder.AsStdString());
        fileName = ToQString(entry.GetItem("file_name").AsStdString());
        size = entry.GetItem("file_size").AsInt64();
    } else {
        const ItemPtr file = entry.GetItem("shared_file");
        folder = file.GetItem("shared_file_folder");
        folderText = folder.AsString();
        fileName = file.GetItem("shared_file_name").AsString();
        size = file.GetItem("shared_file_size").AsInt64();
    }
    if (!user || !folder)
        return nullptr;
    TransferRow* userRow = FindOrAddUserRow(user);
    TransferRow* folderRow = FindOrAddFolderRow(userRow, folder, folderText);
    // The row reaches its parent only when the slice ends: its groups are told now.
    dirtyGroups.insert(folderRow);
    dirtyGroups.insert(userRow);
    TransferRow* row = NewRow(TransferRow::Kind::File, names.node);
    ItemPtr(row->Node()) += entry;
    row->setText(FileColumn, fileName);
    row->setToolTip(FileColumn, fileName);
    row->size = size;
    row->setText(SizeColumn, HumanSize(quint64(std::max<qint64>(0, size))));
    row->setToolTip(SizeColumn, GroupedBytes(quint64(std::max<qint64>(0, size))) + " bytes");
    row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    row->SetSortKey({entry.GetItem(names.order).AsInt64(), 0, 0}, fileName);
    Attach(folderRow, row);
    return row;
}

TransferRow* TransferTree::FindOrAddUserRow(ItemPtr user)
{
    if (TransferRow* row = RowAt<TransferRow>(user.GetItem(names.userNode)))
        return row;
    TransferRow* row = NewRow(TransferRow::Kind::User, names.userNode);
    ItemPtr(row->Node()) += user;
    row->setText(UserColumn, user.AsString());
    row->SetSortKey(UserSortNumbers(user, nullptr), user.AsString());
    Attach(nullptr, row);
    newGroups.append(row);
    return row;
}

TransferRow* TransferTree::FindOrAddFolderRow(TransferRow* userRow, ItemPtr folder, const QString& folderText)
{
    const ItemPtr userNode(userRow->Node());
    if (TransferRow* row = RowAt<TransferRow>(d.GetItem(userNode, folder, names.folderNode)))
        return row;
    TransferRow* row = NewRow(TransferRow::Kind::Folder, names.folderNode);
    ItemPtr(row->Node()) += userNode;
    ItemPtr(row->Node()) += folder;
    row->setText(FolderColumn, folderText);
    row->setToolTip(FolderColumn, folderText);
    row->SetSortKey({}, folderText);
    Attach(userRow, row);
    newGroups.append(row);
    return row;
}

void TransferTree::Attach(TransferRow* parent, TransferRow* child)
{
    if (!parent) {
        pendingTop.append(child);
        topUnsorted = true;
        return;
    }
    // Rows not yet in the tree take children at no cost; the others are told once per slice.
    if (!parent->treeWidget())
        parent->addChild(child);
    else
        pendingChildren[parent].append(child);
    unsorted.insert(parent);
}

void TransferTree::AttachPending()
{
    for (auto pending = pendingChildren.cbegin(); pending != pendingChildren.cend(); ++pending)
        pending.key()->addChildren(pending.value());
    pendingChildren.clear();
    if (!pendingTop.isEmpty())
        tree->addTopLevelItems(pendingTop);
    pendingTop.clear();
    for (TransferRow* group : newGroups)
        group->setExpanded(group->RowKind() == TransferRow::Kind::User ? expandUsers : expandFolders);
    newGroups.clear();
}

void TransferTree::UpdateGroups()
{
    // Folders first: their users sum them up.
    for (TransferRow::Kind kind : {TransferRow::Kind::Folder, TransferRow::Kind::User})
        for (TransferRow* group : dirtyGroups)
            if (group->RowKind() == kind)
                UpdateGroup(group);
    dirtyGroups.clear();
}

void TransferTree::UpdateGroup(TransferRow* group)
{
    TransferGroupStatus status(side == Side::Uploads);
    qint64 size = 0;
    int files = 0;
    ForEachFileRow(group, [&](TransferRow* file) {
        status.Add(file->text(StatusColumn));
        size += file->size;
        ++files;
    });
    group->size = size;
    ShowStatus(group, status.Word());
    group->setText(FileColumn, FilesText(files));
    group->setText(SizeColumn, HumanSize(quint64(size)));
    group->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    ShowGroupProgress(group);
}

void TransferTree::SortPending()
{
    for (TransferRow* parent : unsorted)
        parent->sortChildren(0, Qt::AscendingOrder);
    unsorted.clear();
    if (topUnsorted)
        tree->invisibleRootItem()->sortChildren(0, Qt::AscendingOrder);
    topUnsorted = false;
}

TransferRow::Numbers TransferTree::UserSortNumbers(ItemPtr user, const TransferRow* userRow) const
{
    if (side == Side::Downloads)
        return {};
    // The queue's order: higher group priority, then privilege, then the earliest arrival.
    qint64 earliest = std::numeric_limits<qint64>::max();
    if (userRow)
        ForEachFileRow(const_cast<TransferRow*>(userRow),
                       [&](TransferRow* file) { earliest = std::min(earliest, file->SortNumbers()[0]); });
    const int priority = transferQueueManager ? transferQueueManager->GetUserGroupDownloadPriority(user.AsString()) : 0;
    return {-qint64(priority), user.IsConnected("is_privileged") ? 0 : 1, earliest};
}

void TransferTree::UpdateUserOrder()
{
    bool moved = false;
    for (int index = 0; index < tree->topLevelItemCount(); ++index) {
        TransferRow* row = AsRow(tree->topLevelItem(index));
        const TransferRow::Numbers numbers = UserSortNumbers(ItemPtr(row->Node()).GetItem("user"), row);
        if (numbers != row->SortNumbers()) {
            row->SetSortKey(numbers, row->text(UserColumn));
            moved = true;
        }
    }
    if (moved)
        tree->invisibleRootItem()->sortChildren(0, Qt::AscendingOrder);
}

void TransferTree::ShowStatus(TransferRow* row, const QString& word)
{
    row->setText(StatusColumn, word);
    const QColor colour = TransferStatusColour(word);
    const QBrush brush = colour.isValid() ? QBrush(colour) : QBrush();
    for (int column = 0; column < ColumnCount; ++column)
        row->setForeground(column, brush);
}

void TransferTree::ShowRunning(TransferRow* row, ItemPtr entry)
{
    const TransferCells* cells = transferQueueManager ? &transferQueueManager->Cells() : nullptr;
    const qint64* position = cells ? cells->Counter(entry.GetItem(names.position)) : nullptr;
    const int* speed = cells ? cells->Speed(entry.GetItem("bytes_per_second")) : nullptr;
    // Offers and connections being made have nothing to show yet.
    if (!position) {
        ShowStopped(row, QString());
        return;
    }
    row->done = *position;
    row->speed = speed ? *speed : 0;
    ShowProgress(row, true);
}

void TransferTree::ShowStopped(TransferRow* row, const QString& word)
{
    const bool complete = word == "complete";
    row->done = complete ? row->size : 0;
    row->speed = 0;
    ShowProgress(row, complete);
}

void TransferTree::ShowProgress(TransferRow* row, bool shown)
{
    const TransferProgress progress{row->size, row->done, row->speed};
    row->setText(DoneColumn, shown ? HumanSize(quint64(std::max<qint64>(0, row->done))) : QString());
    row->setTextAlignment(DoneColumn, Qt::AlignRight | Qt::AlignVCenter);
    row->setData(ProgressColumn, PercentRole, shown ? QVariant(progress.Percent()) : QVariant());
    row->setText(ProgressColumn, shown ? QString("%1%").arg(progress.Percent()) : QString());
    row->setText(SpeedColumn, SpeedText(row->speed));
    row->setText(TimeLeftColumn, row->speed > 0 ? TimeLeftText(progress.SecondsLeft()) : QString());
}

void TransferTree::ShowGroupProgress(TransferRow* group)
{
    qint64 done = 0;
    qint64 speed = 0;
    ForEachFileRow(group, [&](TransferRow* file) {
        done += file->done;
        speed += file->speed;
    });
    group->done = done;
    group->speed = speed;
    ShowProgress(group, done > 0);
}

bool TransferTree::IsOnScreen(QTreeWidgetItem* row) const
{
    const QRect rect = tree->visualItemRect(row);
    return rect.isValid() && rect.intersects(tree->viewport()->rect());
}

void TransferTree::RefreshProgress()
{
    if (side == Side::Uploads)
        UpdateUserOrder();
    if (running.isEmpty() || !tree->isVisible())
        return;
    QSet<TransferRow*> groups;
    for (Item* item : running) {
        const ItemPtr entry(item);
        TransferRow* row = RowOf(entry);
        if (!row)
            continue;
        if (IsOnScreen(row))
            ShowRunning(row, entry);
        for (QTreeWidgetItem* group = row->parent(); group; group = group->parent())
            groups.insert(AsRow(group));
    }
    for (TransferRow* group : groups)
        if (IsOnScreen(group))
            ShowGroupProgress(group);
}
