#include "TransferFixture.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "transfers/FileConnectionStart.h"
#include "transfers/TransferQueueManager.h"

#include <QtTest>

// Both ends of file connections, one side the transfer queue with its real
// threads and files, the other a socket driven by the test.
class TestFileConnections : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TransferGraph> graph;

    TransferQueueManager& Queue() { return graph->Queue(); }
    QString Downloading(const QString& relative) const { return graph->Downloads() + "/downloading/" + relative; }
    QString Complete(const QString& relative) const { return graph->Downloads() + "/complete/" + relative; }

    // Offers the queued download under the token and hands its connection over; returns the offset it sent.
    qint64 StartDownload(SocketPair& pair, unsigned int token, qint64 size)
    {
        Queue().OnFileTransferRequest("bob", 1, token, "Music\\Album\\f.bin", size);
        Queue().OnFileConnection("bob", pair.handed, token);
        const QByteArray offset = ReadExactly(*pair.far, FileConnectionStart::OffsetBytes);
        return offset.size() == FileConnectionStart::OffsetBytes ? FileConnectionStart::DecodeOffset(offset.constData())
                                                                 : -1;
    }

    // Queues the shared file for bob and offers it; returns the entry once its connection is handed over.
    ItemPtr StartUpload(SocketPair& pair, const QString& relativePath, const QByteArray& bytes)
    {
        graph->ShareFile(relativePath, bytes);
        const QString path = QString(graph->SharedPath(relativePath)).replace('/', '\\');
        TransferGraph::SetOnline("bob", true);
        Queue().OnQueueUploadRequested("bob", path);
        const ItemPtr entry = d.GetType("upload_entry")->GetItems().First();
        Queue().OnFileTransferResponse("bob", entry.GetItem("transfer_req").AsUInt(), true, false, 0, QString());
        if (TransferGraph::Status(entry) != "connecting")
            return ItemPtr();
        Queue().OnFileConnectionAccepted("bob", pair.handed);
        return entry;
    }

private slots:
    void init() { graph = std::make_unique<TransferGraph>(); }
    void cleanup() { graph.reset(); }

    void download_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("partial");
        QTest::newRow("whole") << qint64(300000) << qint64(0);
        QTest::newRow("resumed") << qint64(300000) << qint64(3000);
        QTest::newRow("partial file already whole") << qint64(300000) << qint64(300000);
        QTest::newRow("empty file") << qint64(0) << qint64(0);
    }

    // The offset is the partial file's length, the rest is appended, and the finished file moves to the complete
    // folder and is recorded; a transfer with nothing left to send completes too.
    void download()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, partial);
        const QByteArray source = Pattern(size);
        const ItemPtr entry = Queue().AddDownload("bob", "f.bin", "Music\\Album", size, false, 0);
        if (partial > 0)
            QVERIFY(WriteFile(Downloading("Album/f.bin"), source.left(int(partial))));
        QSignalSpy recorded(&Queue(), &TransferQueueManager::CompleteDownloadAdded);
        QSignalSpy arrived(&Queue(), &TransferQueueManager::DownloadComplete);
        SocketPair pair;
        QCOMPARE(StartDownload(pair, 5, size), partial);
        pair.far->write(source.mid(int(partial)));
        QVERIFY(WaitUntil([&] { return TransferGraph::Status(entry) == "complete"; }));
        QCOMPARE(ReadFile(Complete("Album/f.bin")), source);
        QVERIFY(!QFileInfo::exists(Downloading("Album")));
        QVERIFY(WaitUntil([&] { return pair.far->state() == QAbstractSocket::UnconnectedState; }));
        QCOMPARE(recorded.count(), 1);
        const ItemPtr record = recorded.at(0).at(0).value<ItemPtr>();
        QCOMPARE(record.GetItem("complete_download_relative_folder").AsString(), QString("Album"));
        QCOMPARE(record.GetItem("complete_download_file_size").AsInt64(), size);
        QCOMPARE(arrived.count(), 1);
        QCOMPARE(arrived.at(0).at(0).value<ItemPtr>(), entry);
        QVERIFY(WaitUntil([&] { return Queue().ThreadCount() == 0; }));
    }

    // A finished file never replaces one in the complete folder: the entry is a local error and the file stays.
    void completionNeverOverwrites()
    {
        const ItemPtr entry = Queue().AddDownload("bob", "f.bin", "Music\\Album", 10, false, 0);
        QVERIFY(WriteFile(Complete("Album/f.bin"), "mine"));
        SocketPair pair;
        QCOMPARE(StartDownload(pair, 5, 10), qint64(0));
        pair.far->write("0123456789");
        QSignalSpy arrived(&Queue(), &TransferQueueManager::DownloadComplete);
        QVERIFY(WaitUntil([&] { return TransferGraph::Status(entry) == "local error"; }));
        QCOMPARE(arrived.count(), 0);
        QCOMPARE(ReadFile(Complete("Album/f.bin")), QByteArray("mine"));
        QCOMPARE(ReadFile(Downloading("Album/f.bin")), QByteArray("0123456789"));
    }

    // A new offer for a running download stops it; the next connection resumes where it stopped. A connection that
    // goes away ends the download "aborted". Connections with unknown tokens, or for a running download, are closed.
    void offersAndConnectionsThatEndOthers()
    {
        const QByteArray source = Pattern(100000);
        const ItemPtr entry = Queue().AddDownload("bob", "f.bin", "Music\\Album", source.size(), false, 0);
        SocketPair first;
        QCOMPARE(StartDownload(first, 5, source.size()), qint64(0));
        first.far->write(source.left(40000));
        QVERIFY(WaitUntil([&] { return QFileInfo(Downloading("Album/f.bin")).size() == 40000; }));

        SocketPair stray;
        Queue().OnFileConnection("bob", stray.handed, 5);
        QVERIFY(WaitUntil([&] { return stray.far->state() == QAbstractSocket::UnconnectedState; }));
        SocketPair unknown;
        Queue().OnFileConnection("bob", unknown.handed, 99);
        QVERIFY(WaitUntil([&] { return unknown.far->state() == QAbstractSocket::UnconnectedState; }));
        QCOMPARE(TransferGraph::Status(entry), QString("downloading"));

        Queue().OnFileTransferRequest("bob", 1, 6, "Music\\Album\\f.bin", source.size());
        QCOMPARE(TransferGraph::Status(entry), QString("aborted"));
        QCOMPARE(entry.GetItem("remote_transfer_req").AsString(), QString("6"));
        QVERIFY(WaitUntil([&] { return first.far->state() == QAbstractSocket::UnconnectedState; }));

        SocketPair second;
        Queue().OnFileConnection("bob", second.handed, 6);
        QCOMPARE(FileConnectionStart::DecodeOffset(ReadExactly(*second.far, 8).constData()), qint64(40000));
        second.far->write(source.mid(40000, 1000));
        QVERIFY(WaitUntil([&] { return QFileInfo(Downloading("Album/f.bin")).size() == 41000; }));
        second.far->close();
        QVERIFY(WaitUntil([&] { return TransferGraph::Status(entry) == "aborted"; }));
    }

    void upload_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<bool>("speedReported");
        QTest::newRow("bigger than 1 MiB") << qint64(4 * 1024 * 1024) << qint64(0) << true;
        QTest::newRow("1 MiB") << qint64(1024 * 1024) << qint64(0) << false;
        QTest::newRow("resumed") << qint64(5000) << qint64(3000) << false;
        QTest::newRow("nothing left") << qint64(5000) << qint64(5000) << false;
        QTest::newRow("empty file") << qint64(0) << qint64(0) << false;
    }

    // The token goes first, then the file from the offset; the upload completes once the downloader closes.
    void upload()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, offset);
        QFETCH(bool, speedReported);
        const QByteArray source = Pattern(size);
        SocketPair pair;
        const ItemPtr entry = StartUpload(pair, "f.bin", source);
        QVERIFY(entry);
        QCOMPARE(FileConnectionStart::DecodeToken(ReadExactly(*pair.far, 4).constData()),
                 entry.GetItem("transfer_req").AsUInt());
        pair.far->write(FileConnectionStart::EncodeOffset(offset));
        QTest::qWait(20);
        QCOMPARE(ReadExactly(*pair.far, size - offset, 20000), source.mid(int(offset)));
        pair.far->close();
        QVERIFY(WaitUntil([&] { return TransferGraph::Status(entry) == "complete"; }));
        QCOMPARE(graph->Links().Take().filter("speed ").size(), speedReported ? 1 : 0);
    }

    // An offset beyond the file is refused: the upload is aborted and the user told.
    void uploadRefusesOffsetsBeyondTheFile()
    {
        SocketPair pair;
        const ItemPtr entry = StartUpload(pair, "f.bin", Pattern(5000));
        QVERIFY(entry);
        ReadExactly(*pair.far, 4);
        pair.far->write(FileConnectionStart::EncodeOffset(5001));
        QVERIFY(WaitUntil([&] { return TransferGraph::Status(entry) == "aborted"; }));
        QCOMPARE(graph->Links().Take().filter("46 ").size(), 1);
        QVERIFY(WaitUntil([&] { return pair.far->state() == QAbstractSocket::UnconnectedState; }));
    }
};

QTEST_GUILESS_MAIN(TestFileConnections)
#include "tst_fileconnections.moc"
