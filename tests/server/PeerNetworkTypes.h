#ifndef TESTS_SERVER_PEERNETWORKTYPES_H
#define TESTS_SERVER_PEERNETWORKTYPES_H

#include "store/Data.h"

// The types the peer network declares and the session writes: brokered
// connection requests, user addresses and search records.
inline void DeclarePeerNetworkTypes()
{
    Type* user = d.GetType("user");
    Type* request = d.NewType("peer_connection_request", Primary, true, false);
    request->RelateToType(d.NewType("peer_connection_request_id", Tertiary, false, true), Many, One, false);
    request->RelateToType(d.NewType("peer_connection_type", Tertiary, false, true), Many, One, false);
    request->RelateToType(user, Many, One, false);
    for (const char* name : {"user_address", "user_port", "user_obfuscated_port"})
        user->RelateToType(d.NewType(name, Tertiary, false, true), Many, One, false);

    Type* searchRequest = d.NewType("search_request", Primary, false, false);
    Type* searchText = d.NewType("search_request_text", Primary, false, true);
    Type* correlation = d.NewType("search_correlation", Secondary, true, true);
    searchRequest->RelateToType(searchText, Many, One, false);
    searchRequest->RelateToType(d.NewType("wishlist_search", Tertiary, true, true), Many, One, false);
    searchText->RelateToType(correlation, One, Many, false);
    correlation->RelateToType(d.NewType("correlation_text", Tertiary, false, true), Many, One, false);
    correlation->RelateToType(d.NewType("correlation_rank", Tertiary, false, true), Many, One, false);
}

#endif
