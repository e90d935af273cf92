#ifndef SERVICES_PORTFORWARDER_H
#define SERVICES_PORTFORWARDER_H

#include "server/PortMapper.h"
#include "services/WorkerThread.h"

#include <QObject>
#include <QStringList>

class ThreadedServices;

// Asks the router, by UPnP, to forward the listening ports to this machine.
// The router can take seconds to answer, so the work runs on a worker thread
// of its own (ThreadedServices); each call here only queues it there, in
// order, and the worker's log lines come back to LogLines. Used while the
// setting use_upnp is "yes" (the server session checks it).
class PortForwarder : public QObject, public PortMapper
{
    Q_OBJECT
public:
    // Shut-down waits for a discovery under way, not for a router that has
    // stopped answering.
    static constexpr int StopWaitMs = 2500;

    // Starts the worker thread, which waits for requests.
    explicit PortForwarder(QObject* parent = nullptr);
    ~PortForwarder() override;

    // Looks for the router, in place of any found before.
    void Init() override;
    // Maps the port to this machine's address on the socket's connection.
    void AddPortMapping(QTcpSocket* socket, int port) override;

public slots:
    // Logs the worker's lines under "Port Forwarding".
    void LogLines(const QStringList& lines);

private:
    ThreadedServices* services;
    WorkerThread worker;
};

extern PortForwarder* portForwarder;

#endif
