#include "ClientProcess.h"

#include "TestClient.h"
#include "TransferFixture.h"

#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"

#include <QCoreApplication>
#include <QMap>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

// A process left behind by a failed test ends by itself.
constexpr int LifetimeMs = 180 * 1000;

void Report(const QStringList& fields)
{
    std::fputs((fields.join('\t') + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void Obey(const QStringList& command)
{
    const QString verb = command.value(0);
    if (verb == "share") {
        sharedFoldersManager->AddSharedFolder(command.value(1)).NewItem("shared_public");
        auto* poll = new QTimer(QCoreApplication::instance());
        QObject::connect(poll, &QTimer::timeout, [poll] {
            if (sharedFoldersManager->IsScanning())
                return;
            poll->deleteLater();
            Report({"SHARED"});
        });
        poll->start(20);
    } else if (verb == "limit") {
        SetSetting("upload_speed_limit", command.value(1));
        transferQueueManager->EnableUploadSpeedLimit(command.value(1).toInt() > 0);
    } else if (verb == "quit") {
        QCoreApplication::quit();
    }
}

// Reports the upload entries whose status changed since the last look.
void ReportUploads(QMap<QString, QString>& known)
{
    for (ItemPtr entry : g("upload_entry")) {
        const QString path = entry.GetItem("filename_as_requested").AsString();
        const QString status = entry.GetItem("upload_entry_status").AsString();
        if (known.value(path) != status)
            Report({"UPLOAD", path, status});
        known[path] = status;
    }
}

} // namespace

int RunClientRole(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 7)
        return 2;
    TestClient::Options options;
    options.serverPort = quint16(arguments.at(2).toUInt());
    options.user = arguments.at(3);
    options.port = quint16(arguments.at(4).toUInt());
    options.obfuscatedPort = quint16(arguments.at(5).toUInt());
    options.home = arguments.at(6);
    options.beforeLoad = [] {
        QObject::connect(peerMessenger, &PeerMessenger::Listening, [](int port, int obfuscatedPort) {
            Report({"LISTENING", QString::number(port), QString::number(obfuscatedPort)});
        });
    };
    TestClient client(options);
    QObject::connect(gp_server, &Server::Connected, [] { Report({"CONNECTED"}); });

    QMap<QString, QString> uploads;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&uploads] { ReportUploads(uploads); });
    watch.start(20);

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
    client.Connect();
    return application.exec();
}

ClientProcess::~ClientProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool ClientProcess::Start(quint16 serverPort, const QString& user, quint16 port, quint16 obfuscatedPort,
                          const QString& home)
{
    pending.clear();
    lines.clear();
    waited = 0;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(),
                  {ClientRoleArgument, QString::number(serverPort), user, QString::number(port),
                   QString::number(obfuscatedPort), home});
    return process.waitForStarted(5000);
}

void ClientProcess::Command(const QStringList& fields)
{
    process.write((fields.join('\t') + '\n').toUtf8());
}

void ClientProcess::ReadLines()
{
    pending += process.readAllStandardOutput();
    for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
        lines << QString::fromUtf8(pending.left(end));
        pending.remove(0, end + 1);
    }
}

const QStringList& ClientProcess::Lines()
{
    process.waitForReadyRead(0);
    ReadLines();
    return lines;
}

bool ClientProcess::WaitFor(const QStringList& fields, int ms)
{
    const QString wanted = fields.join('\t');
    return WaitUntil(
        [&] {
            ReadLines();
            for (; waited < lines.size(); ++waited)
                if (lines.at(waited) == wanted) {
                    ++waited;
                    return true;
                }
            return false;
        },
        ms);
}

bool ClientProcess::Quit()
{
    Command({"quit"});
    return process.waitForFinished(15000);
}
