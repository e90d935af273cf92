#include "TransferPeer.h"

#include "app/ClientCore.h"
#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMap>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// A process left behind by a failed test ends by itself.
constexpr int LifetimeMs = 180 * 1000;
constexpr int ReportIntervalMs = 20;

void Report(const QStringList& fields)
{
    std::fputs((fields.join('\t') + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

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
            Report({"SHARED"});
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
            Report({"DOWNLOAD", name, status});
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
    QObject::connect(gp_server, &Server::Connected, [] { Report({"CONNECTED"}); });

    QMap<QString, QString> downloads;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&downloads] { ReportDownloads(downloads); });
    watch.start(ReportIntervalMs);

    QByteArray pending;
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char bytes[4096];
        const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (count <= 0) {
            commands.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(bytes, int(count));
        for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            Obey(QString::fromUtf8(pending.left(end)).split('\t'), core);
            pending.remove(0, end + 1);
        }
    });
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);
    const int result = application.exec();
    core.Shutdown();
    return result;
}

TransferPeer::~TransferPeer()
{
    if (process.state() == QProcess::NotRunning)
        return;
    Command({"quit"});
    process.closeWriteChannel();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool TransferPeer::Start(quint16 serverPort, const QString& name)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(),
                  {TransferPeerRoleArgument, QString::number(serverPort), name});
    return process.waitForStarted(5000);
}

void TransferPeer::Command(const QStringList& fields)
{
    process.write((fields.join('\t') + '\n').toUtf8());
}

bool TransferPeer::WaitFor(const QStringList& fields, int ms)
{
    const QByteArray wanted = (fields.join('\t') + '\n').toUtf8();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        output += process.readAllStandardOutput();
        int lineStart = 0;
        for (int lineEnd = output.indexOf('\n'); lineEnd >= 0; lineEnd = output.indexOf('\n', lineStart)) {
            if (output.mid(lineStart, lineEnd + 1 - lineStart) == wanted) {
                output.remove(0, lineEnd + 1);
                return true;
            }
            lineStart = lineEnd + 1;
        }
        output.remove(0, lineStart);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return false;
}
