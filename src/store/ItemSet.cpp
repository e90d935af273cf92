#include "store/ItemSet.h"

#include "store/Data.h"

#include <QString>

#include <algorithm>
#include <functional>
#include <map>

ItemSet::Iterator::Iterator(Members::const_iterator start, Members::const_iterator end)
    : position(start)
    , last(end)
    , inMembers(position != last)
{
}

ItemSet::Iterator& ItemSet::Iterator::operator++()
{
    if (inMembers) {
        if (++position == last)
            inMembers = false;
    } else {
        single = nullptr;
    }
    return *this;
}

ItemSet::Iterator ItemSet::Iterator::operator++(int)
{
    Iterator before = *this;
    ++*this;
    return before;
}

bool ItemSet::Iterator::operator==(const Iterator& other) const
{
    if (inMembers != other.inMembers)
        return false;
    return inMembers ? position == other.position : single == other.single;
}

ItemSet::ItemSet(ItemPtr item)
    : one(item.Get())
{
}

ItemSet::ItemSet(std::initializer_list<ItemPtr> items)
{
    for (ItemPtr item : items)
        Insert(item);
}

ItemSet::ItemSet(const ItemSet& other)
    : one(other.one)
    , members(other.members ? new Members(*other.members) : nullptr)
{
}

ItemSet::ItemSet(ItemSet&& other) noexcept
    : one(other.one)
    , members(other.members)
{
    other.one = nullptr;
    other.members = nullptr;
}

ItemSet& ItemSet::operator=(const ItemSet& other)
{
    if (this != &other) {
        ItemSet copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ItemSet& ItemSet::operator=(ItemSet&& other) noexcept
{
    if (this != &other) {
        delete members;
        one = other.one;
        members = other.members;
        other.one = nullptr;
        other.members = nullptr;
    }
    return *this;
}

ItemSet::~ItemSet()
{
    delete members;
}

ItemSet ItemSet::FromSorted(const std::vector<Item*>& items)
{
    ItemSet set;
    if (items.size() == 1)
        set.one = items.front();
    else if (items.size() > 1)
        set.members = new Members(items.begin(), items.end());
    return set;
}

std::vector<Item*> ItemSet::ToVector() const
{
    std::vector<Item*> items;
    items.reserve(Size());
    for (Iterator it = Begin(); it != End(); ++it)
        items.push_back(it.Item());
    return items;
}

ItemSet::Iterator ItemSet::Begin() const
{
    return members ? Iterator(members->begin(), members->end()) : Iterator(one);
}

std::size_t ItemSet::Size() const
{
    return members ? members->size() : (one ? 1 : 0);
}

ItemSet::Iterator ItemSet::Find(ItemPtr item) const
{
    if (members)
        return Iterator(members->find(item.Get()), members->end());
    return item.Get() && item.Get() == one ? Iterator(one) : End();
}

bool ItemSet::Contains(ItemPtr item) const
{
    if (members)
        return members->count(item.Get()) != 0;
    return item.Get() && item.Get() == one;
}

ItemPtr ItemSet::First() const
{
    return members ? *members->begin() : one;
}

void ItemSet::Insert(ItemPtr item)
{
    Item* added = item.Get();
    if (!added)
        return;
    // New items usually have the highest address yet: the end hint makes
    // their insertion constant time.
    if (members)
        members->insert(members->end(), added);
    else if (!one)
        one = added;
    else if (one != added) {
        members = new Members{one, added};
        one = nullptr;
    }
}

void ItemSet::Erase(ItemPtr item)
{
    if (members) {
        members->erase(item.Get());
        if (members->size() == 1) {
            one = *members->begin();
            delete members;
            members = nullptr;
        }
    } else if (one == item.Get()) {
        one = nullptr;
    }
}

void ItemSet::Clear()
{
    delete members;
    members = nullptr;
    one = nullptr;
}

void ItemSet::Add(const ItemSet& other)
{
    if (Empty()) {
        *this = other;
        return;
    }
    for (ItemPtr item : other)
        Insert(item);
}

ItemSet ItemSet::operator+(const ItemSet& other) const
{
    ItemSet sum(*this);
    sum.Add(other);
    return sum;
}

template <typename Keep>
ItemSet ItemSet::Filter(Keep keep) const
{
    std::vector<Item*> kept;
    kept.reserve(Size());
    for (Iterator it = Begin(); it != End(); ++it)
        if (keep(it.Item()))
            kept.push_back(it.Item());
    return FromSorted(kept);
}

ItemSet ItemSet::Common(const ItemSet& other) const
{
    if (other.Size() < Size())
        return other.Common(*this);
    return Filter([&other](Item* item) { return other.Contains(item); });
}

ItemSet ItemSet::Connected(ItemPtr item) const
{
    if (!item)
        return ItemSet();
    return Filter([item](Item* member) { return member->IsConnected(item.Get()); });
}

ItemSet ItemSet::NotConnected(ItemPtr item) const
{
    if (!item)
        return *this;
    return Filter([item](Item* member) { return !member->IsConnected(item.Get()); });
}

namespace {

bool ConnectedToAny(const Item* member, const ItemSet& items)
{
    for (const TypeItemsMap::Entry& entry : member->Connections())
        for (ItemPtr connected : entry.Set())
            if (items.Contains(connected))
                return true;
    return false;
}

} // namespace

ItemSet ItemSet::Connected(const ItemSet& items) const
{
    if (items.Empty())
        return ItemSet();
    return Filter([&items](Item* member) { return ConnectedToAny(member, items); });
}

ItemSet ItemSet::NotConnected(const ItemSet& items) const
{
    if (items.Empty())
        return *this;
    return Filter([&items](Item* member) { return !ConnectedToAny(member, items); });
}

ItemSet ItemSet::Connected(const char* typeName) const
{
    Type* type = d.GetType(typeName);
    return Filter([type](Item* member) { return member->IsConnected(type); });
}

ItemSet ItemSet::NotConnected(const char* typeName) const
{
    Type* type = d.GetType(typeName);
    return Filter([type](Item* member) { return !member->IsConnected(type); });
}

ItemSet ItemSet::Connected(const char* typeName, const Value& value) const
{
    return Connected(i(typeName, value).First());
}

ItemSet ItemSet::NotConnected(const char* typeName, const Value& value) const
{
    return NotConnected(i(typeName, value).First());
}

ItemSet ItemSet::GetItems(const char* typeName) const
{
    Type* type = d.GetType(typeName);
    std::vector<Item*> found;
    for (Iterator it = Begin(); it != End(); ++it) {
        Item* member = it.Item();
        if (!member->GetType()->IsRelated(type))
            throw new NotRelatedException(member->GetType()->GetName() + " is not related to " + type->GetName());
        if (const ItemSet* connected = member->ConnectedSet(type))
            for (Iterator c = connected->Begin(); c != connected->End(); ++c)
                found.push_back(c.Item());
    }
    std::sort(found.begin(), found.end(), std::less<Item*>());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return FromSorted(found);
}

void ItemSet::Remove() const
{
    if (!Empty())
        First()->GetType()->GetData()->RemoveItems(ToVector());
}

void ItemSet::Disconnect(const char* typeName) const
{
    Type* type = d.GetType(typeName);
    d.ForEachPresent(ToVector(), [type](Item* item) { item->Disconnect(type); });
}

namespace {

// Walks the key groups in ascending order, members of a group in address
// order; descending builds the exact reverse.
template <typename Key>
std::list<ItemPtr> Flatten(const std::map<Key, std::vector<Item*>>& groups, bool ascending)
{
    std::list<ItemPtr> sorted;
    for (const auto& group : groups)
        for (Item* item : group.second) {
            if (ascending)
                sorted.push_back(item);
            else
                sorted.push_front(item);
        }
    return sorted;
}

long long NumericKey(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), int(bytes.size())).toLongLong();
}

} // namespace

std::list<ItemPtr> ItemSet::SortAlphabetic(bool ascending) const
{
    std::map<QString, std::vector<Item*>> groups;
    for (ItemPtr item : *this)
        groups[item.AsString()].push_back(item.Get());
    return Flatten(groups, ascending);
}

std::list<ItemPtr> ItemSet::SortNumeric(bool ascending) const
{
    std::map<long long, std::vector<Item*>> groups;
    for (ItemPtr item : *this)
        groups[NumericKey(item.AsStdString())].push_back(item.Get());
    return Flatten(groups, ascending);
}

std::list<ItemPtr> ItemSet::SortAlphabeticBy(const char* typeName, bool ascending, bool caseSensitive) const
{
    Type* type = d.GetType(typeName);
    std::map<QString, std::vector<Item*>> groups;
    for (ItemPtr item : *this) {
        const ItemPtr key = item->GetItem(type);
        if (!key)
            continue;
        groups[caseSensitive ? key.AsString() : key.AsString().toLower()].push_back(item.Get());
    }
    return Flatten(groups, ascending);
}

std::list<ItemPtr> ItemSet::SortNumericBy(const char* typeName, bool ascending) const
{
    Type* type = d.GetType(typeName);
    std::map<long long, std::vector<Item*>> groups;
    for (ItemPtr item : *this) {
        const ItemPtr key = item->GetItem(type);
        if (key)
            groups[NumericKey(key.AsStdString())].push_back(item.Get());
    }
    return Flatten(groups, ascending);
}

bool operator==(const ItemSet& a, const ItemSet& b)
{
    return a.Size() == b.Size() && std::equal(a.begin(), a.end(), b.begin());
}

namespace {

struct EntryTypeLess
{
    bool operator()(const TypeItemsMap::Entry& entry, Type* type) const
    {
        return std::less<Type*>()(entry.GetType(), type);
    }
};

} // namespace

TypeItemsMap::Entries::iterator TypeItemsMap::LowerBound(Type* type)
{
    return std::lower_bound(entries.begin(), entries.end(), type, EntryTypeLess());
}

TypeItemsMap::Entries::const_iterator TypeItemsMap::LowerBound(Type* type) const
{
    return std::lower_bound(entries.begin(), entries.end(), type, EntryTypeLess());
}

ItemSet& TypeItemsMap::operator[](Type* type)
{
    auto it = LowerBound(type);
    if (it == entries.end() || it->GetType() != type)
        it = entries.emplace(it, type);
    return it->Set();
}

void TypeItemsMap::Erase(Type* type)
{
    auto it = LowerBound(type);
    if (it != entries.end() && it->GetType() == type)
        entries.erase(it);
}

ItemSet* TypeItemsMap::Find(Type* type)
{
    auto it = LowerBound(type);
    return it != entries.end() && it->GetType() == type ? &it->Set() : nullptr;
}

const ItemSet* TypeItemsMap::Find(Type* type) const
{
    auto it = LowerBound(type);
    return it != entries.end() && it->GetType() == type ? &it->Set() : nullptr;
}
