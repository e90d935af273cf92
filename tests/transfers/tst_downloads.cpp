#include "TransferFixture.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "transfers/TransferUsers.h"

#include <QtTest>

// The download queue's rules on one graph, its messages recorded.
class TestDownloads : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TransferGraph> graph;

    TransferQueueManager& Queue() { return graph->Queue(); }
    QStringList Sent() { return graph->Links().Take(); }

private slots:
    void init() { graph = std::make_unique<TransferGraph>(); }
    void cleanup() { graph.reset(); }

    void addingTwiceReturnsTheFirstEntry()
    {
        TransferGraph::SetOnline("bob", true);
        const ItemPtr entry = Queue().AddDownload("bob", "song.mp3", "Music\\Band", 5, false, 0);
        QCOMPARE(Queue().AddDownload("bob", "song.mp3", "Music\\Band", 5, false, 0), entry);
        QCOMPARE(Sent(), QStringList{"43 bob Music\\Band\\song.mp3"});
        QCOMPARE(TransferGraph::Status(entry), QString("queued"));
        QCOMPARE(entry.GetItem("download_order").AsString(), QString("1"));
        QCOMPARE(GetSetting("transfer_order_counter"), QString("2"));
        // Offline, the owner is asked once it comes online.
        Queue().AddDownload("carol", "a.txt", "x", 1, false, 0);
        QCOMPARE(Sent(), QStringList());
    }

    void folderLayout_data()
    {
        QTest::addColumn<QString>("remoteFolder");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("single");
        QTest::addColumn<bool>("flat");
        QTest::addColumn<QString>("relative");
        QTest::newRow("folder") << "C:\\Music\\Band\\Album"
                                << "01.mp3" << 0 << false << false << "Album/01.mp3";
        QTest::newRow("two levels") << "C:\\Music\\Band\\Album"
                                    << "01.mp3" << 1 << false << false << "Band/Album/01.mp3";
        QTest::newRow("single, subfolders") << "C:\\Music\\Band"
                                            << "01.mp3" << 0 << true << false << "Band/01.mp3";
        QTest::newRow("single, flat") << "C:\\Music\\Band"
                                      << "01.mp3" << 0 << true << true << "01.mp3";
        QTest::newRow("folder, flat setting") << "C:\\Music\\Band"
                                              << "01.mp3" << 0 << false << true << "Band/01.mp3";
        QTest::newRow("no folder") << ""
                                   << "01.mp3" << 0 << false << false << "01.mp3";
        QTest::newRow("hostile") << "..\\..\\x"
                                 << ".." << 2 << false << false << "__/__/x/__";
    }

    // Files from a folder keep its last level + 1 folders; with the setting, a file queued alone goes straight into
    // the area; nothing a peer names leaves it.
    void folderLayout()
    {
        QFETCH(QString, remoteFolder);
        QFETCH(QString, fileName);
        QFETCH(int, level);
        QFETCH(bool, single);
        QFETCH(bool, flat);
        QFETCH(QString, relative);
        SetSetting("dont_create_subfolders_for_single_downloads", flat ? "yes" : "no");
        const ItemPtr entry
            = Queue().AddDownload("bob", fileName.toStdString(), remoteFolder.toStdString(), 5, single, level);
        const QString downloads = graph->Downloads();
        QCOMPARE(Queue().GetDownloadTargetPath(entry, false),
                 QString(downloads + "/downloading/" + relative).replace('/', '\\'));
        QCOMPARE(Queue().GetDownloadTargetPath(entry, true),
                 QString(downloads + "/complete/" + relative).replace('/', '\\'));
    }

    void foundCompleteAtOnce()
    {
        TransferGraph::SetOnline("bob", true);
        QVERIFY(WriteFile(graph->Downloads() + "/complete/Album/01.mp3", "done"));
        const ItemPtr entry = Queue().AddDownload("bob", "01.mp3", "Band\\Album", 4, false, 0);
        QCOMPARE(TransferGraph::Status(entry), QString("complete"));
        QCOMPARE(Sent(), QStringList());
        Queue().RequeueDownload(entry);
        QCOMPARE(Sent(), QStringList());
    }

    // Coming online re-queues what is not finished or refused, in the order it was added.
    void comingOnline()
    {
        const ItemPtr denied = Queue().AddDownload("bob", "a", "f", 1, false, 0);
        const ItemPtr aborted = Queue().AddDownload("bob", "b", "f", 1, false, 0);
        const ItemPtr queued = Queue().AddDownload("bob", "c", "f", 1, false, 0);
        Queue().SetDownloadEntryStatus(denied, "denied");
        Queue().SetDownloadEntryStatus(aborted, "aborted");
        Sent();
        TransferGraph::SetOnline("bob", true);
        QVERIFY(Sent().isEmpty());
        QVERIFY(WaitUntil([&] { return !graph->Links().lines.isEmpty(); }));
        QCOMPARE(Sent(), (QStringList{"43 bob f\\b", "43 bob f\\c"}));
        QCOMPARE(TransferGraph::Status(denied), QString("denied"));
        QCOMPARE(TransferGraph::Status(aborted), QString("queued"));
        QCOMPARE(TransferGraph::Status(queued), QString("queued"));
    }

    // A user who stays online with queued files and nothing running is asked again after ten minutes, and for
    // the places in line when their time has come.
    void everyHalfMinute()
    {
        TransferGraph::SetOnline("bob", true);
        const ItemPtr first = Queue().AddDownload("bob", "a", "f", 1, false, 0);
        Queue().AddDownload("bob", "b", "f", 1, false, 0);
        const ItemPtr bob = d.GetType("user")->HasItem(Value("bob"));
        WriteDate(bob, "last_queue_request_time", QDateTime::currentDateTime());
        Sent();
        Queue().EveryHalfMinute();
        QCOMPARE(Sent(), QStringList());

        WriteDate(bob, "next_place_in_line_request_time", QDateTime::currentDateTime().addSecs(-1));
        Queue().EveryHalfMinute();
        QCOMPARE(Sent(), (QStringList{"51 bob f\\a", "51 bob f\\b"}));
        Queue().EveryHalfMinute();
        QCOMPARE(Sent(), QStringList());

        WriteDate(bob, "last_queue_request_time", QDateTime::currentDateTime().addSecs(-600));
        Queue().EveryHalfMinute();
        QCOMPARE(Sent(), (QStringList{"43 bob f\\a", "43 bob f\\b"}));

        Queue().OnDownloadPlaceInLine("bob", "f\\a", 7);
        QCOMPARE(first.GetItem("place_in_line").AsInt(), 7);
    }

    void ownersRefusalsAndFailures()
    {
        TransferGraph::SetOnline("bob", true);
        const ItemPtr entry = Queue().AddDownload("bob", "a", "f", 1, false, 0);
        Sent();
        Queue().OnUploadFailedNotification("bob", "f\\a");
        QCOMPARE(Sent(), QStringList{"43 bob f\\a"});
        Queue().OnUploadDeniedNotification("bob", "f\\a", "File not shared.");
        QCOMPARE(TransferGraph::Status(entry), QString("denied"));
        QCOMPARE(entry.GetItem("denial_reason").AsString(), QString("File not shared."));
        Queue().OnUploadDeniedNotification("bob", "f\\unknown", "Cancelled");
        Queue().RequeueDownload(entry);
        QCOMPARE(Sent(), QStringList{"43 bob f\\a"});
        QCOMPARE(TransferGraph::Status(entry), QString("queued"));
    }

    // Offers to send a file now: accepted for a queued file, refused when it is complete or nobody asked for it,
    // unless the sender may push files.
    void offers()
    {
        const ItemPtr entry = Queue().AddDownload("bob", "a", "f", 1, false, 0);
        Sent();
        Queue().OnFileTransferRequest("bob", 1, 7, "f\\a", 1);
        QCOMPARE(Sent(), QStringList{"41 bob 7 allowed"});
        QCOMPARE(entry.GetItem("remote_transfer_req").AsString(), QString("7"));

        Queue().OnFileTransferRequest("eve", 1, 8, "..\\..\\x\\..", 3);
        QCOMPARE(Sent(), QStringList{"41 eve 8 Cancelled"});
        QVERIFY(!Queue().GetDownloadEntry("eve", "..", "..\\..\\x"));

        TransferGraph::ListUser("carol", "friends");
        d.GetType("user_list_group")->HasItem(Value("friends")).NewItem("accept_uploads");
        Queue().OnFileTransferRequest("carol", 1, 9, "gift\\g.txt", 3);
        QCOMPARE(Sent(), QStringList{"41 carol 9 allowed"});
        QCOMPARE(TransferGraph::Status(Queue().GetDownloadEntry("carol", "g.txt", "gift")), QString("queued"));
        Queue().OnFileTransferRequest("carol", 1, 10, "gift\\big", -1);
        QCOMPARE(Sent(), QStringList{"41 carol 10 Cancelled"});

        Queue().SetDownloadEntryStatus(entry, "complete");
        Queue().OnFileTransferRequest("bob", 1, 11, "f\\a", 1);
        QCOMPARE(Sent(), QStringList{"41 bob 11 Complete"});

        // Asked to send a file instead: it waits in the upload queue like any other request.
        Queue().OnFileTransferRequest("bob", 0, 12, "f\\a", 0);
        QCOMPARE(Sent(), (QStringList{"41 bob 12 Queued", "50 bob f\\a File not shared."}));
    }

    // After loading, every unfinished entry is queued again and its owner tracked.
    void loading()
    {
        const ItemPtr running = Queue().AddDownload("bob", "a", "f", 1, false, 0);
        const ItemPtr done = Queue().AddDownload("bob", "b", "f", 1, false, 0);
        running += d.GetType("download_entry_status")->GetItem(Value("downloading"));
        done += d.GetType("download_entry_status")->GetItem(Value("complete"));
        graph->Links().lines.clear();
        QSignalSpy loaded(&Queue(), &TransferQueueManager::TransfersLoaded);
        Queue().DataLoaded();
        QCOMPARE(TransferGraph::Status(running), QString("queued"));
        QCOMPARE(TransferGraph::Status(done), QString("complete"));
        QCOMPARE(graph->Links().lines, QStringList{"track bob"});
        QCOMPARE(loaded.count(), 1);
        QVERIFY(Queue().HasExcludedDownloadExtension("x.mp3") == false);
        Queue().NoData();
        QVERIFY(Queue().HasExcludedDownloadExtension("desktop.INI"));
    }
};

QTEST_GUILESS_MAIN(TestDownloads)
#include "tst_downloads.moc"
