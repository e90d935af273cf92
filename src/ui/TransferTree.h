#ifndef UI_TRANSFERTREE_H
#define UI_TRANSFERTREE_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QTreeWidgetItem>

#include <array>
#include <functional>
#include <vector>

class QTreeWidget;
class Type;

// A row of a transfer list: a user, one of the user's folders, or one
// transfer. Its node item ties it to the graph.
class TransferRow : public QTreeWidgetItem
{
public:
    enum class Kind
    {
        User,
        Folder,
        File,
    };
    using Numbers = std::array<qint64, 3>;

    explicit TransferRow(Kind kind);

    Kind RowKind() const { return kind; }
    Item* Node() const { return node; }
    // Set once, by the list that makes the row.
    void SetNode(Item* item) { node = item; }
    // Siblings go by the numbers, then by the text without regard to case.
    void SetSortKey(const Numbers& numbers, const QString& text);
    const Numbers& SortNumbers() const { return sortNumbers; }
    bool operator<(const QTreeWidgetItem& other) const override;

    // The bytes of the transfer (or of the group), those done and the speed, as last shown.
    qint64 size = 0;
    qint64 done = 0;
    qint64 speed = 0;

private:
    Kind kind;
    Item* node = nullptr;
    Numbers sortNumbers{};
    QString sortText;
};

// The rows of the download or the upload list: a row per user, under it a
// row per folder and under that a row per transfer entry. Changes of the
// entries (status, place in line) are gathered and put into the tree a slice
// at a time, so that thousands of entries never hold the window up; a timer
// shows the progress of the running transfers that are on screen, read from
// the cells the transfer threads keep up to date. Group rows sum up the
// status, size and progress of the rows below them; upload users go in queue
// order (group priority, privilege, arrival).
class TransferTree : public QObject, public DataHandler
{
    Q_OBJECT
public:
    enum class Side
    {
        Downloads,
        Uploads,
    };
    enum Column
    {
        UserColumn,
        FolderColumn,
        FileColumn,
        StatusColumn,
        SizeColumn,
        DoneColumn,
        ProgressColumn,
        SpeedColumn,
        TimeLeftColumn,
        PlaceColumn,
        ColumnCount,
    };

    // Changes are gathered this long before they are shown.
    static constexpr int GatherMs = 50;
    static constexpr int ProgressIntervalMs = 500;
    // The longest a slice of changes may hold the event loop.
    static constexpr int SliceMs = 15;

    // Declares the row nodes of both lists, the completion alert flag, and writes the lists' setting defaults.
    // The transfers' types must exist.
    static void DeclareTypes();
    static QStringList ColumnTitles();

    // Fills the tree with the entries there are and follows their changes; the transfer queue must exist.
    TransferTree(Side side, QTreeWidget* tree, QObject* parent = nullptr);
    ~TransferTree() override;


    // The rows of an entry and of a user (null while there is none).
    TransferRow* RowOf(ItemPtr entry) const;
    TransferRow* UserRow(const QString& user) const;
    static TransferRow* AsRow(QTreeWidgetItem* item) { return static_cast<TransferRow*>(item); }
    // The entry of a file row (null for a group row) and the user of any row.
    ItemPtr EntryOf(const TransferRow* row) const;
    QString UserOf(const TransferRow* row) const;
    // The entries of the rows and of all rows below them, each once, in list order.
    std::vector<ItemPtr> EntriesUnder(const QList<QTreeWidgetItem*>& rows) const;
    // The nodes of the folder rows and of the user rows that the rows are in or hold.
    std::vector<ItemPtr> FolderNodesOf(const QList<QTreeWidgetItem*>& rows) const;
    std::vector<ItemPtr> UserNodesOf(const QList<QTreeWidgetItem*>& rows) const;

    void SetExpandUsers(bool expand);
    void SetExpandFolders(bool expand);

    // Puts every gathered change into the tree at once (tests; otherwise slices do it).
    void Flush();
    bool HasPendingChanges() const { return !dirty.isEmpty(); }
    // Shows the progress of the running transfers that are on screen.
    void RefreshProgress();

private:
    struct Names
    {
        const char* entry;
        const char* status;
        const char* node;
        const char* folderNode;
        const char* userNode;
        const char* position;
        const char* place;
        const char* order;
    };
    static const Names& NamesOf(Side side);

    void MarkAll();
    void MarkDirty(Item* entry);
    void OnEntryChanged(ConnectionInfo& info);
    void OnEntryRemoved(ItemPtr entry);
    // One slice of the gathered changes (all of them when not sliced).
    void ProcessChanges(bool sliced);
    void Update(ItemPtr entry);
    TransferRow* NewFileRow(ItemPtr entry);
    TransferRow* FindOrAddUserRow(ItemPtr user);
    TransferRow* FindOrAddFolderRow(TransferRow* userRow, ItemPtr folder, const QString& folderText);
    TransferRow* NewRow(TransferRow::Kind kind, const char* nodeType);
    void Attach(TransferRow* parent, TransferRow* child);
    void AttachPending();
    void UpdateGroups();
    void UpdateGroup(TransferRow* group);
    void SortPending();
    // Upload users move when their priority or privilege changes.
    void UpdateUserOrder();
    TransferRow::Numbers UserSortNumbers(ItemPtr user, const TransferRow* userRow) const;
    void ShowStatus(TransferRow* row, const QString& word);
    void ShowRunning(TransferRow* row, ItemPtr entry);
    void ShowStopped(TransferRow* row, const QString& word);
    void ShowProgress(TransferRow* row, bool running);
    void ShowGroupProgress(TransferRow* group);
    void TouchGroups(TransferRow* row);
    bool IsOnScreen(QTreeWidgetItem* row) const;
    void DeleteRow(TransferRow* row);
    // Every file row below the row (the row itself for a file row).
    static void ForEachFileRow(QTreeWidgetItem* row, const std::function<void(TransferRow*)>& visit);

    Side side;
    const Names& names;
    QTreeWidget* tree;
    Type* entryType;
    bool expandUsers = true;
    bool expandFolders = true;
    // Entries whose rows are out of date, and running ones.
    QSet<Item*> dirty;
    QSet<Item*> running;
    // Group rows to sum up again.
    QSet<TransferRow*> dirtyGroups;
    // New rows not yet in the tree, by the row in the tree they go under (top level: null).
    QHash<TransferRow*, QList<QTreeWidgetItem*>> pendingChildren;
    QList<QTreeWidgetItem*> pendingTop;
    QList<TransferRow*> newGroups;
    QSet<TransferRow*> unsorted;
    bool topUnsorted = false;
    QTimer gatherTimer;
    QTimer progressTimer;
};

#endif
