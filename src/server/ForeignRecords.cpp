#include "server/ForeignRecords.h"

#include "app/Log.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"

#include <vector>

namespace {
struct RecordTypes
{
    const char* description;
    std::vector<const char*> types;
};

RecordTypes TypesOf(ForeignRecord record)
{
    switch (record) {
    case ForeignRecord::PeerAddress: return {"user addresses", {"user_address", "user_port", "user_obfuscated_port"}};
    case ForeignRecord::PeerConnectionRequest:
        return {"brokered connection requests",
                {"peer_connection_request", "peer_connection_request_id", "peer_connection_type", "user_address",
                 "user_port", "user_obfuscated_port"}};
    case ForeignRecord::SearchRequest:
        return {"search records", {"search_request", "search_request_text", "wishlist_search"}};
    case ForeignRecord::SearchCorrelations:
        return {"related search terms",
                {"search_request_text", "search_correlation", "correlation_text", "correlation_rank"}};
    case ForeignRecord::None: break;
    }
    return {"", {}};
}
} // namespace

bool CanWrite(ForeignRecord record, const QString& what)
{
    const RecordTypes needed = TypesOf(record);
    for (const char* type : needed.types) {
        if (!d.HasType(type)) {
            Log("server", 1,
                QString("%1 dropped: nothing in this program keeps %2 (no item type \"%3\").")
                    .arg(what, needed.description, type),
                ItemPtr());
            return false;
        }
    }
    return true;
}

ForeignRecord RecordWrittenBy(int code)
{
    switch (code) {
    case SM_GET_PEER_ADDRESS: return ForeignRecord::PeerAddress;
    case SM_CONNECT_TO_PEER: return ForeignRecord::PeerConnectionRequest;
    case SM_SEARCH_CORRELATIONS: return ForeignRecord::SearchCorrelations;
    default: return ForeignRecord::None;
    }
}
