#include "ui/SearchScopeChooser.h"

#include "store/Data.h"
#include "ui/ChatIcons.h"
#include "ui/SearchIcons.h"

namespace {
// The rooms follow the two fixed entries.
constexpr int FirstRoom = 2;

void WatchInRoom(DataHandler* owner, PathNodeRelation relation, EventHandlerBase<ItemPtr>* handler)
{
    auto* root = new PathNode(&d, "room");
    new PathNode(root, "in_room", relation);
    d.AddPathEventHandler(root, owner->AddDataHandler(handler));
}
} // namespace

SearchScopeChooser::SearchScopeChooser(QWidget* parent)
    : QComboBox(parent)
{
    setObjectName("search_scope");
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    addItem(SearchIcon(), All);
    addItem(UserListIcon(), UserList);
    for (ItemPtr room : g("room").Connected("in_room").SortAlphabetic(true))
        OnRoomEntered(room);
    WatchInRoom(this, PathOnConnect,
                new EventHandler<SearchScopeChooser, ItemPtr>(this, &SearchScopeChooser::OnRoomEntered));
    WatchInRoom(this, PathOnDisconnect,
                new EventHandler<SearchScopeChooser, ItemPtr>(this, &SearchScopeChooser::OnRoomLeft));
}

SearchScopeChooser::~SearchScopeChooser()
{
    RemoveDataHandlers();
}

QString SearchScopeChooser::RoomOf(const QString& scope)
{
    return scope.startsWith(QLatin1String(RoomPrefix)) ? scope.mid(int(qstrlen(RoomPrefix))) : QString();
}

void SearchScopeChooser::OnRoomEntered(ItemPtr room)
{
    const QString entry = RoomPrefix + room.AsString();
    if (findText(entry) >= 0)
        return;
    int index = FirstRoom;
    while (index < count() && itemText(index).compare(entry, Qt::CaseInsensitive) < 0)
        ++index;
    insertItem(index, RoomIcon(), entry);
}

void SearchScopeChooser::OnRoomLeft(ItemPtr room)
{
    const int index = findText(RoomPrefix + room.AsString());
    if (index >= FirstRoom)
        removeItem(index);
}
