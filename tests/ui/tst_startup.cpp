#include "ClientHome.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <csignal>

namespace {

constexpr int StartTimeoutMs = 30000;

QString ClientProgram()
{
    return QCoreApplication::applicationDirPath() + "/../src/quillmer";
}

// A run of the built client in its own home folder.
class ClientProcess
{
public:
    explicit ClientProcess(const QString& home)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(ClientProgram(), QStringList());
    }

    ~ClientProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(StartTimeoutMs);
        }
    }

    QProcess process;
};

void WaitForFile(const QString& path)
{
    for (int attempt = 0; attempt < 1500 && !QFile::exists(path); ++attempt)
        QTest::qWait(20);
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void secondStartExitsAndTerminationSaves();
    void terminationDuringFirstRunDialogueSaves();
    void staleLockOfCrashedRunDoesNotBlock();

private:
    // Where the clients log in: it accepts and stays silent.
    QMap<QString, QString> SettingsOfKnownUser() const;
    bool ClientConnects();

    QTcpServer silentServer;
};

void StartupTest::initTestCase()
{
    QVERIFY2(QFile::exists(ClientProgram()), qPrintable("Build the client first: " + ClientProgram()));
    QVERIFY(silentServer.listen(QHostAddress::LocalHost, 0));
}

QMap<QString, QString> StartupTest::SettingsOfKnownUser() const
{
    return {{"username", "alice"},
            {"password", "secret"},
            {"use_upnp", "no"},
            {"server_host", "127.0.0.1"},
            {"server_port", QString::number(silentServer.serverPort())}};
}

bool StartupTest::ClientConnects()
{
    if (!silentServer.waitForNewConnection(StartTimeoutMs))
        return false;
    delete silentServer.nextPendingConnection();
    return true;
}

void StartupTest::secondStartExitsAndTerminationSaves()
{
    ClientHome home;
    WriteSavedSettings(home.ConfigurationPath(), SettingsOfKnownUser());
    QVERIFY(!ReadSavedSettings(home.ConfigurationPath()).contains("data_version"));

    ClientProcess first(home.Path());
    QVERIFY(first.process.waitForStarted(StartTimeoutMs));
    QVERIFY(ClientConnects());

    ClientProcess second(home.Path());
    QVERIFY(second.process.waitForFinished(StartTimeoutMs));
    QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.process.exitCode(), 0);
    QCOMPARE(first.process.state(), QProcess::Running);
    // The second copy did not log in beside the first.
    QVERIFY(!silentServer.hasPendingConnections());

    first.process.terminate();
    QVERIFY(first.process.waitForFinished(StartTimeoutMs));
    QCOMPARE(first.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.process.exitCode(), 0);
    const QMap<QString, QString> saved = ReadSavedSettings(home.ConfigurationPath());
    QCOMPARE(saved.value("data_version"), QString("1"));
    QCOMPARE(saved.value("username"), QString("alice"));
    QCOMPARE(saved.value("minimize_to_tray"), QString("yes"));
}

void StartupTest::terminationDuringFirstRunDialogueSaves()
{
    ClientHome home;
    ClientProcess client(home.Path());
    QVERIFY(client.process.waitForStarted(StartTimeoutMs));
    // The lock is taken before the window is built; the name dialog then
    // waits for the user, who never answers.
    WaitForFile(home.Path() + "/.QuillmerQt.lock");
    QVERIFY(QFile::exists(home.Path() + "/.QuillmerQt.lock"));

    ::kill(client.process.processId(), SIGINT);
    QVERIFY(client.process.waitForFinished(StartTimeoutMs));
    QCOMPARE(client.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(client.process.exitCode(), 0);
    const QMap<QString, QString> saved = ReadSavedSettings(home.ConfigurationPath());
    QCOMPARE(saved.value("data_version"), QString("1"));
    QVERIFY(saved.value("username").isEmpty());
    QVERIFY(!QFile::exists(home.Path() + "/.QuillmerQt.lock"));
}

void StartupTest::staleLockOfCrashedRunDoesNotBlock()
{
    ClientHome home;
    WriteSavedSettings(home.ConfigurationPath(), SettingsOfKnownUser());
    {
        ClientProcess crashed(home.Path());
        QVERIFY(crashed.process.waitForStarted(StartTimeoutMs));
        QVERIFY(ClientConnects());
        crashed.process.kill();
        QVERIFY(crashed.process.waitForFinished(StartTimeoutMs));
    }
    QVERIFY(QFile::exists(home.Path() + "/.QuillmerQt.lock"));

    ClientProcess restarted(home.Path());
    QVERIFY(restarted.process.waitForStarted(StartTimeoutMs));
    QVERIFY(ClientConnects());
    QCOMPARE(restarted.process.state(), QProcess::Running);
    restarted.process.terminate();
    QVERIFY(restarted.process.waitForFinished(StartTimeoutMs));
    QCOMPARE(restarted.process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_startup.moc"
