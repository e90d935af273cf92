#include "HttpServer.h"

#include "LocalServer.h"
#include "app/Log.h"
#include "app/ProgramVersion.h"
#include "app/Settings.h"
#include "server/Server.h"
#include "services/UpdateChecker.h"
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QByteArray NextDay = QByteArray::number(ProgramVersion + 1);
const QByteArray Base = "https://example.org/files";

// A version file naming the next day's build, `size` bytes long, padded with notes.
QByteArray PaddedFile(int size)
{
    QByteArray file = NextDay + "\n" + Base + "\nq\n";
    while (file.size() < size)
        file += QByteArray(qMin(60, size - file.size()) - 1, 'n') + "\n";
    return file;
}
} // namespace

// The version check against a web server on 127.0.0.1.
class TestVersionCheck : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;
    std::unique_ptr<DataSaver> saver;
    QStringList logged;

    // Waits for the line that ends a check.
    bool CheckEnded()
    {
        return QTest::qWaitFor(
            [this] {
                for (const QString& line : logged)
                    if (line.contains("] Version check failed") || line.contains("] Version check done")
                        || line.contains("] No version check"))
                        return true;
                return false;
            },
            5000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        qputenv("HOME", home.path().toLocal8Bit());
        // Straight to the test's server, whatever the machine's proxy settings.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        connect(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged, this,
                [this](const QString& area, const QString& line) {
                    if (area == "Version Check")
                        logged << line;
                });
    }

    void init()
    {
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        SetSetting("show_diagnostics", "yes");
        logged.clear();
    }

    void cleanup()
    {
        saver.reset();
        d.Clear();
    }

    void offersOnlyANewerBuild_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("skipped");
        QTest::addColumn<qint64>("offered");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("notes");
        const QString download = Base + "/Linux/quillmer-next-64bit.tgz";
        const QByteArray thisBuild = QByteArray::number(ProgramVersion);
        const QByteArray dayAfter = QByteArray::number(ProgramVersion + 2);

        QTest::newRow("this build") << thisBuild + "\n" + Base + "\nquillmer-next\nnote\n"
                                    << 200 << qint64(0) << qint64(0) << QString() << QStringList();
        QTest::newRow("next day's build")
            << NextDay + "\n" + Base + "\nquillmer-next\nfaster searches\nfewer crashes\n"
            << 200 << qint64(0) << ProgramVersion + 1 << download << QStringList({"faster searches", "fewer crashes"});
        QTest::newRow("skipped build") << NextDay + "\n" + Base + "\nquillmer-next\n"
                                       << 200 << ProgramVersion + 1 << qint64(0) << QString() << QStringList();
        QTest::newRow("later than the skipped one")
            << dayAfter + "\n" + Base + "\nquillmer-next\n"
            << 200 << ProgramVersion + 1 << ProgramVersion + 2 << download << QStringList();
        QTest::newRow("empty third line") << NextDay + "\n" + Base + "\n\nnote\n"
                                          << 200 << qint64(0) << qint64(0) << QString() << QStringList();
        QTest::newRow("empty second line") << NextDay + "\n\nquillmer-next\nnote\n"
                                           << 200 << qint64(0) << qint64(0) << QString() << QStringList();
        QTest::newRow("last note without a line feed")
            << NextDay + "\n" + Base + "\nquillmer-next\nkept\ndropped" << 200 << qint64(0) << ProgramVersion + 1
            << download << QStringList({"kept"});
        QTest::newRow("trimmed Latin-1 lines")
            << "  " + NextDay + " \r\n " + Base + "\t\r\nquillmer-next\r\n caf\xe9 au lait \r\n"
            << 200 << qint64(0) << ProgramVersion + 1 << download << QStringList({QString::fromUtf8("café au lait")});
        QTest::newRow("not a number") << "soon\n" + Base + "\nquillmer-next\n"
                                      << 200 << qint64(0) << qint64(0) << QString() << QStringList();
        QTest::newRow("download not on the web") << NextDay + "\nfile:///usr\nbin/evil\n"
                                                 << 200 << qint64(0) << qint64(0) << QString() << QStringList();
        QTest::newRow("server error") << NextDay + "\n" + Base + "\nquillmer-next\n"
                                      << 404 << qint64(0) << qint64(0) << QString() << QStringList();
        const QByteArray largest = PaddedFile(UpdateChecker::MaxReplyBytes);
        QTest::newRow("largest reply") << largest << 200 << qint64(0) << ProgramVersion + 1
                                       << QString::fromLatin1(Base + "/Linux/q-64bit.tgz")
                                       << QStringList(
                                              QString::fromLatin1(largest).split('\n', Qt::SkipEmptyParts).mid(3));
        QTest::newRow("oversized reply") << PaddedFile(UpdateChecker::MaxReplyBytes + 1) << 200 << qint64(0)
                                         << qint64(0) << QString() << QStringList();
    }

    void offersOnlyANewerBuild()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QFETCH(qint64, skipped);
        QFETCH(qint64, offered);
        QFETCH(QString, address);
        QFETCH(QStringList, notes);
        if (skipped != 0)
            SetSetting("skip_version", QString::number(skipped));
        HttpServer server([&](const HttpServer::Request&) {
            HttpServer::Response response;
            response.status = status;
            response.body = file;
            return response;
        });
        QVERIFY(server.Listen());
        UpdateChecker checker(QUrl(server.Url("/quillmer/version.txt")));
        QSignalSpy offers(&checker, &UpdateChecker::NewVersion);
        checker.CheckForNewVersion();
        QVERIFY2(CheckEnded(), qPrintable(logged.join('\n')));
        QCOMPARE(server.Requests().size(), 1);
        QCOMPARE(server.Requests().at(0).method, QByteArray("GET"));
        QCOMPARE(server.Requests().at(0).path, QByteArray("/quillmer/version.txt"));
        QCOMPARE(offers.count(), offered ? 1 : 0);
        if (!offered)
            return;
        QCOMPARE(offers.at(0).at(0).toLongLong(), offered);
        QCOMPARE(offers.at(0).at(1).toString(), address);
        QCOMPARE(offers.at(0).at(2).toStringList(), notes);
    }

    void silentServerIsGivenUp()
    {
        HttpServer server([](const HttpServer::Request&) {
            HttpServer::Response response;
            response.answered = false;
            return response;
        });
        QVERIFY(server.Listen());
        UpdateChecker checker(QUrl(server.Url("/version.txt")), 300);
        QSignalSpy offers(&checker, &UpdateChecker::NewVersion);
        QElapsedTimer timer;
        timer.start();
        checker.CheckForNewVersion();
        QVERIFY(CheckEnded());
        QVERIFY(timer.elapsed() >= 300);
        QCOMPARE(server.Requests().size(), 1);
        QCOMPARE(offers.count(), 0);
    }

    void fetchesOnlyFromSafeAddresses()
    {
        // No address: no check at all.
        UpdateChecker none{QUrl()};
        none.CheckForNewVersion();
        QTest::qWait(50);
        QVERIFY(logged.isEmpty());
        // Plain http elsewhere than on this machine is refused before any lookup.
        UpdateChecker plain(QUrl("http://updates.example.invalid/version.txt"));
        plain.CheckForNewVersion();
        QVERIFY(CheckEnded());
        QVERIFY(logged.last().endsWith("No version check: http://updates.example.invalid/version.txt is not an "
                                       "https address."));
    }

    void checksOncePerRun()
    {
        Server::CreateData();
        localserver::ServerOptions options;
        options.quiet = true;
        localserver::LocalServer network(options);
        QVERIFY(network.Listen());
        HttpServer web([](const HttpServer::Request&) {
            HttpServer::Response response;
            response.body = NextDay + "\n" + Base + "\nq\n";
            return response;
        });
        QVERIFY(web.Listen());
        Server session;
        SetSetting("server_host", "127.0.0.1");
        SetSetting("server_port", QString::number(network.ServerPort()));
        SetSetting("username", "updater");
        SetSetting("password", "secret");
        UpdateChecker checker(QUrl(web.Url("/version.txt")));
        checker.Init();
        QSignalSpy offers(&checker, &UpdateChecker::NewVersion);

        session.Connect();
        QTRY_VERIFY_WITH_TIMEOUT(session.IsConnected(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(offers.count(), 1, 5000);
        session.Disconnect();
        session.Connect();
        QTRY_VERIFY_WITH_TIMEOUT(session.IsConnected(), 5000);
        QTest::qWait(100);
        QCOMPARE(web.Requests().size(), 1);
        QCOMPARE(offers.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestVersionCheck)
#include "tst_versioncheck.moc"
