#include "store/ItemSet.h"

#include "store/Data.h"

#include <QString>

#include <algorithm>
#include <functional>
#include <map>

ItemSet::ItemSet(std::initializer_list<ItemPtr> items)
{
    for (ItemPtr item : items)
        Insert(item);
}

ItemSet ItemSet::FromSorted(const std::vector<Item*>& items)
{
    ItemSet set;
    set.members = AddressSet::FromSorted(items.data(), items.size());
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

void ItemSet::Add(const ItemSet& other)
{
    if (Empty()) {
        *this = other;
        return;
    }
    // A few items go in one by one; a larger union is one merge.
    if (other.Size() <= 8) {
        for (Iterator it = other.Begin(); it != other.End(); ++it)
            members.Insert(it.Item());
        return;
    }
    std::vector<Item*> sum;
    sum.reserve(Size() + other.Size());
    Iterator mine = Begin();
    Iterator theirs = other.Begin();
    while (mine != End() && theirs != other.End()) {
        Item* a = mine.Item();
        Item* b = theirs.Item();
        sum.push_back(std::less<Item*>()(b, a) ? b : a);
        if (a == sum.back())
            ++mine;
        if (b == sum.back())
            ++theirs;
    }
    for (; mine != End(); ++mine)
        sum.push_back(mine.Item());
    for (; theirs != other.End(); ++theirs)
        sum.push_back(theirs.Item());
    *this = FromSorted(sum);
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
