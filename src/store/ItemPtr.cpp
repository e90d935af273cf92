#include "store/ItemPtr.h"

#include "store/Item.h"
#include "store/ItemSet.h"
#include "store/TextDecoding.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

const Value emptyValue;

// The whole text as a base-10 number, or 0 when it is not one.
template <typename Number, typename Parse>
Number ParseDecimal(const std::string& text, Parse parse)
{
    if (text.empty())
        return 0;
    char* end = nullptr;
    errno = 0;
    const auto number = parse(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size())
        return 0;
    return Number(number);
}

} // namespace

ItemPtr ItemPtr::Connect(ItemPtr other) const
{
    if (item && other.item)
        item->Connect(other.item);
    return other;
}

ItemPtr ItemPtr::Disconnect(ItemPtr other) const
{
    if (item && other.item)
        item->Disconnect(other.item);
    return other;
}

void ItemPtr::Disconnect(const char* typeName) const
{
    if (item)
        item->Disconnect(typeName);
}

bool ItemPtr::IsConnected(ItemPtr other) const
{
    return item && other.item && item->IsConnected(other.item);
}

bool ItemPtr::IsConnected(Type* type) const
{
    return item && item->IsConnected(type);
}

bool ItemPtr::IsConnected(const char* typeName) const
{
    return item && item->IsConnected(typeName);
}

bool ItemPtr::IsDisconnectedFromAll() const
{
    return !item || item->IsDisconnectedFromAll();
}

ItemPtr ItemPtr::GetItem(const char* typeName) const
{
    return item ? item->GetItem(typeName) : nullptr;
}

ItemSet ItemPtr::GetItems(const char* typeName) const
{
    ItemSet items;
    GetItems(typeName, items);
    return items;
}

void ItemPtr::GetItems(const char* typeName, ItemSet& items) const
{
    if (item)
        item->GetItems(typeName, items);
    else
        items.Clear();
}

ItemPtr ItemPtr::NewItem(const char* typeName) const
{
    return item ? item->NewItem(typeName) : nullptr;
}

void ItemPtr::Remove() const
{
    if (item)
        item->Remove();
}

Type* ItemPtr::GetType() const
{
    return item ? item->GetType() : nullptr;
}

const Value& ItemPtr::GetValue() const
{
    return item ? item->GetValue() : emptyValue;
}

void ItemPtr::GetConnectedItems(TypeItemsMap& items) const
{
    if (item)
        item->GetConnectedItems(items);
    else
        items.Clear();
}

const std::string& ItemPtr::AsStdString() const
{
    return GetValue().Bytes();
}

QString ItemPtr::AsString() const
{
    return item ? ToQString(item->GetValue().Bytes()) : QString();
}

int ItemPtr::AsInt() const
{
    const long long number = AsInt64();
    return number < INT_MIN || number > INT_MAX ? 0 : int(number);
}

unsigned int ItemPtr::AsUInt() const
{
    const unsigned long long number = AsUInt64();
    return number > UINT_MAX ? 0 : unsigned(number);
}

long long ItemPtr::AsInt64() const
{
    return ParseDecimal<long long>(AsStdString(), std::strtoll);
}

unsigned long long ItemPtr::AsUInt64() const
{
    const std::string& text = AsStdString();
    // strtoull would silently wrap a negative number around.
    if (!text.empty() && text[0] == '-')
        return 0;
    return ParseDecimal<unsigned long long>(text, std::strtoull);
}
