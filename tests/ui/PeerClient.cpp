#include "PeerClient.h"

#include "app/ClientCore.h"
#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "store/Data.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int WaitMs = 10000;
// A peer left behind by a failed test ends by itself.
constexpr int LifetimeMs = 120 * 1000;

void Report(const QStringList& fields)
{
    std::fputs((fields.join('\t') + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void Obey(const QStringList& command)
{
    const QString verb = command.value(0);
    if (verb == "join")
        gp_server->EnterRoom(command.value(1), false);
    else if (verb == "say")
        gp_server->SendRoomChat(command.value(1), command.value(2));
    else if (verb == "leave")
        gp_server->LeaveRoom(command.value(1));
    else if (verb == "pm")
        gp_server->SendPrivateChat(command.value(1), command.value(2));
    else if (verb == "away" || verb == "back")
        gp_server->SetAvailabilityStatus(verb == "back");
    else if (verb == "ticker")
        gp_server->SetRoomTicker(command.value(1), command.value(2));
    else if (verb == "search")
        gp_server->FileSearch(command.value(1), false);
    else if (verb == "quit")
        QCoreApplication::quit();
}

} // namespace

int RunPeerRole(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 5)
        return 2;

    TickIntervals ticks;
    // Reconnects soon after a drop.
    ticks.halfMinuteMs = 200;
    ClientCore core(ticks);
    core.CreateManagers();
    core.WriteSettingDefaults();
    core.LoadConfiguration();
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", arguments.at(2));
    SetSetting("username", arguments.at(3));
    SetSetting("password", arguments.at(4));
    SetSetting("use_upnp", "no");
    for (const QString& setting : arguments.mid(5))
        SetSetting(setting.section('=', 0, 0), setting.section('=', 1));
    core.Start();

    QObject::connect(gp_server, &Server::Connected, [] { Report({"CONNECTED"}); });
    QObject::connect(gp_server, &Server::Disconnected, [] { Report({"DISCONNECTED"}); });
    QObject::connect(gp_server, &Server::PrivateChat, [](QString user, QString text, time_t, bool) {
        Report({"PM", user, text});
    });
    QObject::connect(gp_server, &Server::RoomChat, [](QString room, QString user, QString text) {
        Report({"CHAT", room, user, text});
    });
    QObject::connect(peerMessenger, &PeerMessenger::SearchResults, [](ItemPtr results) {
        for (ItemPtr result : results.GetItems("search_result"))
            Report({"RESULT", results.GetItem("user").AsString(),
                    result.GetItem("search_result_file_folder").AsString() + "\\"
                        + result.GetItem("search_result_file_name").AsString()});
    });

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
            Obey(QString::fromUtf8(pending.left(end)).split('\t'));
            pending.remove(0, end + 1);
        }
    });
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);

    core.ConnectIfUserKnown();
    const int result = application.exec();
    core.Shutdown();
    return result;
}

PeerClient::~PeerClient()
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

bool PeerClient::Start(quint16 port, const QString& name, const QStringList& settings)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(),
                  QStringList({PeerRoleArgument, QString::number(port), name, "secret"}) + settings);
    return process.waitForStarted(WaitMs) && WaitFor({"CONNECTED"});
}

void PeerClient::Command(const QStringList& fields)
{
    process.write((fields.join('\t') + '\n').toUtf8());
}

bool PeerClient::WaitFor(const QStringList& fields)
{
    const QByteArray wanted = (fields.join('\t') + '\n').toUtf8();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < WaitMs) {
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
