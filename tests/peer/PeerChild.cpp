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
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

// A child left behind by a failed test ends by itself.
constexpr int LifetimeMs = 120 * 1000;

void Report(const QStringList& fields)
{
    std::fputs((fields.join('\t') + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

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
        Report({"LISTENING", QString::number(port), QString::number(obfuscatedPort)});
    });
    QObject::connect(peerMessenger, &PeerMessenger::ListeningFailed, [](int port, QString) {
        Report({"LISTENFAILED", QString::number(port)});
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
    QObject::connect(&core.Session(), &Server::Connected, [] { Report({"CONNECTED"}); });
    QObject::connect(&messenger, &PeerMessenger::UploadPlaceInLineRequested, [](QString user, QString text) {
        Report({"SAID", user, text, ObfuscatedTo(user)});
    });
    QObject::connect(&messenger, &PeerMessenger::UserInfoReceived,
                     [](QString user, QString description, bool, QByteArray, int uploadSlots, int queued, bool free) {
                         Report({"INFO", user, description, QString::number(uploadSlots), QString::number(queued),
                                 free ? "yes" : "no"});
                     });
    QObject::connect(&messenger, &PeerMessenger::ConnectionToUserFailed, [](QString user, QString type) {
        Report({"FAILED", user, type});
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
            Obey(messenger, QString::fromUtf8(pending.left(end)).split('\t'));
            pending.remove(0, end + 1);
        }
    });
    QTimer::singleShot(LifetimeMs, &application, &QCoreApplication::quit);
    core.Connect();
    return application.exec();
}

PeerChild::~PeerChild()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool PeerChild::Start(quint16 serverPort, const QString& name, quint16 port, quint16 obfuscatedPort)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(
        QCoreApplication::applicationFilePath(),
        {PeerRoleArgument, QString::number(serverPort), name, QString::number(port), QString::number(obfuscatedPort)});
    return process.waitForStarted(5000);
}

void PeerChild::Command(const QStringList& fields)
{
    process.write((fields.join('\t') + '\n').toUtf8());
}

bool PeerChild::WaitFor(const QStringList& fields, int ms)
{
    const QByteArray wanted = (fields.join('\t') + '\n').toUtf8();
    return WaitUntil(
        [&] {
            output += process.readAllStandardOutput();
            int lineStart = 0;
            while (lineStart < output.size()) {
                const int lineEnd = output.indexOf('\n', lineStart);
                if (lineEnd < 0)
                    break;
                if (output.mid(lineStart, lineEnd + 1 - lineStart) == wanted) {
                    output.remove(0, lineEnd + 1);
                    return true;
                }
                lineStart = lineEnd + 1;
            }
            output.remove(0, lineStart);
            return false;
        },
        ms);
}

bool PeerChild::Quit()
{
    Command({"quit"});
    process.closeWriteChannel();
    return process.waitForFinished(10000);
}
