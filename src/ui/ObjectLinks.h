#ifndef UI_OBJECTLINKS_H
#define UI_OBJECTLINKS_H

#include "store/ItemPtr.h"

#include <initializer_list>

// Ties a graph item (a room, a user) to the live window object that shows it:
// an item of a link type ("room_form", "user_chat_widget", ...) whose value is
// the object's address, connected to the owner. Link types are never saved.
namespace ObjectLinks {

// Declares a link type (primary, so that the collection leaves it alone while
// its window lives) related one to one to each of the owner types.
void DeclareLinkType(const char* linkType, std::initializer_list<const char*> ownerTypes);

// Replaces the owner's link of that type by one to the object.
void Link(ItemPtr owner, const char* linkType, const void* object);
// Removes the owner's link of that type, if it is to that object.
void Unlink(ItemPtr owner, const char* linkType, const void* object);
// The address the owner's link holds, or null.
void* Linked(ItemPtr owner, const char* linkType);

template <class T>
T* LinkedAs(ItemPtr owner, const char* linkType)
{
    return static_cast<T*>(Linked(owner, linkType));
}

} // namespace ObjectLinks

#endif
