#include "TestClient.h"

#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "store/Data.h"

#include <QHostAddress>
#include <QTcpServer>

TestClient::TestClient(const Options& options)
{
    qputenv("HOME", options.home.toLocal8Bit());
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

TestClient::~TestClient()
{
    core.reset();
    d.Clear();
}

void TestClient::Connect()
{
    core->ConnectIfUserKnown();
}

bool TestClient::IsLoggedIn() const
{
    return gp_server && gp_server->IsConnected();
}

std::vector<quint16> FreePorts(int count)
{
    std::vector<std::unique_ptr<QTcpServer>> probes;
    std::vector<quint16> ports;
    for (int n = 0; n < count; ++n) {
        probes.push_back(std::make_unique<QTcpServer>());
        probes.back()->listen(QHostAddress::LocalHost, 0);
        ports.push_back(probes.back()->serverPort());
    }
    return ports;
}
