#include "peer/PeerListeners.h"

#include "app/Settings.h"
#include "store/Data.h"

#include <QTcpSocket>

namespace {

constexpr int DefaultPort = 2235;

int PortSetting(const char* name)
{
    return GetSetting(name).toInt();
}

bool IsPort(int port)
{
    return port > 0 && port <= 0xFFFF;
}

} // namespace

ListeningPorts SettleListeningPorts()
{
    if (PortSetting("listening_port") == 0) {
        SetSetting("listening_port", QString::number(DefaultPort));
        SetSetting("obfuscated_listening_port", QString::number(DefaultPort + 1));
    }
    if (PortSetting("obfuscated_listening_port") == 0)
        SetSetting("obfuscated_listening_port", QString::number(PortSetting("listening_port") + 1));
    ItemPtr newPort = d.GetType("global")->HasItem("new_listening_port");
    if (newPort && !newPort.GetItem("global_value").AsString().isEmpty()) {
        const int port = newPort.GetItem("global_value").AsInt();
        SetSetting("listening_port", QString::number(port));
        SetSetting("obfuscated_listening_port", QString::number(port + 1));
        newPort.Remove();
    }
    return {PortSetting("listening_port"), PortSetting("obfuscated_listening_port")};
}

PeerListeners::PeerListeners(QObject* parent)
    : QObject(parent)
{
    connect(&plain, &QTcpServer::newConnection, this, [this] { TakePending(plain, false); });
    connect(&obfuscated, &QTcpServer::newConnection, this, [this] { TakePending(obfuscated, true); });
}

std::vector<PeerListeners::Failure> PeerListeners::Listen(const ListeningPorts& ports)
{
    std::vector<Failure> failures;
    const std::pair<QTcpServer*, int> servers[] = {{&plain, ports.port}, {&obfuscated, ports.obfuscatedPort}};
    for (const auto& [server, port] : servers) {
        if (server->isListening() && server->serverPort() == port)
            continue;
        server->close();
        if (!IsPort(port)) {
            failures.push_back({port, "not a port number"});
            continue;
        }
        if (!server->listen(listenAddress, quint16(port)))
            failures.push_back({port, server->errorString()});
    }
    wanted = ports;
    return failures;
}

void PeerListeners::TakePending(QTcpServer& server, bool isObfuscated)
{
    while (QTcpSocket* socket = server.nextPendingConnection())
        emit NewConnection(socket, isObfuscated);
}
