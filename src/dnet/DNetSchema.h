#ifndef DNET_DNETSCHEMA_H
#define DNET_DNETSCHEMA_H

#include "store/Value.h"

#include <QString>

// Declares the distributed network's item types and their relations: the
// users already tried as parents, the named state values of this client's
// place in the tree, the child connections with the depth each reports, and
// the connections to possible parents with the level and group leader each
// announced. None of it is saved. The session's and the peer network's types
// ("user", "user_address", "user_port") must be declared first.
void DeclareDNetTypes();

// The names of the state values.
constexpr const char* DNetParentUser = "dnet_parent_user";
constexpr const char* DNetParentSocket = "dnet_parent_socket";
constexpr const char* DNetLevel = "dnet_level";
constexpr const char* DNetGroupLeader = "dnet_group_leader";
constexpr const char* DNetChildDepth = "dnet_child_depth";

// A state value is a "dnet_global" item named after it, connected to at most
// one "dnet_value" item; an absent value is unset, and an empty text counts as
// unset.
bool HasDNetValue(const char* name);
QString GetDNetValue(const char* name);
Value GetDNetRawValue(const char* name);
void SetDNetValue(const char* name, const Value& value);
void UnsetDNetValue(const char* name);

#endif
