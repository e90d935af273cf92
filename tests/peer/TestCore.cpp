#include "TestCore.h"

#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "store/Data.h"

#include <QHostAddress>

TestCore::TestCore(const Options& options)
{
    qputenv("HOME", home.path().toLocal8Bit());
    d.Clear();
    core = std::make_unique<ClientCore>();
    core->CreateManagers();
    core->WriteSettingDefaults();
    peerMessenger->SetListeningAddress(QHostAddress::LocalHost);
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", QString::number(options.serverPort));
    SetSetting("use_upnp", "no");
    SetSetting("username", options.user);
    SetSetting("password", "secret");
    SetSetting("listening_port", QString::number(options.port));
    SetSetting("obfuscated_listening_port", QString::number(options.obfuscatedPort));
    if (options.beforeLoad)
        options.beforeLoad();
    core->LoadConfiguration();
    core->Start();
}

TestCore::~TestCore()
{
    core.reset();
    d.Clear();
}

void TestCore::Connect()
{
    core->ConnectIfUserKnown();
}

PeerMessenger& TestCore::Messenger()
{
    return *peerMessenger;
}

Server& TestCore::Session()
{
    return *gp_server;
}
