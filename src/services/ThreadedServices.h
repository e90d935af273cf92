#ifndef SERVICES_THREADEDSERVICES_H
#define SERVICES_THREADEDSERVICES_H

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// The port forwarding work that waits on the router: finding the gateway,
// mapping and unmapping ports, done with the UPnP library on the worker
// thread of PortForwarder. It keeps the gateway it found for the program run.
// Every operation hands all its log lines over at its end, in one
// LinesLogged signal; nothing here touches the item graph.
class ThreadedServices : public QObject
{
    Q_OBJECT
public:
    // How long discovery waits for devices to answer.
    static constexpr int DiscoveryMs = 2000;

    ThreadedServices();
    ~ThreadedServices() override;

public slots:
    // Looks for the gateway on the local network and keeps it in place of
    // any earlier one.
    void Init();
    // Takes the gateway whose device description is at the address, without
    // discovery.
    void UseGateway(const QString& descriptionUrl);
    // Asks the gateway to forward the TCP port to the same port of this
    // machine, whose address on the gateway's network is `localAddress`
    // (checked against the interfaces when it is 127.0.0.1). A port that is
    // taken is freed and asked for once more.
    void AddPortMapping(const QString& localAddress, int port);

signals:
    void LinesLogged(QStringList lines);

private:
    struct Gateway;

    // Steps of the operations; each appends its lines to `log`.
    void ReadGateway(const QString& descriptionUrl, unsigned int scopeId, QStringList& log);
    int Map(const QString& localAddress, int port);
    void RemovePortMapping(int port, QStringList& log);

    std::unique_ptr<Gateway> gateway;
};

#endif
