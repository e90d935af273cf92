#include "ui/SearchResultList.h"

#include <QHeaderView>
#include <QTreeWidget>

SearchResultList::SearchResultList(QTreeWidget* resultTree, bool flatMode)
    : tree(resultTree)
    , flat(flatMode)
{
}

SearchResultList::~SearchResultList()
{
    // Rows of a batch that never reached the tree.
    qDeleteAll(newTopLevel);
    for (const QList<QTreeWidgetItem*>& children : qAsConst(newChildren))
        qDeleteAll(children);
}

void SearchResultList::Attach(QTreeWidgetItem* parent, SearchResultRow* child)
{
    if (!parent)
        newTopLevel.append(child);
    else if (parent->treeWidget())
        newChildren[parent].append(child);
    else
        parent->addChild(child);
}

void SearchResultList::Add(const UserStanding& user, ItemPtr result)
{
    const QString folder = result.GetItem("search_result_file_folder").AsString();
    UserGroup& userGroup = groups[user.name];
    SearchResultRow* row;
    if (flat) {
        row = new SearchResultRow(SearchResultRow::FlatRow);
        row->standing = user;
        row->ShowStanding();
        Attach(nullptr, row);
        topLevelUnsorted = true;
    } else {
        if (!userGroup.row) {
            userGroup.row = new SearchResultRow(SearchResultRow::UserRow);
            newUsers.append(userGroup.row);
            Attach(nullptr, userGroup.row);
        }
        SearchResultRow* userRow = userGroup.row;
        if (userRow->standing.name.isEmpty() || userRow->standing.available != user.available
            || userRow->standing.queue != user.queue || userRow->standing.speed != user.speed) {
            // The latest reply tells the user's current standing.
            userRow->standing = user;
            userRow->ShowStanding();
            topLevelUnsorted = true;
        }
        FolderGroup& folderGroup = userGroup.folders[folder];
        if (!folderGroup.row) {
            folderGroup.row = new SearchResultRow(SearchResultRow::FolderRow);
            folderGroup.row->setText(FolderColumn, folder);
            folderGroup.row->key = folder;
            newFolders.append(folderGroup.row);
            Attach(userRow, folderGroup.row);
            unsorted.insert(userRow);
        }
        row = new SearchResultRow(SearchResultRow::FileRow);
        Attach(folderGroup.row, row);
        unsorted.insert(folderGroup.row);
    }
    row->result = result;
    row->ShowResult();
    userGroup.folders[folder].files.append(row);
    rows.emplace(result.Get(), row);
    touched.insert(GroupKey(user.name, folder));
}

void SearchResultList::EndBatch(bool expandUsers, bool expandFolders)
{
    for (auto parent = newChildren.cbegin(); parent != newChildren.cend(); ++parent)
        parent.key()->addChildren(parent.value());
    newChildren.clear();
    tree->addTopLevelItems(newTopLevel);
    newTopLevel.clear();
    for (SearchResultRow* row : qAsConst(newUsers))
        row->setExpanded(expandUsers);
    for (SearchResultRow* row : qAsConst(newFolders))
        row->setExpanded(expandFolders);
    newUsers.clear();
    newFolders.clear();

    QSet<QString> users;
    for (const GroupKey& key : qAsConst(touched)) {
        ApplyFilter(groups[key.first].folders[key.second], key.second);
        users.insert(key.first);
    }
    touched.clear();
    for (const QString& user : qAsConst(users))
        ShowUserIfAnyFolder(groups[user]);

    for (QTreeWidgetItem* parent : qAsConst(unsorted))
        SortChildren(parent);
    unsorted.clear();
    if (topLevelUnsorted)
        SortChildren(tree->invisibleRootItem());
    topLevelUnsorted = false;
}

void SearchResultList::SortChildren(QTreeWidgetItem* parent) const
{
    parent->sortChildren(tree->sortColumn(), tree->header()->sortIndicatorOrder());
}

void SearchResultList::SetHidden(SearchResultRow* row, bool hidden)
{
    if (row->filteredOut == hidden)
        return;
    row->filteredOut = hidden;
    row->setHidden(hidden);
}

bool SearchResultList::ApplyFilter(FolderGroup& folder, const QString& folderName)
{
    const FolderFilter rule(filter, folderName);
    QVector<bool> passes(folder.files.size());
    int passing = 0;
    for (int index = 0; index < folder.files.size(); ++index) {
        const SearchResultRow* row = folder.files.at(index);
        passes[index] = rule.Passes(row->text(FileColumn), row->result);
        passing += passes[index] ? 1 : 0;
    }
    const bool shown = rule.Shows(passing);
    int hidden = 0;
    for (int index = 0; index < folder.files.size(); ++index) {
        const bool visible = shown && passes.at(index);
        SetHidden(folder.files.at(index), !visible);
        hidden += visible ? 0 : 1;
    }
    hiddenFiles += hidden - folder.hidden;
    folder.hidden = hidden;
    if (folder.row)
        SetHidden(folder.row, !shown);
    return shown;
}

void SearchResultList::ShowUserIfAnyFolder(UserGroup& user)
{
    if (!user.row)
        return;
    bool any = false;
    for (const FolderGroup& folder : qAsConst(user.folders))
        any = any || !folder.row->filteredOut;
    SetHidden(user.row, !any);
}

void SearchResultList::SetFilter(const QString& text)
{
    filter = FilterParser();
    filter.Parse(text);
    for (UserGroup& user : groups) {
        for (auto folder = user.folders.begin(); folder != user.folders.end(); ++folder)
            ApplyFilter(folder.value(), folder.key());
        ShowUserIfAnyFolder(user);
    }
}

void SearchResultList::Forget(Item* result)
{
    const auto found = rows.find(result);
    if (found == rows.end())
        return;
    SearchResultRow* row = found->second;
    rows.erase(found);
    const QString user
        = row->RowKind() == SearchResultRow::FlatRow ? row->standing.name : row->parent()->parent()->text(UserColumn);
    const QString folderName = row->Folder();
    UserGroup& userGroup = groups[user];
    FolderGroup& folder = userGroup.folders[folderName];
    folder.files.removeOne(row);
    hiddenFiles -= row->filteredOut ? 1 : 0;
    folder.hidden -= row->filteredOut ? 1 : 0;
    delete row;
    if (!folder.files.isEmpty()) {
        ApplyFilter(folder, folderName);
        ShowUserIfAnyFolder(userGroup);
        return;
    }
    delete folder.row;
    userGroup.folders.remove(folderName);
    if (!userGroup.folders.isEmpty()) {
        ShowUserIfAnyFolder(userGroup);
        return;
    }
    delete userGroup.row;
    groups.remove(user);
}

QList<SearchResultRow*> SearchResultList::UserRows() const
{
    QList<SearchResultRow*> users;
    for (const UserGroup& user : groups)
        if (user.row)
            users.append(user.row);
    return users;
}

QList<SearchResultRow*> SearchResultList::FolderRows() const
{
    QList<SearchResultRow*> folders;
    for (const UserGroup& user : groups)
        for (const FolderGroup& folder : user.folders)
            if (folder.row)
                folders.append(folder.row);
    return folders;
}

QVector<SearchResultRow*> SearchResultList::FilesOf(const QString& user, const QString& folder) const
{
    const auto userGroup = groups.constFind(user);
    if (userGroup == groups.cend())
        return {};
    return userGroup->folders.value(folder).files;
}

SearchResultRow* SearchResultList::RowOf(ItemPtr result) const
{
    const auto found = rows.find(result.Get());
    return found == rows.end() ? nullptr : found->second;
}
