#ifndef STORE_ITEM_H
#define STORE_ITEM_H

#include "store/Events.h"
#include "store/ItemPtr.h"
#include "store/ItemSet.h"
#include "store/Value.h"

class Data;
class Type;

// A node of the graph: its type, its value and its connections. Items are
// owned by their type, created through Type and deleted by Remove().
class Item
{
public:
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    Type* GetType() const { return type; }
    const Value& GetValue() const { return value; }
    const TypeItemsMap& Connections() const { return connections; }
    void GetConnectedItems(TypeItemsMap& items) const { items = connections; }

    // Connecting replaces the earlier partner at an end that allows only one
    // (its disconnection is notified first); connecting connected items
    // changes and notifies nothing. Both return `other`.
    Item* Connect(Item* other);
    // Disconnecting items that are not connected notifies nothing.
    Item* Disconnect(Item* other);
    void Disconnect(Type* type);
    void Disconnect(const char* typeName);

    bool IsConnected(const Item* other) const;
    bool IsConnected(Type* type) const;
    bool IsConnected(const char* typeName) const;
    bool IsDisconnectedFromAll() const { return connections.Empty(); }

    Item* GetItem(Type* type) const;
    Item* GetItem(const char* typeName) const;
    // Throws NotRelatedException when the types are not related.
    void GetItems(Type* type, ItemSet& items) const;
    void GetItems(const char* typeName, ItemSet& items) const;
    // The connected items of that type, or null when there are none.
    const ItemSet* ConnectedSet(Type* farType) const { return connections.Find(farType); }

    // For a null type: a new anonymous item when this item may have many of
    // them; otherwise the one already connected, else the type's global null
    // item when that may serve many items of this type, else a new one.
    Item* NewItem(const char* typeName);

    // Notifies the removal while still connected, then disconnects (with
    // notifications) and deletes the item.
    void Remove();

private:
    friend class Type;
    friend class Data;
    Item(Type* itemType, Value itemValue)
        : type(itemType)
        , value(std::move(itemValue))
    {
    }
    ~Item() = default;

    // The change's events at this end, the store's, the far end's, then the
    // pair handlers.
    void Announce(Event<ConnectionInfo> Type::*typeEvent, Event<ConnectionInfo> Data::*storeEvent,
                  void (Data::*pairHandlers)(Item*, Item*), Item* other);
    void Link(Item* other);
    bool Unlink(Item* other);

    Type* type;
    Value value;
    TypeItemsMap connections;
};

#endif
