#include "SharingPeer.h"

#include "app/ClientCore.h"
#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int ReadyWithinMs = 20000;
// A peer left behind by a failed test ends by itself.
constexpr int LifetimeMs = 180 * 1000;

} // namespace

QPair<quint16, quint16> FreeListeningPorts()
{
    QTcpServer plain;
    QTcpServer obfuscated;
    plain.listen(QHostAddress::LocalHost, 0);
    obfuscated.listen(QHostAddress::LocalHost, 0);
    return {plain.serverPort(), obfuscated.serverPort()};
}

int RunSharingPeer(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 5)
        return 2;

    ClientCore core;
    core.CreateManagers();
    core.WriteSettingDefaults();
    peerMessenger->SetListeningAddress(QHostAddress::LocalHost);
    const QPair<quint16, quint16> ports = FreeListeningPorts();
    SetSetting("listening_port", QString::number(ports.first));
    SetSetting("obfuscated_listening_port", QString::number(ports.second));
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", arguments.at(2));
    SetSetting("use_upnp", "no");
    SetSetting("username", arguments.at(3));
    SetSetting("password", "secret");
    core.LoadConfiguration();
    // After loading, which holds some settings within their usual bounds.
    for (const QString& setting : arguments.mid(5))
        SetSetting(setting.section('=', 0, 0), setting.section('=', 1));
    core.Start();
    sharedFoldersManager->AddSharedFolder(arguments.at(4)).NewItem("shared_public");

    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&ready] {
        if (sharedFoldersManager->IsScanning() || !gp_server->IsConnected())
            return;
        ready.stop();
        std::fputs("READY\n", stdout);
        std::fflush(stdout);
    });
    ready.start(20);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input] {
        char bytes[256];
        if (::read(STDIN_FILENO, bytes, sizeof bytes) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);
    core.ConnectIfUserKnown();
    const int result = application.exec();
    core.Shutdown();
    return result;
}

SharingPeer::~SharingPeer()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.closeWriteChannel();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool SharingPeer::Start(quint16 serverPort, const QString& user, const QString& folder,
                        const QMap<QString, QString>& settings)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{SharingPeerArgument, QString::number(serverPort), user, folder};
    for (auto setting = settings.cbegin(); setting != settings.cend(); ++setting)
        arguments << setting.key() + '=' + setting.value();
    process.start(QCoreApplication::applicationFilePath(), arguments);
    if (!process.waitForStarted(5000))
        return false;
    QElapsedTimer timer;
    timer.start();
    QByteArray output;
    while (!output.contains("READY\n") && timer.elapsed() < ReadyWithinMs) {
        process.waitForReadyRead(50);
        output += process.readAllStandardOutput();
        // The other peers and the server run in this process.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return output.contains("READY\n");
}
