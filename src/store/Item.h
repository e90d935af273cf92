#ifndef STORE_ITEM_H
#define STORE_ITEM_H

#include "store/Events.h"
#include "store/ItemPtr.h"
#include "store/ItemSet.h"
#include "store/Value.h"

#include <cstdint>

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
    // The empty value for an item of a null type.
    const Value& GetValue() const;
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
    friend class ItemMarks;
    friend class ValueIndex;
    struct WithValue;

    explicit Item(Type* itemType)
        : type(itemType)
    {
    }
    ~Item() = default;
    // Items of a null type have no room for a value: most items of a large
    // graph are such anonymous items (shared files, flags).
    static Item* Create(Type* type, Value value, std::uint32_t valueHash);
    static void Destroy(Item* item);

    // The change's events at this end, the store's, the far end's, then the
    // pair handlers.
    void Announce(Event<ConnectionInfo> Type::*typeEvent, Event<ConnectionInfo> Data::*storeEvent,
                  void (Data::*pairHandlers)(Item*, Item*), Item* other);
    void Link(Item* other);
    bool Unlink(Item* other);

    Type* type;
    // The hash of the value, for the type's index.
    std::uint32_t valueHash = 0;
    // Scratch space for walks over many items (the saver's ids): zero
    // outside of such a walk.
    std::uint32_t mark = 0;
    TypeItemsMap connections;
};

struct Item::WithValue final : Item
{
    WithValue(Type* itemType, Value itemValue)
        : Item(itemType)
        , value(std::move(itemValue))
    {
    }
    Value value;
};

#endif
