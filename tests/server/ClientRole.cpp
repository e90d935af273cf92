#include "ClientRole.h"

#include "RoleProcess.h"
#include "SessionGraph.h"

#include "app/Settings.h"
#include "app/TimerManager.h"
#include "server/Server.h"

#include <QCoreApplication>
#include <QTimer>

namespace {
// Reconnects quickly after a drop, so that tests need not wait half a minute.
constexpr int ReconnectTickMs = 200;
// A child left behind by a failed test ends by itself.
constexpr int LifetimeMs = 120 * 1000;

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

    QObject::connect(&server, &Server::Connected, [] { ReportLine({"CONNECTED"}); });
    QObject::connect(&server, &Server::Disconnected, [] { ReportLine({"DISCONNECTED"}); });
    QObject::connect(&server, &Server::ConnectionFailed, [](QString reason) { ReportLine({"FAILED", reason}); });
    QObject::connect(&server, &Server::PrivateChat, [](QString user, QString text, time_t, bool) {
        ReportLine({"PM", user, text});
    });
    QObject::connect(&server, &Server::RoomChat, [](QString room, QString user, QString text) {
        ReportLine({"CHAT", room, user, text});
    });
    QObject::connect(&server, &Server::DirectFileSearch, [](QString user, quint32 token, QString text) {
        ReportLine({"SEARCH", user, QString::number(token), text});
    });

    CommandReader commands([&server](const QStringList& command) { Obey(server, command); });
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);

    server.Connect();
    const int result = application.exec();
    server.Disconnect();
    return result;
}
