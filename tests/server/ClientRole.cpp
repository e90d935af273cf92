#include "ClientRole.h"

#include "SessionGraph.h"

#include "app/Settings.h"
#include "app/TimerManager.h"
#include "server/Server.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {
// Reconnects quickly after a drop, so that tests need not wait half a minute.
constexpr int ReconnectTickMs = 200;
// A child left behind by a failed test ends by itself.
constexpr int LifetimeMs = 120 * 1000;

void Report(const QStringList& fields)
{
    std::fputs((fields.join('\t') + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void Obey(Server& server, const QStringList& command)
{
    const QString verb = command.value(0);
    if (verb == "pm")
        server.SendPrivateChat(command.value(1), command.value(2));
    else if (verb == "join")
        server.EnterRoom(command.value(1), false);
    else if (verb == "say")
        server.SendRoomChat(command.value(1), command.value(2));
    else if (verb == "leave")
        server.LeaveRoom(command.value(1));
    else if (verb == "search")
        server.FileSearch(command.value(1), false);
    else if (verb == "away")
        server.SetAvailabilityStatus(false);
    else if (verb == "quit")
        QCoreApplication::quit();
}
} // namespace

int RunClientRole(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 5)
        return 2;

    SessionGraph graph;
    TimerManager ticks(ReconnectTickMs, TimerManager::FiveMinutesMs, TimerManager::HourMs);
    Server server;
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", arguments.at(2));
    SetSetting("username", arguments.at(3));
    SetSetting("password", arguments.at(4));

    QObject::connect(&server, &Server::Connected, [] { Report({"CONNECTED"}); });
    QObject::connect(&server, &Server::Disconnected, [] { Report({"DISCONNECTED"}); });
    QObject::connect(&server, &Server::ConnectionFailed, [](QString reason) { Report({"FAILED", reason}); });
    QObject::connect(&server, &Server::PrivateChat, [](QString user, QString text, time_t, bool) {
        Report({"PM", user, text});
    });
    QObject::connect(&server, &Server::RoomChat, [](QString room, QString user, QString text) {
        Report({"CHAT", room, user, text});
    });
    QObject::connect(&server, &Server::DirectFileSearch, [](QString user, quint32 token, QString text) {
        Report({"SEARCH", user, QString::number(token), text});
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
            Obey(server, QString::fromUtf8(pending.left(end)).split('\t'));
            pending.remove(0, end + 1);
        }
    });
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);

    server.Connect();
    const int result = application.exec();
    server.Disconnect();
    return result;
}
