#include "TransferFixture.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "transfers/TransferUsers.h"

#include <QtTest>

// The upload queue's rules on one graph, its messages recorded; no transfer starts.
class TestUploads : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TransferGraph> graph;

    TransferQueueManager& Queue() { return graph->Queue(); }
    QStringList Sent() { return graph->Links().Take(); }
    // A network path of a shared file, as a peer asks for it.
    QString Asked(const QString& relativePath, bool shared = true)
    {
        graph->ShareFile(relativePath, "bytes", shared);
        return QString(QDir(graph->home.path()).filePath((shared ? "share/" : "private/") + relativePath))
            .replace('/', '\\');
    }
    ItemPtr Entry(const QString& user, const QString& path)
    {
        return d.GetItem(d.GetType("user")->HasItem(Value(user)),
                         d.GetType("filename_as_requested")->HasItem(Value(path)), "upload_entry");
    }

private slots:
    void init() { graph = std::make_unique<TransferGraph>(); }
    void cleanup() { graph.reset(); }

    void order_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("served");
        QTest::newRow("group priority before privilege") << "vip"
                                                         << "prio"
                                                         << "prio";
        QTest::newRow("privilege among equals") << "plain"
                                                << "vip"
                                                << "vip";
        QTest::newRow("arrival among equals") << "plain"
                                              << "other"
                                              << "plain";
    }

    // Users: "prio" in a group of priority 5, "vip" privileged in no group, "plain" and "other" neither.
    void order()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, served);
        TransferGraph::ListUser("prio", "fives");
        d.GetType("user_list_group")->HasItem(Value("fives"))
            += d.GetType("group_download_priority")->GetItem(Value(5));
        d.GetType("user")->GetItem(Value("vip")).NewItem("is_privileged");
        SetSetting("upload_slots", "1");
        Queue().OnQueueUploadRequested("someone", Asked("busy.bin"));
        TransferGraph::SetOnline("someone", true);
        Queue().StartNewUploads();
        Sent();
        const QString firstPath = Asked("1.bin");
        const QString secondPath = Asked("2.bin");
        Queue().OnQueueUploadRequested(first, firstPath);
        Queue().OnQueueUploadRequested(second, secondPath);
        QVERIFY(UploadOrder::Position(Entry(served, served == first ? firstPath : secondPath)) < UploadOrder::Position(
                    Entry(served == first ? second : first, served == first ? secondPath : firstPath)));
        TransferGraph::SetOnline(first, true);
        TransferGraph::SetOnline(second, true);
        Queue().RemoveUpload(Entry("someone", Asked("busy.bin")));
        QCOMPARE(Sent().filter("40 ").value(0).section(' ', 1, 1), served);
    }

    // The cached last entry takes the common case; an entry that goes earlier renumbers the queue.
    void orderNewUpload()
    {
        for (const char* user : {"a", "b", "c"})
            Queue().OnQueueUploadRequested(user, Asked(QString(user) + ".bin"));
        QCOMPARE(UploadOrder::Position(Entry("c", Asked("c.bin"))), 3);
        d.GetType("user")->GetItem(Value("vip")).NewItem("is_privileged");
        Queue().OnQueueUploadRequested("vip", Asked("v.bin"));
        QCOMPARE(UploadOrder::Position(Entry("vip", Asked("v.bin"))), 1);
        QCOMPARE(UploadOrder::Position(Entry("c", Asked("c.bin"))), 4);
        Queue().OnQueueUploadRequested("d", Asked("d.bin"));
        QCOMPARE(UploadOrder::Position(Entry("d", Asked("d.bin"))), 5);
    }

    // One active upload per user; the slot goes to the next user in order. Lowered slots stop nothing, and a new
    // upload starts only once fewer are active than there are slots.
    void uploadSlots()
    {
        SetSetting("upload_slots", "2");
        for (const char* name : {"x", "y", "z"})
            Queue().OnQueueUploadRequested("ann", Asked(QString(name) + ".bin"));
        Queue().OnQueueUploadRequested("ben", Asked("b.bin"));
        Queue().OnQueueUploadRequested("cid", Asked("c.bin"));
        QCOMPARE(Sent().filter("40 "), QStringList());
        QCOMPARE(Queue().QueuedUploadCount(), 5);
        for (const char* user : {"ann", "ben", "cid"})
            TransferGraph::SetOnline(user, true);
        QVERIFY(!Queue().IsFreeToUpload());
        Queue().StartNewUploads();
        QCOMPARE(Sent().filter("40 ").size(), 2);
        QCOMPARE(TransferGraph::Status(Entry("ann", Asked("x.bin"))), QString("requesting"));
        QCOMPARE(TransferGraph::Status(Entry("ben", Asked("b.bin"))), QString("requesting"));
        Queue().SetUploadSlots(3);
        QCOMPARE(Sent().filter("40 ").value(0).section(' ', 1, 1), QString("cid"));
        QCOMPARE(Queue().ActiveUploadCount(), 3);

        Queue().SetUploadSlots(1);
        QCOMPARE(Queue().ActiveUploadCount(), 3);
        Queue().SetUploadEntryStatus(Entry("ben", Asked("b.bin")), "complete");
        Queue().StartNewUploads();
        QCOMPARE(Sent().filter("40 "), QStringList());
        Queue().SetUploadEntryStatus(Entry("cid", Asked("c.bin")), "complete");
        Queue().SetUploadEntryStatus(Entry("ann", Asked("x.bin")), "complete");
        Queue().StartNewUploads();
        QCOMPARE(Sent().filter("40 ").size(), 1);
        QCOMPARE(Queue().ActiveUploadCount(), 1);
    }

    void refusals()
    {
        SetSetting("max_queued_uploads_per_user", "2");
        const QString notShared = Asked("secret.txt", false);
        Queue().OnQueueUploadRequested("bob", notShared);
        Queue().OnQueueUploadRequested("bob", "\\etc\\passwd");
        QCOMPARE(Sent(),
                 (QStringList{"50 bob " + notShared + " File not shared.", "50 bob \\etc\\passwd File not shared."}));

        Queue().OnQueueUploadRequested("bob", Asked("1"));
        Queue().OnQueueUploadRequested("bob", Asked("2"));
        Queue().OnQueueUploadRequested("bob", Asked("1"));
        Queue().OnQueueUploadRequested("bob", Asked("3"));
        QCOMPARE(Sent(), QStringList{"50 bob " + Asked("3") + " Too many files"});

        // Refused by the user, then asked for again: queued again.
        TransferGraph::SetOnline("bob", true);
        Queue().StartNewUploads();
        const unsigned int token = Entry("bob", Asked("1")).GetItem("transfer_req").AsUInt();
        Queue().OnFileTransferResponse("bob", token, false, false, 0, "Cancelled");
        QCOMPARE(TransferGraph::Status(Entry("bob", Asked("1"))), QString("denied"));
        QCOMPARE(Entry("bob", Asked("1")).GetItem("denial_reason").AsString(), QString("Cancelled"));
        Sent();
        Queue().OnQueueUploadRequested("bob", Asked("1"));
        QCOMPARE(TransferGraph::Status(Entry("bob", Asked("1"))), QString("queued"));
        QCOMPARE(TransferGraph::Status(Entry("bob", Asked("2"))), QString("requesting"));

        Queue().UnshareUser("bob");
        QCOMPARE(Sent().filter("File not shared.").size(), 2);
        QCOMPARE(d.GetType("upload_entry")->ItemCount(), size_t(0));
        Queue().OnQueueUploadRequested("bob", Asked("1"));
        QCOMPARE(Sent(), QStringList{"50 bob " + Asked("1") + " File not shared."});
        Queue().ReshareUser("bob");
        Queue().OnQueueUploadRequested("bob", Asked("1"));
        QCOMPARE(Queue().QueuedUploadCount() + Queue().ActiveUploadCount(), 1);
    }

    void placeInLine()
    {
        for (const char* name : {"1", "2", "3"})
            Queue().OnQueueUploadRequested("bob", Asked(name));
        Sent();
        Queue().OnUploadPlaceInLineRequested("bob", Asked("2"));
        Queue().OnUploadPlaceInLineRequested("bob", "\\unknown");
        QCOMPARE(Sent(), QStringList{"44 bob " + Asked("2") + " 2"});
        TransferGraph::SetOnline("bob", true);
        Queue().StartNewUploads();
        Queue().SetUploadEntryStatus(Entry("bob", Asked("1")), "complete");
        Sent();
        Queue().OnUploadPlaceInLineRequested("bob", Asked("1"));
        QCOMPARE(Sent(), QStringList{"44 bob " + Asked("1") + " 0"});
    }

    // An offer without answer is aborted by the half-minute sweep (and the user told); an answer after that is
    // ignored. A file unshared meanwhile is not opened: the user is told and the entry goes.
    void offersThatTimeOutOrLoseTheirFile()
    {
        SetSetting("upload_slots", "2");
        TransferGraph::SetOnline("bob", true);
        TransferGraph::SetOnline("eve", true);
        Queue().OnQueueUploadRequested("bob", Asked("1"));
        const ItemPtr stale = Entry("bob", Asked("1"));
        WriteDate(stale, "last_status_change_time", QDateTime::currentDateTime().addSecs(-31));
        Sent();
        Queue().EveryHalfMinute();
        QCOMPARE(TransferGraph::Status(stale), QString("aborted"));
        QCOMPARE(Sent(), QStringList{"46 bob " + Asked("1")});
        Queue().OnFileTransferResponse("bob", stale.GetItem("transfer_req").AsUInt(), true, false, 0, QString());
        QCOMPARE(TransferGraph::Status(stale), QString("aborted"));
        QVERIFY(Sent().isEmpty());

        const QString lostPath = Asked("2");
        Queue().OnQueueUploadRequested("eve", lostPath);
        const ItemPtr lost = Entry("eve", lostPath);
        QCOMPARE(TransferGraph::Status(lost), QString("requesting"));
        d.GetType("shared_folder")
            ->HasItem(Value(QDir(graph->home.path()).filePath("share")))
            .Disconnect("shared_public");
        Sent();
        Queue().OnFileTransferResponse("eve", lost.GetItem("transfer_req").AsUInt(), true, false, 0, QString());
        QCOMPARE(Sent(), QStringList{"50 eve " + lostPath + " File not shared."});
        QVERIFY(!Entry("eve", lostPath));
    }

    void speedLimitDivision()
    {
        SetSetting("upload_slots", "3");
        SetSetting("upload_speed_limit", "100");
        Queue().EnableUploadSpeedLimit(true);
        QCOMPARE(Queue().GetUploadSpeed(), 100);
        for (const char* user : {"a", "b", "c"}) {
            TransferGraph::SetOnline(user, true);
            Queue().OnQueueUploadRequested(user, Asked(QString(user)));
        }
        QCOMPARE(Queue().ActiveUploadCount(), 3);
        QCOMPARE(Queue().GetUploadSpeed(), 100);
        Queue().EnableUploadSpeedLimit(false);
        QCOMPARE(Queue().GetUploadSpeed(), 0);
    }

    // Users who queue files are asked for their shares when the check is on; one sharing nothing is told once.
    void emptyShareCheck()
    {
        SetSetting("check_for_empty_shares", "yes");
        Queue().OnQueueUploadRequested("taker", Asked("1"));
        QCOMPARE(Sent(), QStringList{"4 taker"});
        Queue().OnUserShare("taker", FileInfoMap{{"Music", {}}}, AttributeTranslationTable());
        QCOMPARE(Sent(), QStringList{"chat taker " + GetSetting("empty_share_message")});
        Queue().OnUserShare("taker", FileInfoMap(), AttributeTranslationTable());
        QVERIFY(Sent().isEmpty());

        Queue().OnQueueUploadRequested("giver", Asked("2"));
        FileInfoMap share;
        share["Music"].insert(FileInfo("a.mp3", 1, AttributeMap()));
        Queue().OnUserShare("giver", share, AttributeTranslationTable());
        QCOMPARE(Sent(), QStringList{"4 giver"});
        QCOMPARE(d.GetType("user")->HasItem(Value("giver")).GetItem("empty_share_check_status").AsString(),
                 QString("not_empty"));
    }
};

QTEST_GUILESS_MAIN(TestUploads)
#include "tst_uploads.moc"
