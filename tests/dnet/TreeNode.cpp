#include "TreeNode.h"

#include "DNetTestKit.h"

#include "app/ClientCore.h"
#include "app/Settings.h"
#include "dnet/DNetSchema.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "server/ServerMessageCode.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "wire/FrameWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

// A node left behind by a failed test ends by itself.
constexpr int LifetimeMs = 120 * 1000;

// Tells of every change of the parent.
void WatchParent(QObject& owner)
{
    auto* timer = new QTimer(&owner);
    auto* last = new QString;
    QObject::connect(timer, &QTimer::destroyed, [last] { delete last; });
    QObject::connect(timer, &QTimer::timeout, [last] {
        const QString parent = GetDNetValue(DNetParentUser);
        if (parent == *last)
            return;
        *last = parent;
        ReportLine(parent.isEmpty() ? QStringList{"NOPARENT"} : QStringList{"PARENT", parent});
    });
    timer->start(20);
}

void ReportResults(ItemPtr results)
{
    const QString user = results.GetItem("user").AsString();
    for (ItemPtr result : results.GetItems("search_result"))
        ReportLine({"RESULT", user, result.GetItem("search_result_file_name").AsString()});
}

} // namespace

int RunTreeNode(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 7)
        return 2;
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    ClientCore core;
    core.CreateManagers();
    core.WriteSettingDefaults();
    peerMessenger->SetListeningAddress(QHostAddress::LocalHost);
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", arguments.at(2));
    SetSetting("use_upnp", "no");
    SetSetting("username", arguments.at(3));
    SetSetting("password", "secret");
    SetSetting("listening_port", arguments.at(4));
    SetSetting("obfuscated_listening_port", arguments.at(5));
    core.LoadConfiguration();
    core.Start();

    QObject::connect(gp_server, &Server::Connected, [] { ReportLine({"CONNECTED"}); });
    QObject::connect(sharedFoldersManager, &SharedFoldersManager::SearchProcessed, [](QString query, bool replied) {
        ReportLine({"SEARCHED", query.left(40), replied ? "yes" : "no"});
    });
    QObject::connect(peerMessenger, &PeerMessenger::SearchResults, ReportResults);
    WatchParent(application);

    QDir(home.path()).mkpath("music");
    QFile file(home.path() + "/music/" + arguments.at(6));
    if (!file.open(QIODevice::WriteOnly) || file.write("not really audio") <= 0)
        return 2;
    file.close();
    sharedFoldersManager->AddSharedFolder(home.path() + "/music").NewItem("shared_public");
    // Logs in once the file is indexed, so that every search finds it.
    auto* scanned = new QTimer(&application);
    QObject::connect(scanned, &QTimer::timeout, [scanned, &core] {
        if (sharedFoldersManager->IsScanning())
            return;
        scanned->stop();
        ReportLine({"SHARED"});
        core.ConnectIfUserKnown();
    });
    scanned->start(20);

    CommandReader commands([](const QStringList& command) {
        if (command.value(0) == "search")
            gp_server->FileSearch(command.value(1), false);
        else if (command.value(0) == "quit")
            QCoreApplication::quit();
    });
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);
    const int status = application.exec();
    core.Shutdown();
    return status;
}

std::vector<quint16> FreePorts(int count)
{
    std::vector<std::unique_ptr<QTcpServer>> probes;
    std::vector<quint16> ports;
    for (int n = 0; n < count; ++n) {
        probes.push_back(std::make_unique<QTcpServer>());
        probes.back()->listen(QHostAddress::LocalHost, 0);
        ports.push_back(probes.back()->serverPort());
    }
    return ports;
}

bool TreeNode::Start(quint16 serverPort, const QString& name, const QString& sharedFile)
{
    const std::vector<quint16> ports = FreePorts(2);
    port = ports[0];
    return Launch({TreeNodeArgument, QString::number(serverPort), name, QString::number(ports[0]),
                   QString::number(ports[1]), sharedFile})
        && WaitFor({"SHARED"}) && WaitFor({"CONNECTED"});
}

bool SearchDriver::LogIn(quint16 serverPort, const QString& name)
{
    socket.connectToHost(QHostAddress::LocalHost, serverPort);
    if (!socket.waitForConnected(5000))
        return false;
    const QString password = "secret";
    const QByteArray digest = QCryptographicHash::hash((name + password).toUtf8(), QCryptographicHash::Md5).toHex();
    Send(BuildMessage(uint32_t(SM_LOGIN), name, password, uint32_t(157), digest.toStdString(), uint32_t(100)));
    Send(BuildMessage(uint32_t(SM_SEND_DISTRIBUTIONS), true));
    return true;
}

void SearchDriver::Search(uint32_t searchToken, const QString& text)
{
    Send(BuildMessage(uint32_t(SM_FILE_SEARCH), searchToken, text));
}

void SearchDriver::Send(const MemStream& message)
{
    socket.write(FrameMessage(message));
    socket.flush();
}

void SearchDriver::Drain()
{
    socket.readAll();
}
