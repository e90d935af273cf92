#include "SessionGraph.h"

#include "PeerNetworkTypes.h"

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
