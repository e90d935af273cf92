#include "TransferPeer.h"

#include "app/ClientCore.h"
#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTimer>

#include <memory>

namespace {

// A process left behind by a failed test ends by itself.
constexpr int LifetimeMs = 180 * 1000;
constexpr int ReportIntervalMs = 20;

void Obey(const QStringList& command, ClientCore& core)
{
    const QString verb = command.value(0);
    if (verb == "share") {
        sharedFoldersManager->AddSharedFolder(command.value(1)).NewItem("shared_public");
        auto* poll = new QTimer(QCoreApplication::instance());
        QObject::connect(poll, &QTimer::timeout, [poll] {
            if (sharedFoldersManager->IsScanning())
                return;
            poll->deleteLater();
            ReportLine({"SHARED"});
        });
        poll->start(ReportIntervalMs);
    } else if (verb == "connect") {
        core.ConnectIfUserKnown();
    } else if (verb == "limit") {
        SetSetting("upload_speed_limit", command.value(1));
        transferQueueManager->EnableUploadSpeedLimit(command.value(1).toInt() > 0);
    } else if (verb == "download") {
        transferQueueManager->AddDownload(command.value(1), command.value(3).toStdString(),
                                          command.value(2).toStdString(), command.value(4).toLongLong(), false, 0);
    } else if (verb == "quit") {
        QCoreApplication::quit();
    }
}

void ReportDownloads(QMap<QString, QString>& known)
{
    for (ItemPtr entry : g("download_entry")) {
        const QString name = entry.GetItem("file_name").AsString();
        const QString status = entry.GetItem("download_entry_status").AsString();
        if (known.value(name) != status)
            ReportLine({"DOWNLOAD", name, status});
        known[name] = status;
    }
}

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

int RunTransferPeerRole(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 4)
        return 2;
    ClientCore core;
    core.CreateManagers();
    core.WriteSettingDefaults();
    peerMessenger->SetListeningAddress(QHostAddress::LocalHost);
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", arguments.at(2));
    SetSetting("username", arguments.at(3));
    SetSetting("password", "secret");
    SetSetting("use_upnp", "no");
    SetSetting("listening_port", QString::number(FreePort()));
    SetSetting("obfuscated_listening_port", QString::number(FreePort()));
    core.LoadConfiguration();
    core.Start();
    QObject::connect(gp_server, &Server::Connected, [] { ReportLine({"CONNECTED"}); });

    QMap<QString, QString> downloads;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&downloads] { ReportDownloads(downloads); });
    watch.start(ReportIntervalMs);

    CommandReader commands([&core](const QStringList& command) { Obey(command, core); });
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);
    const int result = application.exec();
    core.Shutdown();
    return result;
}

bool TransferPeer::Start(quint16 serverPort, const QString& name)
{
    return Launch({TransferPeerRoleArgument, QString::number(serverPort), name}, home.path());
}
