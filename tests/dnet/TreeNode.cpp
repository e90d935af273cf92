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
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// A node left behind by a failed test ends by itself.
constexpr int LifetimeMs = 120 * 1000;

void Report(const QStringList& fields)
{
    std::fputs((fields.join('\t') + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

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
        Report(parent.isEmpty() ? QStringList{"NOPARENT"} : QStringList{"PARENT", parent});
    });
    timer->start(20);
}

void ReportResults(ItemPtr results)
{
    const QString user = results.GetItem("user").AsString();
    for (ItemPtr result : results.GetItems("search_result"))
        Report({"RESULT", user, result.GetItem("search_result_file_name").AsString()});
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

    QObject::connect(gp_server, &Server::Connected, [] { Report({"CONNECTED"}); });
    QObject::connect(sharedFoldersManager, &SharedFoldersManager::SearchProcessed, [](QString query, bool replied) {
        Report({"SEARCHED", query.left(40), replied ? "yes" : "no"});
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
        Report({"SHARED"});
        core.ConnectIfUserKnown();
    });
    scanned->start(20);

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
            const QStringList command = QString::fromUtf8(pending.left(end)).split('\t');
            pending.remove(0, end + 1);
            if (command.value(0) == "search")
                gp_server->FileSearch(command.value(1), false);
            else if (command.value(0) == "quit")
                QCoreApplication::quit();
        }
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

TreeNode::~TreeNode()
{
    if (process.state() != QProcess::NotRunning) {
        process.closeWriteChannel();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(5000);
    }
}

bool TreeNode::Start(quint16 serverPort, const QString& name, const QString& sharedFile)
{
    const std::vector<quint16> ports = FreePorts(2);
    port = ports[0];
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(),
                  {TreeNodeArgument, QString::number(serverPort), name, QString::number(ports[0]),
                   QString::number(ports[1]), sharedFile});
    return process.waitForStarted(5000) && WaitFor({"SHARED"}) && WaitFor({"CONNECTED"});
}

void TreeNode::Command(const QStringList& fields)
{
    process.write((fields.join('\t') + '\n').toUtf8());
}

bool TreeNode::WaitFor(const QStringList& fields, int ms)
{
    const QByteArray wanted = (fields.join('\t') + '\n').toUtf8();
    QByteArray passed;
    const bool found = WaitUntil(
        [&] {
            output += process.readAllStandardOutput();
            int lineStart = 0;
            while (lineStart < output.size()) {
                const int lineEnd = output.indexOf('\n', lineStart);
                if (lineEnd < 0)
                    break;
                const QByteArray line = output.mid(lineStart, lineEnd + 1 - lineStart);
                if (line == wanted) {
                    output.remove(0, lineEnd + 1);
                    return true;
                }
                passed += line;
                lineStart = lineEnd + 1;
            }
            output.remove(0, lineStart);
            return false;
        },
        ms);
    // A long wait that failed tells what came instead.
    if (!found && ms >= 1000)
        qWarning("waited for %s, passed over:\n%s", wanted.constData(), passed.right(2000).constData());
    return found;
}

void TreeNode::Kill()
{
    process.kill();
    process.waitForFinished(5000);
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
