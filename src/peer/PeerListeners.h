#ifndef PEER_PEERLISTENERS_H
#define PEER_PEERLISTENERS_H

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <vector>

class QTcpSocket;

// The two ports other users connect to: the plain one and the obfuscated one.
struct ListeningPorts
{
    int port = 0;
    int obfuscatedPort = 0;
};

// Applies the port rules to the settings and returns the ports: 2235 and 2236
// when none is set, the obfuscated port next to the plain one when only that
// is set, and a "new_listening_port" chosen by the user (used once, then
// removed) over both.
ListeningPorts SettleListeningPorts();

// Listens on both ports and hands out the sockets that connect.
class PeerListeners : public QObject
{
    Q_OBJECT
public:
    struct Failure
    {
        int port = 0;
        QString reason;
    };

    explicit PeerListeners(QObject* parent = nullptr);

    // Any IPv4 address unless told otherwise (tests listen on loopback only).
    void SetAddress(const QHostAddress& address) { listenAddress = address; }

    // Listens on the ports where not listening yet (on other ports, it stops
    // first); returns the ports that could not be bound, with the reason.
    std::vector<Failure> Listen(const ListeningPorts& ports);
    bool IsListening() const { return plain.isListening() && obfuscated.isListening(); }
    const ListeningPorts& Ports() const { return wanted; }

signals:
    void NewConnection(QTcpSocket* socket, bool obfuscated);

private:
    void TakePending(QTcpServer& server, bool isObfuscated);

    QHostAddress listenAddress = QHostAddress::AnyIPv4;
    ListeningPorts wanted;
    QTcpServer plain;
    QTcpServer obfuscated;
};

#endif
