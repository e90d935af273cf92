#include "SessionGraph.h"

#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QTemporaryDir>
#include <QtTest>

// What of the session's items survives a restart.
class TestSchema : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;

private slots:
    void initTestCase() { qputenv("HOME", home.path().toLocal8Bit()); }

    void userListIgnoresAndAutojoinSurviveRestartButPresenceDoesNot()
    {
        const QString path = home.filePath(".Quillmer");
        {
            SessionGraph graph;
            ItemPtr ann = d.GetType("user")->GetItem("ann");
            ItemPtr group = d.GetType("user_list_group")->GetItem("friends");
            ann.NewItem("in_user_list") += group;
            group += d.GetType("group_download_priority")->GetItem("2");
            d.GetType("user")->GetItem("troll").NewItem("is_ignored");
            ann.NewItem("is_online");
            d.GetType("user")->GetItem("passerby").NewItem("is_online");
            d.GetType("room")->GetItem("lobby").NewItem("room_autojoin");
            d.GetType("room")->GetItem("music").NewItem("in_room");
            dataSaver->Save(path);
        }
        SessionGraph graph;
        dataSaver->Load(path);
        ItemPtr ann = d.GetType("user")->HasItem("ann");
        QVERIFY(ann);
        QCOMPARE(ann.GetItem("in_user_list").GetItem("user_list_group").AsString(), QString("friends"));
        QCOMPARE(ann.GetItem("in_user_list").GetItem("user_list_group").GetItem("group_download_priority").AsInt(), 2);
        QVERIFY(d.GetType("user")->HasItem("troll").IsConnected("is_ignored"));
        QVERIFY(d.GetType("room")->HasItem("lobby").IsConnected("room_autojoin"));
        QVERIFY(!d.GetType("room")->HasItem("music"));
        QVERIFY(!d.GetType("user")->HasItem("passerby"));
        QCOMPARE(d.GetType("is_online")->ItemCount(), size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
