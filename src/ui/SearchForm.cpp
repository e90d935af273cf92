#include "ui/SearchForm.h"

#include "peer/PeerMessenger.h"
#include "search/WishListSearcher.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/RelatedTermsView.h"
#include "ui/SearchIcons.h"
#include "ui/SearchScopeChooser.h"
#include "ui/WishListView.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

void SearchForm::DeclareTypes()
{
    SearchTab::DeclareTypes();
    d.NewType("saved_filter", Primary, false, true);
    dataSaver->AddSavedType("saved_filter");
}

SearchForm::SearchForm(QWidget* parent)
    : QWidget(parent)
    , input(new QLineEdit)
    , scopes(new SearchScopeChooser)
    , tabs(new QTabWidget)
    , wishList(new WishListView)
    , related(new RelatedTermsView)
{
    input->setObjectName("search_input");
    input->setPlaceholderText("Search for files: words, \"a phrase\", -excluded, *part");
    input->setClearButtonEnabled(true);
    auto* search = new QPushButton(SearchIcon(), "Search");
    search->setObjectName("search_button");
    auto* wish = new QPushButton(WishListIcon(), "Add to Wish List");
    wish->setObjectName("add_to_wish_list");
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(input, 1);
    searchRow->addWidget(scopes);
    searchRow->addWidget(search);
    searchRow->addWidget(wish);

    tabs->setObjectName("search_tabs");
    tabs->setDocumentMode(true);
    tabs->setTabsClosable(true);
    tabs->setMovable(true);
    tabs->addTab(wishList, WishListIcon(), "Wish List");
    tabs->tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);
    tabs->tabBar()->setTabButton(0, QTabBar::LeftSide, nullptr);
    auto* splitter = new QSplitter;
    splitter->addWidget(tabs);
    splitter->addWidget(related);
    splitter->setStretchFactor(0, 1);
    splitter->setCollapsible(0, false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(splitter, 1);

    connect(input, &QLineEdit::returnPressed, this, &SearchForm::SearchInput);
    connect(search, &QPushButton::clicked, this, &SearchForm::SearchInput);
    connect(wish, &QPushButton::clicked, this, &SearchForm::AddInputToWishList);
    connect(tabs, &QTabWidget::tabCloseRequested, this, [this](int index) {
        if (auto* tab = qobject_cast<SearchTab*>(tabs->widget(index)))
            CloseTab(tab);
    });
    connect(tabs, &QTabWidget::currentChanged, this, &SearchForm::ShowRelatedTerms);
    connect(wishList, &WishListView::OpenRequested, this, [this](const QString& text) { OpenWishTab(text, true); });
    connect(related, &RelatedTermsView::TermChosen, this,
            [this](const QString& term) { StartSearch(term, SearchScopeChooser::All); });

    if (gp_server) {
        connect(gp_server, &Server::SearchRequested, this, &SearchForm::OnSearchRequested);
        connect(gp_server, &Server::SearchCorrelations, this, &SearchForm::OnSearchCorrelations);
    }
    if (peerMessenger)
        connect(peerMessenger, &PeerMessenger::SearchResults, this, &SearchForm::OnSearchResults);
    d.GetType("search_request")
        ->itemRemoved.Add(AddDataHandler(new EventHandler<SearchForm, ItemPtr>(this, &SearchForm::OnRequestRemoved)));
}

SearchForm::~SearchForm()
{
    RemoveDataHandlers();
}

SearchTab* SearchForm::StartSearch(const QString& text, const QString& scope)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || !gp_server)
        return nullptr;
    const QString room = SearchScopeChooser::RoomOf(scope);
    SearchTab::Scope kind;
    unsigned int token;
    starting = true;
    if (scope == QLatin1String(SearchScopeChooser::All)) {
        kind = SearchTab::Scope::All;
        token = gp_server->FileSearch(trimmed, false);
        gp_server->GetSearchCorrelations(trimmed);
    } else if (scope == QLatin1String(SearchScopeChooser::UserList)) {
        kind = SearchTab::Scope::UserList;
        token = gp_server->SearchUserList(trimmed);
    } else if (!room.isEmpty()) {
        kind = SearchTab::Scope::Room;
        token = gp_server->SearchRoom(room, trimmed);
    } else {
        starting = false;
        return nullptr;
    }
    starting = false;
    auto* tab = new SearchTab(trimmed, kind);
    Track(tab, d.GetType("search_request")->HasItem(Value(token)));
    AddTab(tab, true);
    return tab;
}

void SearchForm::SearchInput()
{
    if (StartSearch(input->text(), scopes->currentText()))
        input->clear();
}

void SearchForm::AddInputToWishList()
{
    if (!wishListSearcher)
        return;
    const ItemPtr wish = wishListSearcher->AddWish(input->text());
    if (!wish)
        return;
    OpenWishTab(wish.AsString(), true);
    input->clear();
}

SearchTab* SearchForm::OpenWishTab(const QString& text, bool bringToFront)
{
    SearchTab* tab = wishTabs.value(text);
    if (!tab) {
        tab = new SearchTab(text, SearchTab::Scope::WishList);
        wishTabs.insert(text, tab);
        AddTab(tab, bringToFront);
    } else if (bringToFront) {
        tabs->setCurrentWidget(tab);
    }
    return tab;
}

void SearchForm::AddTab(SearchTab* tab, bool bringToFront)
{
    const int index = tabs->addTab(tab, SearchTab::ScopeIcon(tab->GetScope()), tab->Title());
    tabs->setTabToolTip(index, tab->Text());
    connect(tab, &SearchTab::TitleChanged, this, [this, tab] { tabs->setTabText(tabs->indexOf(tab), tab->Title()); });
    connect(tab, &SearchTab::BrowseRequested, this, &SearchForm::BrowseRequested);
    connect(tab, &SearchTab::ChatRequested, this, &SearchForm::ChatRequested);
    if (bringToFront)
        tabs->setCurrentIndex(index);
}

void SearchForm::Track(SearchTab* tab, ItemPtr request)
{
    if (!request)
        return;
    tab->AddRequest(request);
    tabsByRequest.insert(request.Get(), tab);
}

void SearchForm::CloseTab(SearchTab* tab)
{
    for (auto entry = tabsByRequest.begin(); entry != tabsByRequest.end();)
        entry = entry.value() == tab ? tabsByRequest.erase(entry) : std::next(entry);
    if (wishTabs.value(tab->Text()) == tab)
        wishTabs.remove(tab->Text());
    delete tab;
}

SearchTab* SearchForm::CurrentTab() const
{
    return qobject_cast<SearchTab*>(tabs->currentWidget());
}

void SearchForm::OnSearchRequested(unsigned int token, QString text, bool isWishSearch)
{
    if (starting)
        return;
    const ItemPtr request = d.GetType("search_request")->HasItem(Value(token));
    if (isWishSearch) {
        // Later runs of a wish whose tab is open go to that tab.
        if (SearchTab* tab = wishTabs.value(text))
            Track(tab, request);
        return;
    }
    // A search started elsewhere (a download's search run again).
    auto* tab = new SearchTab(text, SearchTab::Scope::All);
    Track(tab, request);
    AddTab(tab, true);
}

void SearchForm::OnSearchResults(ItemPtr results)
{
    const ItemPtr request = results.GetItem("search_request");
    SearchTab* tab = tabsByRequest.value(request.Get());
    if (!tab && request.IsConnected("wishlist_search")) {
        tab = OpenWishTab(request.GetItem("search_request_text").AsString(), false);
        Track(tab, request);
    }
    if (tab)
        tab->Enqueue(results);
}

void SearchForm::OnRequestRemoved(ItemPtr request)
{
    tabsByRequest.remove(request.Get());
}

void SearchForm::OnSearchCorrelations(QString term)
{
    const SearchTab* tab = CurrentTab();
    if (tab && tab->Text() == term)
        ShowRelatedTerms();
}

void SearchForm::ShowRelatedTerms()
{
    const SearchTab* tab = CurrentTab();
    related->ShowTerms(tab && tab->GetScope() == SearchTab::Scope::All ? tab->Text() : QString());
}
