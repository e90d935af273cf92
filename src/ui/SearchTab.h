#ifndef UI_SEARCHTAB_H
#define UI_SEARCHTAB_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QIcon>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <memory>
#include <unordered_set>
#include <vector>

class FilterBox;
class QAction;
class QLabel;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class SearchResultList;
class SearchResultRow;

// One search in a tab of its own: the results of every user who replied,
// ordered, filtered and downloaded from. Replies are taken in slices on the
// event loop, so that a flood of them never holds the window up, and at most
// MaxShownResults are shown; further ones are counted and dropped from the
// graph, so that a flood cannot exhaust memory either.
//
// A wish-list tab gathers every run of one wish (each run is a search of its
// own); stopping or closing it stops those runs.
class SearchTab : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    static constexpr int MaxShownResults = 20000;
    // The longest a slice of new rows keeps the event loop, before sorting.
    static constexpr int SliceMs = 8;

    enum class Scope
    {
        All,
        UserList,
        Room,
        WishList,
    };

    // Declares the tab's own item type and its settings.
    static void DeclareTypes();
    static QIcon ScopeIcon(Scope scope);

    SearchTab(const QString& text, Scope scope, int maxShown = MaxShownResults, QWidget* parent = nullptr);
    // Stops the search and drops its results from the graph.
    ~SearchTab() override;

    const QString& Text() const { return text; }
    Scope GetScope() const { return scope; }
    // The tab's title: the text and the count of results.
    QString Title() const;

    // Results of this search come as replies to the request (one per run of a wish).
    void AddRequest(ItemPtr request);
    bool HasRequest(ItemPtr request) const;
    // Takes a reply (a "search_results" item of one of the requests).
    void Enqueue(ItemPtr results);
    bool HasPending() const { return !pending.empty() || !current.empty(); }
    // Takes every reply waiting now at once (for tests and measurements).
    void Flush();

    bool IsStopped() const { return stopped; }
    void SetFilter(const QString& text);

    QTreeWidget* Tree() const { return tree; }
    FilterBox* Filter() const { return filterBox; }
    QLabel* CountLabel() const { return countLabel; }
    QToolBar* ToolBar() const { return toolBar; }
    const SearchResultList& Results() const { return *list; }
    int NotShownCount() const { return notShown; }
    // The tab's settings on its "search_results_widget" item ("yes" or not).
    bool Flag(const char* name) const;

    // Queues the files of these rows (file or flat rows), each on its own.
    void DownloadFiles(const QList<SearchResultRow*>& rows);
    // Queues every file of the row's folder from the row's user, as a folder.
    void DownloadFolder(const SearchResultRow* row);

signals:
    void BrowseRequested(QString user, QString folder);
    void ChatRequested(QString user);
    void TitleChanged();

public slots:
    void Stop();
    void ToggleOrderByAvailable();
    void ToggleOrderByFastest();
    void ToggleExpandUsers();
    void ToggleExpandFolders();
    void RemoveFromWishList();

private slots:
    void ProcessPending();
    void OnSortIndicatorChanged(int column, Qt::SortOrder order);
    void OnContextMenu(const QPoint& position);
    void OnItemDoubleClicked(QTreeWidgetItem* item);

private:
    void BuildToolBar();
    void SetFlag(const char* name, bool on);
    void ShowFlags();
    void ShowCounts();
    // Takes the next reply's results as the current one.
    bool TakeNextReply();
    void DropExcess();
    void OnResultRemoved(ItemPtr result);
    void OnResultsRemoved(ItemPtr results);
    static QString UserOf(const SearchResultRow* row);

    QString text;
    Scope scope;
    // What the last download action queued, shown below the count.
    QString queuedNote;
    ItemPtr widgetItem;
    std::vector<ItemPtr> requests;
    bool stopped = false;
    bool flat;

    QToolBar* toolBar;
    FilterBox* filterBox;
    QLabel* countLabel;
    QTreeWidget* tree;
    std::unique_ptr<SearchResultList> list;

    // Replies waiting, and the live ones among them.
    std::deque<Item*> pending;
    std::unordered_set<Item*> livePending;
    // The reply being taken: its user's standing and the results not yet taken.
    ItemPtr currentReply;
    std::vector<Item*> current;
    std::unordered_set<Item*> liveCurrent;
    // Results beyond the limit, removed from the graph after the slice.
    std::vector<ItemPtr> excess;
    int maxShown;
    int notShown = 0;
    QTimer slice;
};

#endif
