#include "SearchWatcher.h"

#include "LocalServer.h"
#include "app/ClientCore.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "search/WishListSearcher.h"
#include "server/Server.h"
#include "services/PortForwarder.h"
#include "services/UpdateChecker.h"
#include "store/Data.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

namespace {
// One second of the server's interval lasts this long here.
constexpr int SecondMs = 50;

QStringList Texts(const std::list<ItemPtr>& items)
{
    QStringList texts;
    for (ItemPtr item : items)
        texts << item.AsString();
    return texts;
}
} // namespace

// The wish list searched at the local server's interval, with a client core
// logged in as "wisher" and another user watching the searches arrive.
class TestWishList : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;
    QByteArray previousHome;
    std::unique_ptr<localserver::LocalServer> network;
    std::unique_ptr<ClientCore> core;
    std::unique_ptr<SearchWatcher> watcher;
    QStringList logged;

    void StartNetwork(quint32 intervalSeconds)
    {
        localserver::ServerOptions options;
        options.quiet = true;
        options.wishListInterval = intervalSeconds;
        network = std::make_unique<localserver::LocalServer>(options);
        QVERIFY(network->Listen());
    }

    // A core started as the program starts it, pointed at the local server.
    void StartCore()
    {
        d.Clear();
        TickIntervals intervals;
        intervals.wishListSecondMs = SecondMs;
        core = std::make_unique<ClientCore>(intervals);
        core->CreateManagers();
        core->WriteSettingDefaults();
        core->LoadConfiguration();
        core->Start();
        SetSetting("server_host", "127.0.0.1");
        SetSetting("server_port", QString::number(network->ServerPort()));
        SetSetting("username", "wisher");
        SetSetting("password", "secret");
        SetSetting("use_upnp", "no");
        SetSetting("show_diagnostics", "yes");
    }

    void LogIn()
    {
        gp_server->Connect();
        QTRY_VERIFY_WITH_TIMEOUT(gp_server->IsConnected(), 5000);
    }

    void Watch()
    {
        watcher = std::make_unique<SearchWatcher>();
        QVERIFY(watcher->LogIn(network->ServerPort(), "watcher"));
    }

    bool Logged(const QString& text) const
    {
        for (const QString& line : logged)
            if (line.endsWith("] " + text))
                return true;
        return false;
    }

    static std::size_t SearchRecords() { return d.GetType("search_request")->ItemCount(); }

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        previousHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        connect(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged, this,
                [this](const QString& area, const QString& line) {
                    if (area == "Wish List")
                        logged << line;
                });
    }

    void cleanup()
    {
        core.reset();
        watcher.reset();
        network.reset();
        logged.clear();
        QFile::remove(ClientCore::ConfigurationPath());
    }

    void cleanupTestCase()
    {
        qputenv("HOME", previousHome);
        d.Clear();
    }

    void waitsForTheServerThenSearchesEachEnabledWishInTurn()
    {
        StartNetwork(1);
        StartCore();
        QVERIFY(wishListSearcher && portForwarder && updateChecker);
        for (const char* text : {"zebra", "apple", "mango", "dormant"})
            QVERIFY(!wishListSearcher->AddWish(text).IsNull());
        wishListSearcher->SetWishEnabled("dormant", false);
        Watch();

        // Before the server has sent its interval nothing is searched.
        QSignalSpy requested(gp_server, &Server::SearchRequested);
        QTest::qWait(5 * SecondMs);
        QCOMPARE(requested.count(), 0);

        LogIn();
        for (const char* text : {"apple", "mango", "zebra", "apple"})
            QCOMPARE(watcher->NextSearch(), QString("wisher: ") + text);
        QCOMPARE(GetVolatileSetting("wish_list_wait"), QString("1"));
        QVERIFY(Logged(QString("Wish list wait period set to %1 milliseconds").arg(SecondMs)));
        QVERIFY(Logged("Sent wish list search: mango"));
        QVERIFY(requested.count() >= 4);
        for (const QList<QVariant>& search : requested) {
            QVERIFY(search.at(2).toBool());
            const ItemPtr record = d.GetType("search_request")->HasItem(Value(search.at(0).toUInt()));
            QVERIFY(record.IsConnected("wishlist_search"));
        }

        core->Shutdown();
        QVERIFY(!wishListSearcher && !portForwarder && !updateChecker);
    }

    void turnsFollowChangesToTheList()
    {
        // The interval is long: each turn here is a timeout called by hand.
        StartNetwork(3600);
        StartCore();
        for (const char* text : {"a1", "b2", "c3", "d4"})
            wishListSearcher->AddWish(text);
        Watch();
        LogIn();
        const auto turn = [] { wishListSearcher->OnSearchTimerTimeout(); };
        const auto index = [] { return GetVolatileSetting("wish_list_search_index"); };

        QCOMPARE(index(), QString("0"));
        for (const char* text : {"a1", "b2", "c3"}) {
            turn();
            QCOMPARE(watcher->NextSearch(), QString("wisher: ") + text);
        }
        QCOMPARE(index(), QString("3"));

        // A list shorter than the position still gives a search, wrapping, and
        // then starts again from the first.
        wishListSearcher->RemoveWish("c3");
        wishListSearcher->RemoveWish("d4");
        QCOMPARE(Texts(WishListSearcher::EnabledWishes()), QStringList({"a1", "b2"}));
        turn();
        QCOMPARE(watcher->NextSearch(), QString("wisher: b2"));
        QCOMPARE(index(), QString("0"));
        turn();
        QCOMPARE(watcher->NextSearch(), QString("wisher: a1"));
        QCOMPARE(index(), QString("1"));

        // Without an enabled wish a turn sends nothing and keeps the position.
        wishListSearcher->SetWishEnabled("a1", false);
        wishListSearcher->SetWishEnabled("b2", false);
        std::size_t records = SearchRecords();
        turn();
        QCOMPARE(index(), QString("1"));
        QCOMPARE(SearchRecords(), records);
        gp_server->FileSearch("marker", false);
        QCOMPARE(watcher->NextSearch(), QString("wisher: marker"));

        // Logged out, a turn is not spent on a search that could not go out,
        // and leaves no record of one.
        wishListSearcher->SetWishEnabled("a1", true);
        wishListSearcher->SetWishEnabled("b2", true);
        gp_server->Disconnect();
        records = SearchRecords();
        turn();
        QCOMPARE(index(), QString("1"));
        QCOMPARE(SearchRecords(), records);
        LogIn();
        turn();
        QCOMPARE(watcher->NextSearch(), QString("wisher: b2"));
        QCOMPARE(SearchRecords(), records + 1);
    }

    void wishesAreEditedAndKeptAcrossRestarts()
    {
        StartNetwork(3600);
        StartCore();
        QVERIFY(wishListSearcher->AddWish("   ").IsNull());
        QCOMPARE(wishListSearcher->AddWish("  live set ").AsString(), QString("live set"));
        wishListSearcher->AddWish("quiet one");
        wishListSearcher->SetWishEnabled("quiet one", false);
        wishListSearcher->AddWish("gone");
        wishListSearcher->RemoveWish(" gone");
        QVERIFY(WishListSearcher::FindWish("gone").IsNull());

        // The server's interval is bounded both ways.
        wishListSearcher->OnWishListWait(0);
        QVERIFY(Logged(QString("Wish list wait period set to %1 milliseconds").arg(SecondMs)));
        wishListSearcher->OnWishListWait(std::numeric_limits<unsigned int>::max());
        QVERIFY(Logged(QString("Wish list wait period set to %1 milliseconds").arg(std::numeric_limits<int>::max())));

        core.reset();
        StartCore();
        QCOMPARE(Texts(WishListSearcher::EnabledWishes()), QStringList({"live set"}));
        QVERIFY(!WishListSearcher::FindWish("quiet one").IsNull());
        QCOMPARE(GetVolatileSetting("wish_list_search_index"), QString("0"));
    }
};

QTEST_GUILESS_MAIN(TestWishList)
#include "tst_wishlist.moc"
