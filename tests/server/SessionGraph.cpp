#include "SessionGraph.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"

SessionGraph::SessionGraph(Declarations declarations)
{
    d.Clear();
    saver = std::make_unique<DataSaver>();
    DeclareSettingsSchema();
    Server::CreateData();
    if (declarations == Declarations::WithPeerNetwork)
        DeclarePeerNetworkTypes();
}

SessionGraph::~SessionGraph()
{
    d.Clear();
}

void DeclarePeerNetworkTypes()
{
    Type* request = d.NewType("peer_connection_request", Primary, true, false);
    Type* requestId = d.NewType("peer_connection_request_id", Tertiary, false, true);
    Type* connectionType = d.NewType("peer_connection_type", Tertiary, false, true);
    Type* address = d.NewType("user_address", Tertiary, false, true);
    Type* port = d.NewType("user_port", Tertiary, false, true);
    Type* obfuscatedPort = d.NewType("user_obfuscated_port", Tertiary, false, true);
    Type* user = d.GetType("user");
    request->RelateToType(requestId, Many, One, false);
    request->RelateToType(user, Many, One, false);
    request->RelateToType(connectionType, Many, One, false);
    user->RelateToType(address, Many, One, false);
    user->RelateToType(port, Many, One, false);
    user->RelateToType(obfuscatedPort, Many, One, false);

    Type* searchRequest = d.NewType("search_request", Primary, false, false);
    Type* searchText = d.NewType("search_request_text", Primary, false, true);
    Type* wishList = d.NewType("wishlist_search", Tertiary, true, true);
    Type* correlation = d.NewType("search_correlation", Secondary, true, true);
    Type* correlationText = d.NewType("correlation_text", Tertiary, false, true);
    Type* correlationRank = d.NewType("correlation_rank", Tertiary, false, true);
    searchRequest->RelateToType(searchText, Many, One, false);
    searchRequest->RelateToType(wishList, Many, One, false);
    searchText->RelateToType(correlation, One, Many, false);
    correlation->RelateToType(correlationText, Many, One, false);
    correlation->RelateToType(correlationRank, Many, One, false);
}
