#ifndef SERVICES_GATEWAYRULES_H
#define SERVICES_GATEWAYRULES_H

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// The choices port forwarding makes without talking to the router.

// A device that answered discovery.
struct DiscoveredDevice
{
    QString descriptionUrl;
    QString serviceType;
};

// The index of the device to take as the gateway: the first whose service
// type names an Internet gateway device, else the first of all; -1 for none.
// Appends the lines that tell the choice to `log`.
int ChooseGatewayDevice(const std::vector<DiscoveredDevice>& devices, QStringList& log);

// The first IPv4 address of `addresses`, other than 127.0.0.1, on the
// gateway's network: the same first three numbers as the host of the
// gateway's control URL. Empty when there is none (or the control URL has no
// IPv4 host).
QString OwnAddressOnGatewayNetwork(const QString& controlUrl, const QList<QHostAddress>& addresses);

#endif
