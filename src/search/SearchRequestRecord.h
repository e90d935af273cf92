#ifndef SEARCH_SEARCHREQUESTRECORD_H
#define SEARCH_SEARCHREQUESTRECORD_H

#include "store/ItemPtr.h"

#include <QString>

// Records a search the client starts: a "search_request" item named by the
// token, connected to the "search_request_text" of the text and, for a
// wish-list search, flagged "wishlist_search". Results and related terms
// hang off these items.
ItemPtr RecordSearchRequest(unsigned int token, const QString& text, bool wishList);

#endif
