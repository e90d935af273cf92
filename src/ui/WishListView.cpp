#include "ui/WishListView.h"

#include "search/WishListSearcher.h"
#include "store/Data.h"
#include "ui/SearchIcons.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const char* const WishType = "wish_list_item";
const char* const EnabledType = "wish_list_item_enabled";
} // namespace

WishListView::WishListView(QWidget* parent)
    : QWidget(parent)
    , list(new QTreeWidget)
    , entry(new QLineEdit)
{
    list->setObjectName("wish_list");
    list->setHeaderLabels({"Wish"});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    entry->setObjectName("wish_entry");
    entry->setPlaceholderText("Text to search for again and again");
    auto* add = new QPushButton("Add to Wish List");
    add->setObjectName("add_wish");
    auto* remove = new QPushButton("Remove from Wish List");
    remove->setObjectName("remove_wishes");

    auto* note = new QLabel("The network is searched for one checked wish at a time, at the interval the server "
                            "sets; results open a tab of their own. Uncheck a wish to pause it.");
    note->setWordWrap(true);
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(entry, 1);
    addRow->addWidget(add);
    addRow->addWidget(remove);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(addRow);
    layout->addWidget(list, 1);

    connect(add, &QPushButton::clicked, this, &WishListView::AddWish);
    connect(entry, &QLineEdit::returnPressed, this, &WishListView::AddWish);
    connect(remove, &QPushButton::clicked, this, &WishListView::RemoveSelected);
    connect(list, &QTreeWidget::itemChanged, this, &WishListView::OnItemChanged);
    connect(list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { emit OpenRequested(item->text(0)); });

    Type* wish = d.GetType(WishType);
    wish->itemCreated.Add(AddDataHandler(new EventHandler<WishListView, ItemPtr>(this, &WishListView::OnWishChanged)));
    wish->itemRemoved.Add(AddDataHandler(new EventHandler<WishListView, ItemPtr>(this, &WishListView::OnWishChanged)));
    for (PathNodeRelation relation : {PathOnConnect, PathOnDisconnect}) {
        auto* root = new PathNode(&d, WishType);
        new PathNode(root, EnabledType, relation);
        d.AddPathEventHandler(
            root, AddDataHandler(new EventHandler<WishListView, ItemPtr>(this, &WishListView::OnWishChanged)));
    }
    Refresh();
}

WishListView::~WishListView()
{
    RemoveDataHandlers();
}

void WishListView::AddWish()
{
    if (wishListSearcher && wishListSearcher->AddWish(entry->text()))
        entry->clear();
}

void WishListView::RemoveSelected()
{
    if (!wishListSearcher)
        return;
    for (QTreeWidgetItem* item : list->selectedItems())
        wishListSearcher->RemoveWish(item->text(0));
}

void WishListView::OnWishChanged(ItemPtr)
{
    // A removed wish is still in the store while its removal is announced.
    if (refreshPending)
        return;
    refreshPending = true;
    QTimer::singleShot(0, this, &WishListView::Refresh);
}

void WishListView::Refresh()
{
    refreshPending = false;
    const QSignalBlocker blocker(list);
    list->clear();
    for (ItemPtr wish : g(WishType).SortAlphabetic(true)) {
        auto* item = new QTreeWidgetItem(list, {wish.AsString()});
        item->setIcon(0, WishListIcon());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, wish.IsConnected(EnabledType) ? Qt::Checked : Qt::Unchecked);
    }
}

void WishListView::OnItemChanged(QTreeWidgetItem* item, int)
{
    if (wishListSearcher)
        wishListSearcher->SetWishEnabled(item->text(0), item->checkState(0) == Qt::Checked);
}
