#include "SessionGraph.h"

#include "app/Settings.h"
#include "peer/PeerSchema.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"

SessionGraph::SessionGraph()
{
    d.Clear();
    saver = std::make_unique<DataSaver>();
    DeclareSettingsSchema();
    Server::CreateData();
    DeclarePeerNetworkTypes();
}

SessionGraph::~SessionGraph()
{
    d.Clear();
}
