#include "search/WishListSearcher.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"

#include <algorithm>
#include <iterator>
#include <limits>

WishListSearcher* wishListSearcher = nullptr;

namespace {
const char* const WishType = "wish_list_item";
const char* const EnabledType = "wish_list_item_enabled";
const char* const WaitSetting = "wish_list_wait";
const char* const IndexSetting = "wish_list_search_index";

void DeclareWishListTypes()
{
    Type* wish = d.NewType(WishType, Primary, false, true);
    Type* enabled = d.NewType(EnabledType, Tertiary, true, true);
    wish->RelateToType(enabled, Many, One, false);
    dataSaver->AddSavedType(WishType);
    dataSaver->AddSavedType(EnabledType);
}
} // namespace

WishListSearcher::WishListSearcher(QObject* parent, int secondLengthMs)
    : QObject(parent)
    , timer(this)
    , secondMs(secondLengthMs)
{
    wishListSearcher = this;
    DeclareWishListTypes();
    connect(gp_server, &Server::WishListWait, this, &WishListSearcher::OnWishListWait);
    connect(&timer, &QTimer::timeout, this, &WishListSearcher::OnSearchTimerTimeout);
    SetVolatileSetting(IndexSetting, "0");
}

WishListSearcher::~WishListSearcher()
{
    if (wishListSearcher == this)
        wishListSearcher = nullptr;
}

ItemPtr WishListSearcher::AddWish(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return ItemPtr();
    ItemPtr wish = d.GetType(WishType)->GetItem(Value(trimmed));
    wish += d.GetType(EnabledType)->GetGlobalNullItem();
    return wish;
}

void WishListSearcher::SetWishEnabled(const QString& text, bool enabled)
{
    const ItemPtr wish = FindWish(text);
    if (wish.IsNull())
        return;
    if (enabled)
        wish += d.GetType(EnabledType)->GetGlobalNullItem();
    else
        wish.Disconnect(EnabledType);
}

void WishListSearcher::RemoveWish(const QString& text)
{
    const ItemPtr wish = FindWish(text);
    if (!wish.IsNull())
        wish.Remove();
}

ItemPtr WishListSearcher::FindWish(const QString& text)
{
    return d.GetType(WishType)->HasItem(Value(text.trimmed()));
}

std::list<ItemPtr> WishListSearcher::EnabledWishes()
{
    return g(WishType).Connected(EnabledType).SortAlphabetic(true);
}

void WishListSearcher::OnWishListWait(unsigned int seconds)
{
    SetVolatileSetting(WaitSetting, QString::number(seconds));
    timer.stop();
    // A zero interval would search on every pass of the event loop, and a
    // long one must not wrap around in the timer's int.
    const qint64 periodMs = std::clamp<qint64>(qint64(seconds) * secondMs, secondMs, std::numeric_limits<int>::max());
    Log("Wish List", 1, QString("Wish list wait period set to %1 milliseconds").arg(periodMs), ItemPtr());
    timer.start(int(periodMs));
}

void WishListSearcher::OnSearchTimerTimeout()
{
    // A search the session would drop is not started: no record of a search
    // that never went out, and the wish keeps its turn for the next login.
    if (!gp_server || !gp_server->IsConnected())
        return;
    const std::list<ItemPtr> wishes = EnabledWishes();
    if (wishes.empty())
        return;
    const int count = int(wishes.size());
    const int index = std::max(0, GetVolatileSetting(IndexSetting).toInt());
    const QString text = std::next(wishes.begin(), index % count)->AsString();
    gp_server->FileSearch(text, true);
    Log("Wish List", 1, QString("Sent wish list search: %1").arg(text), ItemPtr());
    SetVolatileSetting(IndexSetting, QString::number(index + 1 < count ? index + 1 : 0));
}
