#ifndef UI_SEARCHRESULTROW_H
#define UI_SEARCHRESULTROW_H

#include "store/ItemPtr.h"

#include <QString>
#include <QTreeWidgetItem>

// The columns of a search tab.
enum SearchColumn
{
    UserColumn,
    FreeColumn,
    SpeedColumn,
    FolderColumn,
    FileColumn,
    SizeColumn,
    AttributesColumn,
    SearchColumnCount,
};

// What a replying user offers, as the ordering of user rows reads it.
struct UserStanding
{
    QString name;
    bool available = false; // a free upload slot
    quint32 queue = 0;      // uploads waiting in the user's queue
    quint32 speed = 0;      // bytes per second

    // From a "search_results" item.
    static UserStanding Of(ItemPtr results);
};

// Above 0 when a ranks above b. "Order by Available": a free slot first, then
// the shorter queue (between users without a free slot), the higher speed, the
// name. "Order by Fastest": the higher speed, then the name without regard to
// case.
int CompareByAvailability(const UserStanding& a, const UserStanding& b);
int CompareBySpeed(const UserStanding& a, const UserStanding& b);

// One row of a search tab: a user, a folder of a user, a file in a folder, or
// (in the flat mode) a file with all seven columns. Rows of users rank by the
// ordering of the sort column ("Free" or "K/s"); below them folders and files
// stay in alphabetical order whichever way the tab sorts. Other columns sort
// by their text, sizes by their number.
class SearchResultRow : public QTreeWidgetItem
{
public:
    enum Kind
    {
        UserRow = QTreeWidgetItem::UserType + 1,
        FolderRow,
        FileRow,
        FlatRow,
    };

    explicit SearchResultRow(Kind kind)
        : QTreeWidgetItem(int(kind))
    {
    }

    Kind RowKind() const { return Kind(type()); }
    bool operator<(const QTreeWidgetItem& other) const override;

    // User and flat rows.
    UserStanding standing;
    // File and flat rows: the "search_result" item and its size.
    ItemPtr result;
    quint64 size = 0;
    // Hidden by the filter (kept here: asking the tree costs a search among the siblings).
    bool filteredOut = false;
    // What orders the row alphabetically below the users, set with the texts.
    QString key;

    // The user, free and speed columns from the standing.
    void ShowStanding();
    // The file, size and attribute columns from the result, and the folder
    // column of a flat row (a file row stands below its folder's row).
    void ShowResult();
    // The folder of a folder, file or flat row.
    QString Folder() const;
};

#endif
