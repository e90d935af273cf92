#include "services/GatewayRules.h"

#include <QUrl>

namespace {
// The first three numbers of an IPv4 address; false for other addresses.
bool NetworkOf(const QHostAddress& address, quint32& network)
{
    bool isIPv4 = false;
    const quint32 value = address.toIPv4Address(&isIPv4);
    network = value & 0xffffff00u;
    return isIPv4;
}
} // namespace

int ChooseGatewayDevice(const std::vector<DiscoveredDevice>& devices, QStringList& log)
{
    for (std::size_t n = 0; n < devices.size(); ++n) {
        const DiscoveredDevice& device = devices[n];
        if (device.serviceType.contains("InternetGatewayDevice")) {
            log << QString("%1, InternetGatewayDevice, found").arg(device.descriptionUrl);
            return int(n);
        }
        log << QString("%1, %2 skipping").arg(device.descriptionUrl, device.serviceType);
    }
    if (devices.empty())
        return -1;
    log << QString("Defaulting to first device found, %1").arg(devices.front().serviceType);
    return 0;
}

QString OwnAddressOnGatewayNetwork(const QString& controlUrl, const QList<QHostAddress>& addresses)
{
    // Compared number by number: "192.168.1" is a part of the text
    // "192.168.10.1" without being on its network.
    quint32 gatewayNetwork = 0;
    if (!NetworkOf(QHostAddress(QUrl(controlUrl).host()), gatewayNetwork))
        return QString();
    const QHostAddress loopback(QHostAddress::LocalHost);
    for (const QHostAddress& address : addresses) {
        quint32 network = 0;
        if (!NetworkOf(address, network) || network != gatewayNetwork)
            continue;
        const QHostAddress ipv4(address.toIPv4Address());
        if (ipv4 != loopback)
            return ipv4.toString();
    }
    return QString();
}
