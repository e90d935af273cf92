#include "SessionFixture.h"

#include "store/Data.h"

#include <QSignalSpy>
#include <QtTest>

// Starting searches: one token counter for every kind, a record per search.
class TestSearches : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SessionFixture> f;

    static ItemPtr Request(unsigned int token) { return d.GetType("search_request")->HasItem(Value(token)); }

private slots:
    void init()
    {
        f = std::make_unique<SessionFixture>();
        QVERIFY(f->LogIn());
    }
    void cleanup() { f.reset(); }

    void everyKindTakesTheNextTokenAndIsRecorded()
    {
        QSignalSpy requested(f->server.get(), &Server::SearchRequested);
        QCOMPARE(f->server->FileSearch("pink", false), 1u);
        QCOMPARE(f->server->FileSearch("floyd", true), 2u);
        QCOMPARE(f->server->SearchRoom("lobby", "moon"), 3u);
        QCOMPARE(f->server->SearchUserList("wall"), 4u);
        QCOMPARE(requested.count(), 4);
        QCOMPARE(requested.at(1), (QList<QVariant>{2u, "floyd", true}));

        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_FILE_SEARCH), 1u, QString("pink")));
        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_LOW_PRIORITY_FILE_SEARCH), 2u, QString("floyd")));
        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_SEARCH_ROOM), QString("lobby"), 3u, QString("moon")));

        for (unsigned int token : {1u, 2u, 3u, 4u})
            QVERIFY(Request(token));
        QCOMPARE(Request(1).GetItem("search_request_text").AsString(), QString("pink"));
        QVERIFY(!Request(1).IsConnected("wishlist_search"));
        QCOMPARE(Request(2).GetItem("search_request_text").AsString(), QString("floyd"));
        QVERIFY(Request(2).IsConnected("wishlist_search"));
        QCOMPARE(Request(3).GetItem("search_request_text").AsString(), QString("moon"));
    }

    void userListSearchAsksOnlyOnlineListedUsers()
    {
        for (const char* name : {"ann", "bob", "cat"}) {
            ItemPtr user = d.GetType("user")->GetItem(name);
            if (QByteArray(name) != "cat")
                user.NewItem("in_user_list");
            if (QByteArray(name) != "bob")
                user.NewItem("is_online");
        }
        const unsigned int token = f->server->SearchUserList("wall");
        f->server->EveryFiveMinutes();
        QCOMPARE(f->NextSent(),
                 Bytes(uint32_t(SM_SEARCH_USER_FILES), QString("ann"), uint32_t(token), QString("wall")));
        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_HEARTBEAT)));
    }

    void userListSearchWithEveryoneOfflineStillUsesAToken()
    {
        d.GetType("user")->GetItem("ann").NewItem("in_user_list");
        QCOMPARE(f->server->SearchUserList("wall"), 1u);
        QVERIFY(Request(1));
        QCOMPARE(f->server->FileSearch("next", false), 2u);
        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_FILE_SEARCH), 2u, QString("next")));
    }
};

QTEST_GUILESS_MAIN(TestSearches)
#include "tst_searches.moc"
