#include "ClientHome.h"
#include "ModalDriver.h"

#include "LocalServer.h"

#include "app/TimerManager.h"
#include "server/Server.h"
#include "store/Data.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QFile>
#include <QMessageBox>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int WaitMs = 10000;

const QString Advice = "Please change your login settings in the Options tab and try reconnecting.";

// A loopback port on which nobody listens any more.
quint16 ClosedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

QAction* Action(const MainWindow& window, const char* name)
{
    return window.findChild<QAction*>(name);
}

QString Status(MainWindow& window)
{
    return window.statusBar()->currentMessage();
}

// The session's socket, to know when the server's close has been seen.
QTcpSocket* SessionSocket()
{
    return gp_server ? gp_server->findChild<QTcpSocket*>() : nullptr;
}

// Runs the window's reactions already posted, so that a box they would open
// is met by the driver before the test looks at what it saw.
void DeliverQueuedReactions()
{
    QCoreApplication::sendPostedEvents();
}

} // namespace

class ServerUiTest : public QObject
{
    Q_OBJECT

private slots:
    void loginConnectsAndActionTogglesSession();
    void loginFailureShowsItsBox_data();
    void loginFailureShowsItsBox();
    void failedReconnectionAfterDropShowsNoBox();
    void usernameCannotChangeWhileOnline();
};

void ServerUiTest::loginConnectsAndActionTogglesSession()
{
    ClientHome home;
    auto server = StartLocalServer();
    QVERIFY(server);
    SaveLogin(home, "alice", server->ServerPort());
    ModalDriver driver;

    auto window = StartClient();
    QAction* connectAction = Action(*window, "connect_disconnect");
    QVERIFY(connectAction);
    QCOMPARE(Status(*window), QString("Connecting..."));
    QVERIFY(!connectAction->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(Status(*window), QString("Connected"), WaitMs);
    QCOMPARE(connectAction->text(), QString("Disconnect"));
    QVERIFY(connectAction->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(server->OnlineUsers(), QStringList({"alice"}), WaitMs);

    connectAction->trigger();
    QCOMPARE(Status(*window), QString("Disconnected"));
    QCOMPARE(connectAction->text(), QString("Connect"));
    QTRY_VERIFY_WITH_TIMEOUT(server->OnlineUsers().isEmpty(), WaitMs);
    QVERIFY(!gp_server->IsAbruptlyDisconnected());

    connectAction->trigger();
    QCOMPARE(Status(*window), QString("Connecting..."));
    QTRY_COMPARE_WITH_TIMEOUT(Status(*window), QString("Connected"), WaitMs);
    QCOMPARE(connectAction->text(), QString("Disconnect"));
    QTRY_COMPARE_WITH_TIMEOUT(server->OnlineUsers(), QStringList({"alice"}), WaitMs);
    // A session the user closed and opened again raised no box.
    QVERIFY(driver.Titles().isEmpty());
}

void ServerUiTest::loginFailureShowsItsBox_data()
{
    QTest::addColumn<QString>("username");
    QTest::addColumn<QByteArray>("accounts");
    QTest::addColumn<bool>("serverListens");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    // What the status bar says instead of the session's reason code; %1 is the port.
    QTest::addColumn<QString>("status");
    QTest::newRow("wrong password") << "alice" << QByteArray("alice\tother\n") << true
                                    << "Login Failure: Wrong Password"
                                    << "Login failed. The password you supplied does not match your username. "
                                    << "Not connected: wrong password for \"alice\". Set the right one with "
                                       "Settings > Username/Password, then press Connect.";
    QTest::newRow("invalid user name") << " alice" << QByteArray() << true << "Login Failure: Username is Invalid"
                                       << "Login failed. The username you supplied is invalid. "
                                       << "Not connected: the server does not accept the user name \" alice\". "
                                          "Choose another with Settings > Username/Password, then press Connect.";
    QTest::newRow("nobody listening") << "alice" << QByteArray() << false << "Login Failure"
                                      << "Login failed. Reported failure reason: the server at 127.0.0.1:%1 could "
                                         "not be reached (Connection refused). "
                                      << "Not connected: the server at 127.0.0.1:%1 could not be reached "
                                         "(Connection refused). Check the server host and port in Options > Login, "
                                         "then press Connect.";
}

void ServerUiTest::loginFailureShowsItsBox()
{
    QFETCH(QString, username);
    QFETCH(QByteArray, accounts);
    QFETCH(bool, serverListens);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, status);
    ClientHome home;
    QTemporaryDir accountsDir;
    const QString accountsFile = accounts.isEmpty() ? QString() : accountsDir.filePath("accounts");
    if (!accounts.isEmpty()) {
        QFile file(accountsFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(accounts);
    }
    std::unique_ptr<localserver::LocalServer> server;
    quint16 port = ClosedPort();
    if (serverListens) {
        server = StartLocalServer(accountsFile);
        QVERIFY(server);
        port = server->ServerPort();
    }
    QVERIFY(port != 0);
    SaveLogin(home, username, port);
    ModalDriver driver;
    driver.ThenPress(QMessageBox::Ok);

    auto window = StartClient();
    QTRY_VERIFY_WITH_TIMEOUT(driver.AllDone(), WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!SessionSocket() || SessionSocket()->state() == QAbstractSocket::UnconnectedState, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(gp_server->GetState(), int(Server::StateNotConnected), WaitMs);
    DeliverQueuedReactions();
    // The server's close after its refusal is part of the same failure: one box only.
    QCOMPARE(driver.Titles(), QStringList({title}));
    QCOMPARE(driver.Texts(), QStringList({QString(text + Advice).replace("%1", QString::number(port))}));
    QCOMPARE(Status(*window), QString(status).replace("%1", QString::number(port)));
    QCOMPARE(Action(*window, "connect_disconnect")->text(), QString("Connect"));
    if (server)
        QVERIFY(server->OnlineUsers().isEmpty());
}

void ServerUiTest::failedReconnectionAfterDropShowsNoBox()
{
    ClientHome home;
    auto server = StartLocalServer();
    QVERIFY(server);
    const quint16 port = server->ServerPort();
    SaveLogin(home, "alice", port);
    ModalDriver driver;

    auto window = StartClient();
    QAction* connectAction = Action(*window, "connect_disconnect");
    QTRY_COMPARE_WITH_TIMEOUT(Status(*window), QString("Connected"), WaitMs);

    // The server goes away under a logged-in session.
    server->Close();
    QTRY_COMPARE_WITH_TIMEOUT(Status(*window), QString("Disconnected"), WaitMs);
    QCOMPARE(connectAction->text(), QString("Connect"));
    QVERIFY(gp_server->IsAbruptlyDisconnected());

    // The half-minute tick retries and finds nobody listening: no box while
    // reconnecting on its own.
    emit timerManager->HalfMinuteTick();
    QCOMPARE(Status(*window), QString("Connecting..."));
    QTRY_COMPARE_WITH_TIMEOUT(Status(*window),
                              QString("Not connected: the server at 127.0.0.1:%1 could not be reached (Connection "
                                      "refused). Trying again every 30 seconds.")
                                  .arg(port),
                              WaitMs);
    DeliverQueuedReactions();
    QCOMPARE(gp_server->GetState(), int(Server::StateNotConnected));
    QCOMPARE(connectAction->text(), QString("Connect"));
    QVERIFY(gp_server->IsAbruptlyDisconnected());
    QVERIFY(driver.Titles().isEmpty());

    // Once the server is back, the next tick logs in again.
    QVERIFY(server->Listen(QHostAddress::LocalHost, port));
    emit timerManager->HalfMinuteTick();
    QTRY_COMPARE_WITH_TIMEOUT(Status(*window), QString("Connected"), WaitMs);
    QCOMPARE(connectAction->text(), QString("Disconnect"));
    QVERIFY(!gp_server->IsAbruptlyDisconnected());
    QVERIFY(driver.Titles().isEmpty());
}

void ServerUiTest::usernameCannotChangeWhileOnline()
{
    ClientHome home;
    auto server = StartLocalServer();
    QVERIFY(server);
    SaveLogin(home, "alice", server->ServerPort());
    ModalDriver driver;
    driver.ThenPress(QMessageBox::Ok);
    driver.Then([](QWidget* dialog) { dialog->close(); });

    auto window = StartClient();
    QTRY_COMPARE_WITH_TIMEOUT(Status(*window), QString("Connected"), WaitMs);
    QAction* userPass = Action(*window, "set_user_pass");
    QVERIFY(userPass);
    userPass->trigger();
    QCOMPARE(driver.Titles(), QStringList({"Cannot change username while online"}));
    QCOMPARE(driver.Texts(),
             QStringList({"You must be disconnected from the Quillmer server to change your username."}));
    QCOMPARE(Status(*window), QString("Connected"));

    // Once disconnected the dialog opens.
    Action(*window, "connect_disconnect")->trigger();
    userPass->trigger();
    QVERIFY(driver.AllDone());
    QCOMPARE(driver.Titles().value(1), QString("Set Username/Password"));
    QCOMPARE(driver.Titles().size(), 2);
}

QTEST_MAIN(ServerUiTest)
#include "tst_serverui.moc"
