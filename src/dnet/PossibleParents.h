#ifndef DNET_POSSIBLEPARENTS_H
#define DNET_POSSIBLEPARENTS_H

#include "server/TCPAddress.h"

#include <QString>
#include <QStringList>

#include <cstddef>

// The users of a possible-parents list to connect to, in list order, leaving
// out entries without a name or a usable port. Each
// user is tried once in a run: a user tried before (marked with
// "attempted_dnet_connection") is skipped; a new one is marked and gets the
// list's address and port ("user_address", "user_port") for the peer
// network to dial. At most `limit` users are taken from one list; the rest
// stay untried, so that a later list may offer them again.
QStringList TakeUntriedParents(const PossibleParentList& parents, std::size_t limit);

#endif
