#include "SessionFixture.h"

#include "server/ServerMessageCode.h"
#include "store/Data.h"

#include <QSignalSpy>
#include <QtTest>

// Starting searches: one token counter for every kind, a record per search.
class TestSearches : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SessionFixture> f;

    void ExpectSent(uint32_t code, MemStream& body)
    {
        uint32_t read = 0;
        QVERIFY(f->far->ReadMessage(read, body));
        QCOMPARE(read, code);
    }

    static ItemPtr Request(unsigned int token) { return d.GetType("search_request")->HasItem(Value(token)); }

private slots:
    void init()
    {
        f = std::make_unique<SessionFixture>();
        QVERIFY(f->LogIn());
    }
    void cleanup() { f.reset(); }

    void everyKindTakesTheNextToken()
    {
        QSignalSpy requested(f->server.get(), &Server::SearchRequested);
        QCOMPARE(f->server->FileSearch("pink", false), 1u);
        QCOMPARE(f->server->FileSearch("floyd", true), 2u);
        QCOMPARE(f->server->SearchRoom("lobby", "moon"), 3u);
        QCOMPARE(f->server->SearchUserList("wall"), 4u);
        QCOMPARE(requested.count(), 4);
        QCOMPARE(requested.at(1).at(2).toBool(), true);

        MemStream body;
        uint32_t token = 0;
        QString text;
        ExpectSent(SM_FILE_SEARCH, body);
        QVERIFY(body.Read(token) && body.Read(text));
        QCOMPARE(token, 1u);
        QCOMPARE(text, QString("pink"));
        ExpectSent(SM_LOW_PRIORITY_FILE_SEARCH, body);
        QVERIFY(body.Read(token));
        QCOMPARE(token, 2u);
        ExpectSent(SM_SEARCH_ROOM, body);
        QString room;
        QVERIFY(body.Read(room) && body.Read(token) && body.Read(text));
        QCOMPARE(room, QString("lobby"));
        QCOMPARE(token, 3u);
    }

    void searchesAreRecorded()
    {
        f->server->FileSearch("pink", false);
        f->server->FileSearch("floyd", true);
        QCOMPARE(Request(1).GetItem("search_request_text").AsString(), QString("pink"));
        QVERIFY(!Request(1).IsConnected("wishlist_search"));
        QCOMPARE(Request(2).GetItem("search_request_text").AsString(), QString("floyd"));
        QVERIFY(Request(2).IsConnected("wishlist_search"));
    }

    void userListSearchAsksOnlyOnlineListedUsers()
    {
        for (char const* name : {"ann", "bob", "cat"}) {
            ItemPtr user = d.GetType("user")->GetItem(name);
            if (QByteArray(name) != "cat")
                user.NewItem("in_user_list");
            if (QByteArray(name) != "bob")
                user.NewItem("is_online");
        }
        const unsigned int token = f->server->SearchUserList("wall");
        MemStream body;
        ExpectSent(SM_SEARCH_USER_FILES, body);
        QString user;
        uint32_t sentToken = 0;
        QString text;
        QVERIFY(body.Read(user) && body.Read(sentToken) && body.Read(text));
        QCOMPARE(user, QString("ann"));
        QCOMPARE(sentToken, token);
        QCOMPARE(text, QString("wall"));
        f->server->EveryFiveMinutes();
        ExpectSent(SM_HEARTBEAT, body);
    }

    void userListSearchWithEveryoneOfflineStillUsesAToken()
    {
        d.GetType("user")->GetItem("ann").NewItem("in_user_list");
        QCOMPARE(f->server->SearchUserList("wall"), 1u);
        QVERIFY(Request(1));
        QCOMPARE(f->server->FileSearch("next", false), 2u);
        MemStream body;
        ExpectSent(SM_FILE_SEARCH, body);
    }

    void relatedTermsAreAskedFor()
    {
        f->server->GetSearchCorrelations("pink");
        MemStream body;
        ExpectSent(SM_SEARCH_CORRELATIONS, body);
        QString term;
        QVERIFY(body.Read(term));
        QCOMPARE(term, QString("pink"));
    }
};

QTEST_GUILESS_MAIN(TestSearches)
#include "tst_searches.moc"
