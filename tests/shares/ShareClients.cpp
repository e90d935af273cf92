#include "ShareClients.h"

#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {
// A child left behind by a failed test ends by itself.
constexpr int ChildLifetimeMs = 120 * 1000;

quint16 FreeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
} // namespace

LoopbackClient::LoopbackClient(const QString& user, quint16 serverPort)
{
    qputenv("HOME", home.path().toLocal8Bit());
    d.Clear();
    core = std::make_unique<ClientCore>();
    core->CreateManagers();
    core->WriteSettingDefaults();
    peerMessenger->SetListeningAddress(QHostAddress::LocalHost);
    port = FreeLoopbackPort();
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", QString::number(serverPort));
    SetSetting("use_upnp", "no");
    SetSetting("username", user);
    SetSetting("password", "secret");
    SetSetting("listening_port", QString::number(port));
    SetSetting("obfuscated_listening_port", QString::number(FreeLoopbackPort()));
    core->LoadConfiguration();
    core->Start();
}

LoopbackClient::~LoopbackClient()
{
    core.reset();
    d.Clear();
}

bool LoopbackClient::LogIn()
{
    core->ConnectIfUserKnown();
    return QTest::qWaitFor([] { return gp_server->IsConnected(); }, 10000);
}

int RunSharerRole(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 5)
        return 2;
    LoopbackClient client(arguments.at(3), quint16(arguments.at(2).toUInt()));
    sharedFoldersManager->AddSharedFolder(arguments.at(4)).NewItem("shared_public");
    if (!QTest::qWaitFor([] { return !sharedFoldersManager->IsScanning(); }, 30000) || !client.LogIn())
        return 3;
    std::printf("READY\t%u\n", unsigned(client.Port()));
    std::fflush(stdout);

    QByteArray commands;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char bytes[256];
        const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
        commands.append(bytes, int(std::max<ssize_t>(count, 0)));
        if (count <= 0 || commands.contains("quit\n")) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    QTimer::singleShot(ChildLifetimeMs, &application, &QCoreApplication::quit);
    return application.exec();
}

SharerChild::~SharerChild()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool SharerChild::Start(quint16 serverPort, const QString& user, const QString& folder)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(),
                  {SharerRoleArgument, QString::number(serverPort), user, folder});
    QByteArray output;
    const bool ready = QTest::qWaitFor(
        [&] {
            output += process.readAllStandardOutput();
            return output.contains('\n') || process.state() == QProcess::NotRunning;
        },
        30000);
    if (!ready || !output.startsWith("READY\t"))
        return false;
    port = quint16(output.mid(6, output.indexOf('\n') - 6).toUInt());
    return port != 0;
}

bool SharerChild::Quit()
{
    process.write("quit\n");
    process.closeWriteChannel();
    return process.waitForFinished(10000) && process.exitCode() == 0;
}
