#include "services/PortForwarder.h"

#include "app/Log.h"
#include "services/ThreadedServices.h"

#include <QHostAddress>
#include <QTcpSocket>

PortForwarder* portForwarder = nullptr;

namespace {
// Routers map to IPv4 addresses; a socket may report one in its IPv6 form.
QString AddressText(const QHostAddress& address)
{
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4).toString() : address.toString();
}
} // namespace

PortForwarder::PortForwarder(QObject* parent)
    : QObject(parent)
    , services(new ThreadedServices)
    , worker(services, StopWaitMs)
{
    portForwarder = this;
    connect(services, &ThreadedServices::LinesLogged, this, &PortForwarder::LogLines);
}

PortForwarder::~PortForwarder()
{
    if (portForwarder == this)
        portForwarder = nullptr;
}

void PortForwarder::Init()
{
    QMetaObject::invokeMethod(services, &ThreadedServices::Init, Qt::QueuedConnection);
}

void PortForwarder::AddPortMapping(QTcpSocket* socket, int port)
{
    ThreadedServices* target = services;
    const QString address = AddressText(socket->localAddress());
    QMetaObject::invokeMethod(
        services, [target, address, port] { target->AddPortMapping(address, port); }, Qt::QueuedConnection);
}

void PortForwarder::LogLines(const QStringList& lines)
{
    for (const QString& line : lines)
        Log("Port Forwarding", 1, line, ItemPtr());
}
