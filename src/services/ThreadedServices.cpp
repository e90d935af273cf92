#include "services/ThreadedServices.h"

#include "services/GatewayRules.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/miniwget.h>
#include <miniupnpc/upnpcommands.h>

#include <QNetworkInterface>
#include <QThread>

#include <cstdlib>
#include <vector>

namespace {
const char* const MappingDescription = "QuillmerQT";
const char* const Protocol = "TCP";
// UPnP's ConflictInMappingEntry: the port is mapped already.
constexpr int ConflictInMappingEntry = 718;
// Hops of the discovery packets: the local network only.
constexpr unsigned char DiscoveryTtl = 2;
const char* const NotInitialized = "UPnP appears to not have been initialized, aborting.";

// Queued work that shut-down has cancelled is dropped.
bool Cancelled()
{
    return QThread::currentThread()->isInterruptionRequested();
}
} // namespace

// The gateway found: its URLs (the control URL among them) and its parsed
// description (the first WAN connection service among them).
struct ThreadedServices::Gateway
{
    Gateway() = default;
    ~Gateway() { FreeUPNPUrls(&urls); }
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    bool CanMap() const { return urls.controlURL && urls.controlURL[0] && data.first.servicetype[0]; }

    UPNPUrls urls{};
    IGDdatas data{};
};

ThreadedServices::ThreadedServices() = default;

ThreadedServices::~ThreadedServices() = default;

void ThreadedServices::Init()
{
    if (Cancelled())
        return;
    QStringList log{"Initializing UPnP"};
    gateway.reset();
    int error = 0;
    UPNPDev* devices = upnpDiscover(DiscoveryMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, DiscoveryTtl, &error);
    if (!devices) {
        log << QString("No device list found during discovery. miniupnp error code: %1").arg(error);
        emit LinesLogged(log);
        return;
    }
    log << "Device list found";
    std::vector<DiscoveredDevice> found;
    std::vector<unsigned int> scopeIds;
    for (const UPNPDev* device = devices; device; device = device->pNext) {
        found.push_back({QString::fromUtf8(device->descURL), QString::fromUtf8(device->st)});
        scopeIds.push_back(device->scope_id);
    }
    const int chosen = ChooseGatewayDevice(found, log);
    ReadGateway(found[chosen].descriptionUrl, scopeIds[chosen], log);
    freeUPNPDevlist(devices);
    emit LinesLogged(log);
}

void ThreadedServices::UseGateway(const QString& descriptionUrl)
{
    if (Cancelled())
        return;
    QStringList log;
    gateway.reset();
    ReadGateway(descriptionUrl, 0, log);
    emit LinesLogged(log);
}

void ThreadedServices::ReadGateway(const QString& descriptionUrl, unsigned int scopeId, QStringList& log)
{
    const QByteArray url = descriptionUrl.toUtf8();
    int size = 0;
    int status = 0;
    char* description = static_cast<char*>(miniwget(url.constData(), &size, scopeId, &status));
    if (!description) {
        log << "Device XML not found.";
        return;
    }
    auto found = std::make_unique<Gateway>();
    parserootdesc(description, size, &found->data);
    std::free(description);
    GetUPNPUrls(&found->urls, &found->data, url.constData(), scopeId);
    log << "Device XML found.";
    // Without a connection service there is nothing to send mappings to.
    if (!found->CanMap()) {
        log << "The device offers no WAN connection service.";
        return;
    }
    gateway = std::move(found);
}

void ThreadedServices::AddPortMapping(const QString& localAddress, int port)
{
    if (Cancelled())
        return;
    QStringList log;
    if (!gateway) {
        log << NotInitialized;
        emit LinesLogged(log);
        return;
    }
    if (port < 1 || port > 65535) {
        log << QString("Port %1 is not a port number; nothing mapped.").arg(port);
        emit LinesLogged(log);
        return;
    }
    QString address = localAddress;
    if (address == "127.0.0.1") {
        log << "Own address is reported as 127.0.0.1, checking all addresses.";
        address = OwnAddressOnGatewayNetwork(QString::fromUtf8(gateway->urls.controlURL),
                                             QNetworkInterface::allAddresses());
        // The gateway cannot forward to its own loopback address.
        if (address.isEmpty()) {
            log << QString("No own address found on the gateway's network; port %1 not mapped.").arg(port);
            emit LinesLogged(log);
            return;
        }
        log << QString("Found own address to be %1").arg(address);
    }

    const int result = Map(address, port);
    if (result == UPNPCOMMAND_SUCCESS) {
        log << QString("Port %1 successfully mapped.").arg(port);
    } else if (result == ConflictInMappingEntry) {
        log << "Port already mapped, attempting to remove existing mapping before retrying.";
        RemovePortMapping(port, log);
        const int retried = Map(address, port);
        if (retried == UPNPCOMMAND_SUCCESS)
            log << "Second mapping attempt successful.";
        else
            log << QString("Second mapping attempt failed, miniupnp error: %1").arg(retried);
    } else {
        log << QString("Port %1 mapping failure, miniupnp error: %2").arg(port).arg(result);
    }
    emit LinesLogged(log);
}

int ThreadedServices::Map(const QString& localAddress, int port)
{
    const QByteArray portText = QByteArray::number(port);
    const QByteArray client = localAddress.toUtf8();
    return UPNP_AddPortMapping(gateway->urls.controlURL, gateway->data.first.servicetype, portText.constData(),
                               portText.constData(), client.constData(), MappingDescription, Protocol, nullptr,
                               nullptr);
}

void ThreadedServices::RemovePortMapping(int port, QStringList& log)
{
    log << QString("Removing mapping for port %1").arg(port);
    if (!gateway) {
        log << NotInitialized;
        return;
    }
    const QByteArray portText = QByteArray::number(port);
    const int result = UPNP_DeletePortMapping(gateway->urls.controlURL, gateway->data.first.servicetype,
                                              portText.constData(), Protocol, nullptr);
    if (result == UPNPCOMMAND_SUCCESS)
        log << "Port mapping successfully removed.";
    else
        log << QString("Port mapping removal failed, miniupnp error: %1").arg(result);
}
