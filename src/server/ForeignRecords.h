#ifndef SERVER_FOREIGNRECORDS_H
#define SERVER_FOREIGNRECORDS_H

#include <QString>

// Records the session writes into the graph for other parts of the program,
// which declare their types: the peer network reads user addresses and
// brokered connection requests, searching reads search records and related
// terms. A part that is not built in declares nothing, so what the session
// would write for it has no reader and is skipped.
enum class ForeignRecord
{
    None,
    PeerAddress,
    PeerConnectionRequest,
    SearchRequest,
    SearchCorrelations,
};

// Whether every type of the record is declared. When one is missing, logs in
// the "server" area that `what` is dropped and why.
bool CanWrite(ForeignRecord record, const QString& what);

// The record that the handler of a server message writes, None for most.
ForeignRecord RecordWrittenBy(int code);

#endif
