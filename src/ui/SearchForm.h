#ifndef UI_SEARCHFORM_H
#define UI_SEARCHFORM_H

#include "store/Events.h"
#include "store/ItemPtr.h"
#include "ui/SearchTab.h"

#include <QHash>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QTabWidget;
class RelatedTermsView;
class SearchScopeChooser;
class WishListView;

// The "Search" tab: the search line with its scope, a tab per search (the
// wish list first), and the related terms of the current search. Results
// reach the tab of their search from the peer network; wish-list searches
// open the tab of their wish when their first results come.
class SearchForm : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    // Declares the types of the search tabs and the saved filters.
    static void DeclareTypes();

    explicit SearchForm(QWidget* parent = nullptr);
    ~SearchForm() override;

    // Starts a search of the trimmed text in the scope (an entry of the scope
    // chooser) and opens its tab; null for an empty text or an unknown scope.
    SearchTab* StartSearch(const QString& text, const QString& scope);
    // The tab of a wish, opened when there is none; brought to the front when asked.
    SearchTab* OpenWishTab(const QString& wish, bool bringToFront);

    SearchTab* FindTab(ItemPtr request) const { return tabsByRequest.value(request.Get()); }
    SearchTab* FindWishTab(const QString& wish) const { return wishTabs.value(wish); }
    SearchTab* CurrentTab() const;
    void CloseTab(SearchTab* tab);

    QLineEdit* Input() const { return input; }
    SearchScopeChooser* Scopes() const { return scopes; }
    QTabWidget* Tabs() const { return tabs; }
    WishListView* WishList() const { return wishList; }
    RelatedTermsView* RelatedTerms() const { return related; }

signals:
    void BrowseRequested(QString user, QString folder);
    void ChatRequested(QString user);

public slots:
    void OnSearchResults(ItemPtr results);
    void OnSearchRequested(unsigned int token, QString text, bool isWishSearch);
    void OnSearchCorrelations(QString term);
    void SearchInput();
    void AddInputToWishList();

private:
    void AddTab(SearchTab* tab, bool bringToFront);
    void Track(SearchTab* tab, ItemPtr request);
    void OnRequestRemoved(ItemPtr request);
    void ShowRelatedTerms();

    QLineEdit* input;
    SearchScopeChooser* scopes;
    QTabWidget* tabs;
    WishListView* wishList;
    RelatedTermsView* related;
    QHash<Item*, SearchTab*> tabsByRequest;
    QHash<QString, SearchTab*> wishTabs;
    // Set while this form starts a search, which opens its own tab.
    bool starting = false;
};

#endif
