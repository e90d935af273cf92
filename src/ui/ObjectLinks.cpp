#include "ui/ObjectLinks.h"

#include "store/Data.h"

namespace ObjectLinks {

void DeclareLinkType(const char* linkType, std::initializer_list<const char*> ownerTypes)
{
    Type* link = d.NewType(linkType, Primary, false, true);
    for (const char* owner : ownerTypes)
        d.GetType(owner)->RelateToType(link, One, One, false);
}

void Link(ItemPtr owner, const char* linkType, const void* object)
{
    if (!owner)
        return;
    owner.GetItems(linkType).Remove();
    owner += d.GetType(linkType)->NewItem(Value(object));
}

void Unlink(ItemPtr owner, const char* linkType, const void* object)
{
    ItemPtr link = owner.GetItem(linkType);
    if (link && link.GetValue() == Value(object))
        link.Remove();
}

void* Linked(ItemPtr owner, const char* linkType)
{
    ItemPtr link = owner.GetItem(linkType);
    return link ? reinterpret_cast<void*>(quintptr(link.AsUInt64())) : nullptr;
}

} // namespace ObjectLinks
