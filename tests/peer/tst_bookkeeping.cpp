#include "PeerTestKit.h"

#include "app/Settings.h"
#include "peer/LiveObjects.h"
#include "peer/PeerListeners.h"
#include "peer/UnsentMessages.h"
#include "store/Data.h"

#include <QtTest>

// The small pieces behind the messenger that keep its books: the port rules,
// the queue of unsent messages and the registry of live objects.
class TestBookkeeping : public QObject
{
    Q_OBJECT

private slots:
    void portRules_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("obfuscated");
        QTest::addColumn<QString>("newPort");
        QTest::addColumn<int>("expectedPort");
        QTest::addColumn<int>("expectedObfuscated");
        QTest::newRow("nothing stored") << ""
                                        << ""
                                        << "" << 2235 << 2236;
        QTest::newRow("plain port only") << "5000"
                                         << ""
                                         << "" << 5000 << 5001;
        QTest::newRow("both stored") << "5000"
                                     << "6000"
                                     << "" << 5000 << 6000;
        QTest::newRow("zero") << "0"
                              << "6000"
                              << "" << 2235 << 2236;
        QTest::newRow("new port chosen") << "5000"
                                         << "6000"
                                         << "7000" << 7000 << 7001;
    }

    void portRules()
    {
        QFETCH(QString, port);
        QFETCH(QString, obfuscated);
        QFETCH(QString, newPort);
        PeerGraph graph;
        if (!port.isEmpty())
            SetSetting("listening_port", port);
        if (!obfuscated.isEmpty())
            SetSetting("obfuscated_listening_port", obfuscated);
        if (!newPort.isEmpty())
            SetSetting("new_listening_port", newPort);
        const ListeningPorts ports = SettleListeningPorts();
        QTEST(ports.port, "expectedPort");
        QTEST(ports.obfuscatedPort, "expectedObfuscated");
        QCOMPARE(GetSetting("listening_port").toInt(), ports.port);
        QCOMPARE(GetSetting("obfuscated_listening_port").toInt(), ports.obfuscatedPort);
        QVERIFY(!d.GetType("global")->HasItem("new_listening_port"));
    }

    void unsentMessagesInOrderUntilTheyExpire()
    {
        PeerGraph graph;
        UnsentMessages queue;
        ItemPtr bob = d.GetType("user")->GetItem("bob");
        ItemPtr cat = d.GetType("user")->GetItem("cat");
        const QDateTime start = QDateTime::currentDateTime();
        for (int n = 0; n < 12; ++n) {
            MemStream message = Body(uint32_t(n));
            QVERIFY(queue.Queue(n % 3 ? bob : cat, message, start.addSecs(n * 60)));
            // The caller's stream is copied, not kept.
            message.Write(uint32_t(99));
        }
        QCOMPARE(queue.QueuedBytes(), uint64_t(48));

        // Queued at 0, 3, 6 and 9 minutes: those at 0 and 3 are 5 minutes old or more.
        queue.Expire(start.addSecs(8 * 60), 5 * 60 * 1000);
        QList<QByteArray> forCat;
        for (const MemStream& message : queue.Take(cat))
            forCat << message.GetPendingBytes();
        QCOMPARE(forCat, (QList<QByteArray>{Bytes(6u), Bytes(9u)}));
        QVERIFY(queue.Take(cat).empty());
        QCOMPARE(queue.Take(bob).size(), size_t(6));
        QCOMPARE(queue.QueuedBytes(), uint64_t(0));
        QCOMPARE(d.GetType("unsent_message")->ItemCount(), size_t(0));

        // Full: the next message is refused, and room comes back as messages go.
        MemStream large(QByteArray(int(UnsentMessages::MaxQueuedBytes) - 4, 'x'));
        QVERIFY(queue.Queue(bob, large, start));
        MemStream word = Body(1u);
        QVERIFY(queue.Queue(bob, word, start));
        QVERIFY(!queue.Queue(cat, word, start));
        d.GetType("unsent_message")->RemoveAllItems();
        QCOMPARE(queue.QueuedBytes(), uint64_t(0));
        QVERIFY(queue.Queue(cat, word, start));
    }

    void liveObjectsAreFoundByRegistryOnly()
    {
        PeerGraph graph;
        LiveObjects<QObject> objects;
        QObject object;
        const Value value = objects.Add(&object);
        QCOMPARE(value.Bytes(), std::to_string(reinterpret_cast<quintptr>(&object)));
        ItemPtr item = d.GetType("peer_socket")->NewItem(value);
        QCOMPARE(objects.Find(item), &object);
        // A value that merely looks like an address finds nothing.
        QVERIFY(!objects.Find(Value(std::to_string(reinterpret_cast<quintptr>(&object) + 8))));
        QVERIFY(objects.Remove(&object));
        QVERIFY(!objects.Find(item));
        QVERIFY(!objects.Remove(&object));
    }
};

QTEST_GUILESS_MAIN(TestBookkeeping)
#include "tst_bookkeeping.moc"
