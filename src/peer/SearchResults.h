#ifndef PEER_SEARCHRESULTS_H
#define PEER_SEARCHRESULTS_H

#include "store/ItemPtr.h"
#include "wire/InputStream.h"

#include <QString>

// Takes one search reply (the inflated body of code 9) into the graph: the
// files that match the search's own text become "search_result" items under a
// new "search_results" of the user, skipping files this user already listed
// for the same search (or for any run of the same wish-list search).
struct SearchReplyOutcome
{
    enum Kind
    {
        Written,   // results holds the new "search_results"
        Dropped,   // an unknown or stopped search, or nothing matched
        Malformed, // unreadable, or sent as another user: the connection must go
    };
    Kind kind = Dropped;
    ItemPtr results;
};

SearchReplyOutcome WriteSearchReply(const QString& connectionUser, InputStream& reply);

// Splits a path at its last "/" or "\" (after dropping one trailing
// separator) into folder and file name; a path without one is all file name.
void SplitResultPath(const QString& path, QString& folder, QString& fileName);

#endif
