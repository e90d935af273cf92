#include "ClientProcess.h"
#include "TestClient.h"
#include "TransferFixture.h"

#include "LocalServer.h"
#include "app/Settings.h"
#include "peer/PeerFraming.h"
#include "peer/PeerGreeting.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "store/Data.h"
#include "transfers/FileConnectionStart.h"
#include "transfers/TransferQueueManager.h"
#include "wire/FrameWriter.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QSignalSpy>
#include <QtTest>

namespace {

QByteArray Digest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// Every file below the folder, relative to it, leaving out the folders named.
QStringList FilesBelow(const QString& folder, const QStringList& leftOut)
{
    QStringList files;
    QDirIterator walk(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString relative = QDir(folder).relativeFilePath(walk.next());
        if (!leftOut.contains(relative.section('/', 0, 0)))
            files << relative;
    }
    files.sort();
    return files;
}

// The most downloads running at once, seen at every status change.
class ActivityWatch : public DataHandler
{
public:
    ActivityWatch()
    {
        Type* entry = d.GetType("download_entry");
        Type* status = d.GetType("download_entry_status");
        for (auto pair : {std::make_pair(entry, status), std::make_pair(status, entry)})
            d.AddConnectionEventHandler(pair.first, pair.second,
                                        AddDataHandler(new EventHandler<ActivityWatch, ConnectionInfo&>(
                                            this, &ActivityWatch::OnStatusChanged)));
    }
    int busiest = 0;

private:
    void OnStatusChanged(ConnectionInfo&) { busiest = std::max(busiest, transferQueueManager->ActiveDownloadCount()); }
};

// A peer that is no client of ours: it speaks the protocol by hand.
class HandPeer
{
public:
    bool Connect(quint16 port, const QString& user, const char* type)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(5000))
            return false;
        socket.write(FramePeerMessage(BuildDirectGreeting(user, type), false));
        return true;
    }
    void Send(const MemStream& message) { socket.write(FramePeerMessage(message, false)); }
    bool Next(MemStream& body)
    {
        return WaitUntil([&] {
            PeerReadState::Step step = reader.Next(socket);
            if (step.event != PeerReadState::Event::Message)
                return false;
            body = step.body;
            return true;
        });
    }
    QTcpSocket socket;

private:
    PeerReadState reader{false};
};

} // namespace

// Two client cores and the local network server on loopback, each core with
// its own home: alice, in a process of her own, shares a folder; bob, in this
// process, downloads from her.
class TestTransferNetwork : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<localserver::LocalServer> network;
    QTemporaryDir aliceHome;
    QTemporaryDir bobHome;
    ClientProcess alice;
    std::unique_ptr<TestClient> bob;
    TestClient::Options bobOptions;
    std::vector<quint16> alicePorts;
    QString share;

    QString Complete(const QString& name) const
    {
        return bobHome.path() + "/Quillmer Downloads/complete/share/" + name;
    }
    QString Downloading(const QString& name) const
    {
        return bobHome.path() + "/Quillmer Downloads/downloading/share/" + name;
    }
    QString Shared(const QString& name) const { return share + "/" + name; }
    // The folder of alice's files as peers know it.
    std::string RemoteFolder() const { return QString(share).replace('/', '\\').toStdString(); }

    bool StartAlice()
    {
        return alice.Start(network->ServerPort(), "alice", alicePorts[0], alicePorts[1], aliceHome.path())
            && alice.WaitFor({"CONNECTED"});
    }

    bool StartBob()
    {
        bob = std::make_unique<TestClient>(bobOptions);
        bob->Connect();
        return WaitUntil([&] { return bob->IsLoggedIn(); });
    }

    ItemPtr Entry(const QString& name) const
    {
        return transferQueueManager->GetDownloadEntry("alice", name.toStdString(), RemoteFolder());
    }

    // Long enough for an offer lost on a closing connection to be timed out and made again.
    bool WaitForStatus(const QString& name, const QString& status, int ms = 75000)
    {
        return WaitUntil([&] { return TransferGraph::Status(Entry(name)) == status; }, ms);
    }

    // Waits until the partial file holds at least that many bytes.
    bool WaitForPartial(const QString& name, qint64 bytes)
    {
        return WaitUntil([&] { return QFileInfo(Downloading(name)).size() >= bytes; }, 20000);
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ItemPtr>("ItemPtr");
        localserver::ServerOptions options;
        options.quiet = true;
        network = std::make_unique<localserver::LocalServer>(options);
        QVERIFY(network->Listen(QHostAddress::LocalHost, 0));

        share = aliceHome.path() + "/share";
        QVERIFY(WriteFile(Shared("bigfile.bin"), Pattern(6 * 1024 * 1024 + 123)));
        QVERIFY(WriteFile(Shared("empty.bin"), QByteArray()));
        QVERIFY(WriteFile(Shared("resumed.bin"), Pattern(100000)));
        QVERIFY(WriteFile(Shared("whole.bin"), Pattern(70000)));
        QVERIFY(WriteFile(Shared("slow1.bin"), Pattern(1200 * 1024)));
        QVERIFY(WriteFile(Shared("slow2.bin"), Pattern(1100 * 1024)));
        QVERIFY(WriteFile(aliceHome.path() + "/private/secret.txt", "not yours"));

        alicePorts = FreePorts(2);
        QVERIFY(StartAlice());
        alice.Command({"share", share});
        QVERIFY(alice.WaitFor({"SHARED"}));

        const std::vector<quint16> ports = FreePorts(2);
        bobOptions = TestClient::Options{"bob", bobHome.path(), network->ServerPort(), ports[0], ports[1], {}};
        QVERIFY(StartBob());
    }

    void cleanupTestCase()
    {
        bob.reset();
        alice.Quit();
        network.reset();
    }

    // Bob queues a file found in alice's search reply and others from her share listing, two of them partly
    // there already; her one upload slot serves them one at a time, and the bytes arrive whole.
    void downloadsFromSearchAndListing()
    {
        ActivityWatch activity;
        QVERIFY(WriteFile(Downloading("resumed.bin"), Pattern(100000).left(3000)));
        QVERIFY(WriteFile(Downloading("whole.bin"), Pattern(70000)));

        QSignalSpy results(peerMessenger, &PeerMessenger::SearchResults);
        gp_server->FileSearch("bigfile", false);
        QVERIFY(WaitUntil([&] { return results.count() == 1; }));
        const ItemPtr found = results.at(0).at(0).value<ItemPtr>().GetItems("search_result").First();
        QCOMPARE(found.GetItem("search_result_file_name").AsString(), QString("bigfile.bin"));
        transferQueueManager->AddDownload("alice", found.GetItem("search_result_file_name").AsStdString(),
                                          found.GetItem("search_result_file_folder").AsStdString(),
                                          found.GetItem("file_size").AsInt64(), true, 0);

        FileInfoMap listing;
        connect(peerMessenger, &PeerMessenger::UserShare,
                [&](QString, const FileInfoMap& files, const AttributeTranslationTable&) { listing = files; });
        // Asked again when the answer does not come: the messenger may write the request on a connection that
        // alice closes (the answer to the server's brokering, which her own direct connection made needless).
        for (int attempt = 0; attempt < 3 && listing.empty(); ++attempt) {
            peerMessenger->GetUserSharedFiles("alice");
            WaitUntil([&] { return !listing.empty(); }, 3000);
        }
        QVERIFY(!listing.empty());
        QCOMPARE(listing.begin()->first, RemoteFolder());
        for (const FileInfo& file : listing.begin()->second)
            if (QStringList{"empty.bin", "resumed.bin", "whole.bin"}.contains(QString::fromStdString(file.name)))
                transferQueueManager->AddDownload("alice", file.name, listing.begin()->first, qint64(file.size), false,
                                                  0);

        for (const char* name : {"bigfile.bin", "empty.bin", "resumed.bin", "whole.bin"}) {
            QVERIFY2(WaitForStatus(name, "complete"), name);
            QCOMPARE(Digest(ReadFile(Complete(name))), Digest(ReadFile(Shared(name))));
        }
        QCOMPARE(activity.busiest, 1);
        // Alice's side, from her reports (looked at from time to time): never two uploads at once, and all four
        // complete.
        int uploading = 0;
        QMap<QString, QString> uploads;
        QVERIFY(WaitUntil([&] {
            uploading = 0;
            uploads.clear();
            for (const QString& line : alice.Lines()) {
                if (!line.startsWith("UPLOAD\t"))
                    continue;
                uploads[line.section('\t', 1, 1)] = line.section('\t', 2);
                const QStringList statuses = uploads.values();
                uploading = std::max<int>(uploading, statuses.count("uploading") + statuses.count("connecting"));
            }
            return uploads.values() == QStringList{"complete", "complete", "complete", "complete"};
        }));
        QVERIFY(uploading <= 1);
    }

    void refusedFile()
    {
        const QString folder = QString(aliceHome.path() + "/private").replace('/', '\\');
        const ItemPtr entry
            = transferQueueManager->AddDownload("alice", "secret.txt", folder.toStdString(), 9, false, 0);
        QVERIFY(WaitUntil([&] { return TransferGraph::Status(entry) == "denied"; }));
        QCOMPARE(entry.GetItem("denial_reason").AsString(), QString("File not shared."));
    }

    // A peer that offers a file named ".." in the folder "..\..\x" only ever writes below bob's downloads folder.
    void hostileOffer()
    {
        SetSetting("accept_userlist_uploads", "yes");
        d.GetType("user")->GetItem(Value("mallory")).NewItem("in_user_list");
        const QStringList before = FilesBelow(bobHome.path(), {"Quillmer Downloads", ".local"});

        HandPeer messages;
        QVERIFY(messages.Connect(bobOptions.port, "mallory", MessagingConnection));
        messages.Send(BuildMessage(uint32_t(PM_TRANSFER_REQUEST), uint32_t(1), uint32_t(77),
                                   std::string("..\\..\\x\\.."), uint64_t(5)));
        MemStream answer;
        QVERIFY(messages.Next(answer));
        uint32_t code = 0, token = 0;
        uint8_t allowed = 0;
        QVERIFY(answer.Read(code) && answer.Read(token) && answer.Read(allowed));
        QCOMPARE(code, uint32_t(PM_TRANSFER_RESPONSE));
        QCOMPARE(token, 77u);
        QCOMPARE(allowed, uint8_t(1));

        HandPeer file;
        QVERIFY(file.Connect(bobOptions.port, "mallory", FileConnection));
        file.socket.write(FileConnectionStart::EncodeToken(77));
        QCOMPARE(ReadExactly(file.socket, 8), FileConnectionStart::EncodeOffset(0));
        file.socket.write("owned");
        const ItemPtr entry = transferQueueManager->GetDownloadEntry("mallory", "..", "..\\..\\x");
        QVERIFY(WaitUntil([&] { return TransferGraph::Status(entry) == "complete"; }));
        QCOMPARE(ReadFile(bobHome.path() + "/Quillmer Downloads/complete/x/__"), QByteArray("owned"));
        QCOMPARE(FilesBelow(bobHome.path(), {"Quillmer Downloads", ".local"}), before);
    }

    // Bob goes away in the middle of a transfer and comes back: the entry is queued again and the transfer resumes
    // from the partial file's length.
    void restartResumes()
    {
        alice.Command({"limit", "300"});
        transferQueueManager->AddDownload("alice", "slow1.bin", RemoteFolder(), 1200 * 1024, false, 0);
        QVERIFY(WaitForPartial("slow1.bin", 200 * 1024));
        bob.reset();
        const qint64 partial = QFileInfo(Downloading("slow1.bin")).size();
        QVERIFY(StartBob());
        QCOMPARE(TransferGraph::Status(Entry("slow1.bin")), QString("queued"));
        QVERIFY(WaitForStatus("slow1.bin", "downloading"));
        const qint64 offset = *transferQueueManager->Cells().Counter(Entry("slow1.bin").GetItem("write_position"));
        QVERIFY2(offset >= partial, qPrintable(QString("%1 < %2").arg(offset).arg(partial)));
        QVERIFY(WaitForStatus("slow1.bin", "complete"));
        QCOMPARE(Digest(ReadFile(Complete("slow1.bin"))), Digest(ReadFile(Shared("slow1.bin"))));
    }

    // Alice goes away in the middle of a transfer: the download ends "aborted", and is queued again and finished
    // when she is back.
    void vanishingUploader()
    {
        transferQueueManager->AddDownload("alice", "slow2.bin", RemoteFolder(), 1100 * 1024, false, 0);
        QVERIFY(WaitForPartial("slow2.bin", 100 * 1024));
        QVERIFY(alice.Quit());
        QVERIFY(WaitForStatus("slow2.bin", "aborted"));
        QVERIFY(StartAlice());
        QVERIFY(WaitForStatus("slow2.bin", "complete"));
        QCOMPARE(Digest(ReadFile(Complete("slow2.bin"))), Digest(ReadFile(Shared("slow2.bin"))));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == ClientRoleArgument)
        return RunClientRole(argc, argv);
    QCoreApplication application(argc, argv);
    TestTransferNetwork test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_network.moc"
