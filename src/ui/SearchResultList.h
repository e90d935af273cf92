#ifndef UI_SEARCHRESULTLIST_H
#define UI_SEARCHRESULTLIST_H

#include "search/FilterParser.h"
#include "store/ItemPtr.h"
#include "ui/SearchResultRow.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>

#include <unordered_map>

class QTreeWidget;

// The rows of one search tab: a row per replying user, under it a row per
// folder and under that a row per file, or (flat) one row per file. New rows
// are gathered into a batch and put into the tree together, so that the tree
// is told once per batch and sorted once per batch (only where rows came).
// The result filter hides files, then folders with too few files left, then
// users with no folder left.
class SearchResultList
{
public:
    SearchResultList(QTreeWidget* tree, bool flat);
    SearchResultList(const SearchResultList&) = delete;
    SearchResultList& operator=(const SearchResultList&) = delete;
    ~SearchResultList();

    bool IsFlat() const { return flat; }

    // Adds a "search_result" of a reply from the user to the batch.
    void Add(const UserStanding& user, ItemPtr result);
    // Puts the batch into the tree, expands the new users' and folders' rows
    // as asked, filters and sorts where rows came.
    void EndBatch(bool expandUsers, bool expandFolders);

    // Parses the filter text and shows or hides every row by it.
    void SetFilter(const QString& text);
    const FilterParser& Filter() const { return filter; }

    // Takes the row of a result that is being removed out of the tree (between batches).
    void Forget(Item* result);

    // The user, folder and file rows of the tree mode.
    QList<SearchResultRow*> UserRows() const;
    QList<SearchResultRow*> FolderRows() const;
    // The file rows (or flat rows) of one user's folder, in arrival order.
    QVector<SearchResultRow*> FilesOf(const QString& user, const QString& folder) const;
    SearchResultRow* RowOf(ItemPtr result) const;

    int FileCount() const { return int(rows.size()); }
    int UserCount() const { return groups.size(); }
    int HiddenFileCount() const { return hiddenFiles; }

private:
    struct FolderGroup
    {
        SearchResultRow* row = nullptr; // null in the flat mode
        QVector<SearchResultRow*> files;
        int hidden = 0;
    };
    struct UserGroup
    {
        SearchResultRow* row = nullptr; // null in the flat mode
        QHash<QString, FolderGroup> folders;
    };
    using GroupKey = QPair<QString, QString>;

    void Attach(QTreeWidgetItem* parent, SearchResultRow* child);
    // Shows or hides the folder's rows by the filter; true when it is shown.
    bool ApplyFilter(FolderGroup& folder, const QString& folderName);
    void ShowUserIfAnyFolder(UserGroup& user);
    void SetHidden(SearchResultRow* row, bool hidden);
    void SortChildren(QTreeWidgetItem* parent) const;

    QTreeWidget* tree;
    bool flat;
    FilterParser filter;
    QHash<QString, UserGroup> groups;
    std::unordered_map<Item*, SearchResultRow*> rows;
    int hiddenFiles = 0;

    // The batch: rows for parents already in the tree (null: the top level),
    // and the groups and parents whose rows changed.
    QHash<QTreeWidgetItem*, QList<QTreeWidgetItem*>> newChildren;
    QList<QTreeWidgetItem*> newTopLevel;
    QVector<SearchResultRow*> newUsers;
    QVector<SearchResultRow*> newFolders;
    QSet<GroupKey> touched;
    QSet<QTreeWidgetItem*> unsorted;
    bool topLevelUnsorted = false;
};

#endif
