#ifndef STORE_ITEMPTR_H
#define STORE_ITEMPTR_H

#include "store/Value.h"

#include <QMetaType>
#include <QString>

#include <cstdint>
#include <string>

class Item;
class ItemSet;
class Type;
class TypeItemsMap;

// A copyable handle to an item, or null. Handles order and compare by address
// and count nothing: a handle to a removed item dangles, so holders drop their
// handles when told of the removal. A null handle answers every query with
// null, 0 or an empty text.
class ItemPtr
{
public:
    ItemPtr() = default;
    ItemPtr(Item* target)
        : item(target)
    {
    }

    Item* Get() const { return item; }
    Item* operator->() const { return item; }
    bool IsNull() const { return item == nullptr; }
    explicit operator bool() const { return item != nullptr; }

    // Connect and disconnect return `other`.
    ItemPtr Connect(ItemPtr other) const;
    ItemPtr operator+=(ItemPtr other) const { return Connect(other); }
    ItemPtr Disconnect(ItemPtr other) const;
    ItemPtr operator-=(ItemPtr other) const { return Disconnect(other); }
    // Disconnects from every connected item of that type.
    void Disconnect(const char* typeName) const;

    bool IsConnected(ItemPtr other) const;
    bool IsConnected(Type* type) const;
    bool IsConnected(const char* typeName) const;
    bool IsDisconnectedFromAll() const;

    // The first connected item of that type (lowest address), or null.
    ItemPtr GetItem(const char* typeName) const;
    ItemPtr operator[](const char* typeName) const { return GetItem(typeName); }
    ItemPtr HasItem(const char* typeName) const { return GetItem(typeName); }
    // All connected items of that type; throws NotRelatedException when the
    // two types are not related.
    ItemSet GetItems(const char* typeName) const;
    void GetItems(const char* typeName, ItemSet& items) const;
    // Connects an anonymous item of the null type `typeName` (see Item::NewItem).
    ItemPtr NewItem(const char* typeName) const;

    void Remove() const;
    Type* GetType() const;
    const Value& GetValue() const;
    void GetConnectedItems(TypeItemsMap& items) const;

    const std::string& AsStdString() const;
    QString AsString() const;
    int AsInt() const;
    unsigned int AsUInt() const;
    long long AsInt64() const;
    unsigned long long AsUInt64() const;

    friend bool operator<(ItemPtr a, ItemPtr b) { return std::uintptr_t(a.item) < std::uintptr_t(b.item); }
    friend bool operator==(ItemPtr a, ItemPtr b) { return a.item == b.item; }
    friend bool operator!=(ItemPtr a, ItemPtr b) { return a.item != b.item; }

private:
    Item* item = nullptr;
};

Q_DECLARE_METATYPE(ItemPtr)

#endif
