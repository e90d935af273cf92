#include "PeerClient.h"

#include "app/ClientCore.h"
#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "store/Data.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

constexpr int WaitMs = 10000;
// A peer left behind by a failed test ends by itself.
constexpr int LifetimeMs = 120 * 1000;

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

    QObject::connect(gp_server, &Server::Connected, [] { ReportLine({"CONNECTED"}); });
    QObject::connect(gp_server, &Server::Disconnected, [] { ReportLine({"DISCONNECTED"}); });
    QObject::connect(gp_server, &Server::PrivateChat, [](QString user, QString text, time_t, bool) {
        ReportLine({"PM", user, text});
    });
    QObject::connect(gp_server, &Server::RoomChat, [](QString room, QString user, QString text) {
        ReportLine({"CHAT", room, user, text});
    });
    QObject::connect(peerMessenger, &PeerMessenger::SearchResults, [](ItemPtr results) {
        for (ItemPtr result : results.GetItems("search_result"))
            ReportLine({"RESULT", results.GetItem("user").AsString(),
                        result.GetItem("search_result_file_folder").AsString() + "\\"
                            + result.GetItem("search_result_file_name").AsString()});
    });

    CommandReader commands(Obey);
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);

    core.ConnectIfUserKnown();
    const int result = application.exec();
    core.Shutdown();
    return result;
}

bool PeerClient::Start(quint16 port, const QString& name, const QStringList& settings)
{
    return Launch(QStringList({PeerRoleArgument, QString::number(port), name, "secret"}) + settings, home.path())
        && WaitFor({"CONNECTED"}, WaitMs);
}
