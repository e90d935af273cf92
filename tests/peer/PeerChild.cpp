#include "PeerChild.h"

#include "PeerTestKit.h"
#include "TestCore.h"

#include "app/Settings.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "store/Data.h"
#include "wire/FrameWriter.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

// A child left behind by a failed test ends by itself.
constexpr int LifetimeMs = 120 * 1000;

QString ObfuscatedTo(const QString& user)
{
    ItemPtr connection = d.GetType("user")->GetItem(user).GetItem("peer_socket");
    return connection.IsConnected("is_obfuscated") ? "yes" : "no";
}

void Obey(PeerMessenger& messenger, const QStringList& command)
{
    const QString verb = command.value(0);
    if (verb == "say") {
        MemStream message = BuildMessage(uint32_t(PM_UPLOAD_PLACE_IN_LINE_REQUEST), command.value(2));
        messenger.SendMessage(command.value(1), message);
    } else if (verb == "info") {
        messenger.GetUserInfo(command.value(1));
    } else if (verb == "set") {
        SetSetting(command.value(1), command.value(2));
    } else if (verb == "quit") {
        QCoreApplication::quit();
    }
}

void ReportListening()
{
    QObject::connect(peerMessenger, &PeerMessenger::Listening, [](int port, int obfuscatedPort) {
        ReportLine({"LISTENING", QString::number(port), QString::number(obfuscatedPort)});
    });
    QObject::connect(peerMessenger, &PeerMessenger::ListeningFailed, [](int port, QString) {
        ReportLine({"LISTENFAILED", QString::number(port)});
    });
}

} // namespace

int RunPeerRole(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 6)
        return 2;
    TestCore core(TestCore::Options{arguments.at(3), quint16(arguments.at(2).toUInt()),
                                    quint16(arguments.at(4).toUInt()), quint16(arguments.at(5).toUInt()),
                                    ReportListening});
    PeerMessenger& messenger = core.Messenger();
    QObject::connect(&core.Session(), &Server::Connected, [] { ReportLine({"CONNECTED"}); });
    QObject::connect(&messenger, &PeerMessenger::UploadPlaceInLineRequested, [](QString user, QString text) {
        ReportLine({"SAID", user, text, ObfuscatedTo(user)});
    });
    QObject::connect(&messenger, &PeerMessenger::UserInfoReceived,
                     [](QString user, QString description, bool, QByteArray, int uploadSlots, int queued, bool free) {
                         ReportLine({"INFO", user, description, QString::number(uploadSlots), QString::number(queued),
                                     free ? "yes" : "no"});
                     });
    QObject::connect(&messenger, &PeerMessenger::ConnectionToUserFailed, [](QString user, QString type) {
        ReportLine({"FAILED", user, type});
    });

    CommandReader commands([&messenger](const QStringList& command) { Obey(messenger, command); });
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);
    core.Connect();
    return application.exec();
}

bool PeerChild::Start(quint16 serverPort, const QString& name, quint16 port, quint16 obfuscatedPort)
{
    return Launch(
        {PeerRoleArgument, QString::number(serverPort), name, QString::number(port), QString::number(obfuscatedPort)});
}
