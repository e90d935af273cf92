#include "app/ClientCore.h"
#include "app/DelayedInvoker.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "dnet/DNetManager.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "wire/ExtendedAsciiTranslator.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A core started the way the program starts it, without any window.
std::unique_ptr<ClientCore> StartCore(TickIntervals intervals = TickIntervals())
{
    d.Clear();
    auto core = std::make_unique<ClientCore>(intervals);
    core->CreateManagers();
    // Other clients may reach it only from this machine.
    peerMessenger->SetListeningAddress(QHostAddress::LocalHost);
    core->WriteSettingDefaults();
    core->LoadConfiguration();
    core->Start();
    core->ConnectIfUserKnown();
    return core;
}

QByteArray SavedBytes()
{
    QFile file(ClientCore::ConfigurationPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The whole core runs headless: no QApplication, no widget.
class TestClientCore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;
    QByteArray previousHome;

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        previousHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
    }

    void cleanupTestCase()
    {
        qputenv("HOME", previousHome);
        d.Clear();
    }

    void startsLoadsTicksAndShutsDownInOrder()
    {
        QCOMPARE(ClientCore::ConfigurationPath(), home.path() + "/.Quillmer");
        {
            // The first run finds no file: defaults, and no connection without a user name.
            auto core = StartCore();
            QVERIFY(timerManager && dataSaver && gp_server && peerMessenger && delayedInvoker && dnetManager
                    && sharedFoldersManager && extendedAsciiTranslator);
            QCOMPARE(GetSetting("chat_timestamps"), QString("activity_based"));
            QCOMPARE(gp_server->GetState(), int(Server::StateNotConnected));
            SetSetting("server_host", "127.0.0.1");
            SetSetting("use_upnp", "no");
            SetSetting("minimize_to_tray", "no");
            d.GetType("wish_list_item")->GetItem("rare live recording");
            QVERIFY(QDir(home.path()).mkpath("music"));
            QFile song(home.path() + "/music/song.mp3");
            QVERIFY(song.open(QIODevice::WriteOnly) && song.write("not really audio") > 0);
            song.close();
            sharedFoldersManager->AddSharedFolder(home.path() + "/music");
            QTRY_VERIFY_WITH_TIMEOUT(!sharedFoldersManager->IsScanning(), 10000);
            core->Shutdown();
            QVERIFY(!timerManager && !dataSaver && !gp_server && !peerMessenger && !delayedInvoker && !dnetManager
                    && !sharedFoldersManager && !extendedAsciiTranslator);
            core->Shutdown();
        }
        QVERIFY(QFile::permissions(ClientCore::ConfigurationPath()) & QFile::ReadOwner);
        QCOMPARE(QFile::permissions(ClientCore::ConfigurationPath()) & (QFile::ReadGroup | QFile::ReadOther),
                 QFile::Permissions());

        // The second run loads what the first saved; the ticks collect and save.
        auto core = StartCore({60 * 1000, 20, 40});
        QCOMPARE(GetSetting("minimize_to_tray"), QString("no"));
        QCOMPARE(GetSetting("data_version"), QString("1"));
        QVERIFY(!d.GetType("wish_list_item")->HasItem("rare live recording").IsNull());
        QVERIFY(!sharedFoldersManager->GetSharedFileItem(home.path() + "/music/song.mp3").IsNull());
        d.GetType("room_ticker_text")->GetItem("unreachable");
        SetSetting("user_description", "written by the hourly save");
        QTRY_VERIFY_WITH_TIMEOUT(d.GetType("room_ticker_text")->HasItem("unreachable").IsNull(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(SavedBytes().contains("hourly save"), 5000);
        SetSetting("user_description", "written at shut-down");
        core.reset();
        StartCore();
        QCOMPARE(GetSetting("user_description"), QString("written at shut-down"));
    }

    void failedSavesAreReportedOncePerStreak()
    {
        auto core = StartCore();
        SetSetting("show_diagnostics", "yes");
        QStringList logged;
        connect(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged, core.get(),
                [&logged](const QString& area, const QString& line) { logged << area + ": " + line; });
        QSignalSpy failures(core.get(), &ClientCore::SaveFailed);

        // A folder where the file should be: every save fails and the folder stays.
        const QString path = ClientCore::ConfigurationPath();
        QFile::remove(path);
        QVERIFY(QDir().mkdir(path));
        QVERIFY(!core->SaveConfiguration());
        QVERIFY(!core->SaveConfiguration());
        QCOMPARE(failures.count(), 1);
        QVERIFY(!failures.at(0).at(0).toString().isEmpty());
        QVERIFY2(logged.filter("Configuration Data: ").filter("Failure to save").size() == 2,
                 qPrintable(logged.join('\n')));

        QVERIFY(QDir().rmdir(path));
        QVERIFY(core->SaveConfiguration());
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        QVERIFY(!core->SaveConfiguration());
        QCOMPARE(failures.count(), 2);
        QVERIFY(QDir().rmdir(path));
    }
};

QTEST_GUILESS_MAIN(TestClientCore)
#include "tst_clientcore.moc"
