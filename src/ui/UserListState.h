#ifndef UI_USERLISTSTATE_H
#define UI_USERLISTSTATE_H

#include "store/ItemPtr.h"

#include <QString>

// The changes the user-list windows make to the graph: the list itself, its
// groups with their transfer policy, ignores, online alerts and notes. The
// server session, sharing and the transfer queues read the same items.
namespace UserListState {

ItemPtr User(const QString& name);

// Puts the user on the list (one "in_user_list" item of its own, which the
// groups hang on); nothing when already there.
void AddToList(ItemPtr user);
// Takes the user off the list; the memberships of its groups go with it.
void RemoveFromList(ItemPtr user);

void SetOnlineAlert(ItemPtr user, bool on);
void SetIgnored(ItemPtr user, bool on);
// The note is the trimmed text; an empty one removes the note.
void SetNote(ItemPtr user, const QString& text);

// The group of the trimmed name, made when missing; null for an empty name.
ItemPtr GetGroup(const QString& name);
bool IsMember(ItemPtr user, ItemPtr group);
// Only for users on the list.
void SetMember(ItemPtr user, ItemPtr group, bool member);
void SetAcceptUploads(ItemPtr group, bool on);
void SetPriority(ItemPtr group, int priority);
// Removes the group and so every membership in it.
void DeleteGroup(ItemPtr group);
// The group's members that are still users on the list.
int MemberCount(ItemPtr group);

} // namespace UserListState

#endif
