#include "ShareClients.h"
#include "ShareGraph.h"

#include "LocalServer.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "peer/PeerFraming.h"
#include "peer/PeerGreeting.h"
#include "peer/PeerMessenger.h"
#include "shares/ShareMessages.h"
#include "wire/FrameWriter.h"

#include <QCryptographicHash>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

namespace {
// A bare client of the server that logs in and searches.
class Searcher
{
public:
    bool LogIn(quint16 port, const QString& name)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(5000))
            return false;
        const QByteArray digest = QCryptographicHash::hash((name + "pw").toUtf8(), QCryptographicHash::Md5).toHex();
        MemStream login;
        login.Write(uint32_t(1));
        login.Write(name);
        login.Write(QStringLiteral("pw"));
        login.Write(uint32_t(157));
        login.Write(digest.toStdString());
        login.Write(uint32_t(100));
        Send(login);
        return true;
    }

    void Search(uint32_t token, const QString& text)
    {
        MemStream search;
        search.Write(uint32_t(26));
        search.Write(token);
        search.Write(text);
        Send(search);
    }

private:
    void Send(const MemStream& message)
    {
        const QByteArray body = message.GetPendingBytes();
        QByteArray frame(4, '\0');
        qToLittleEndian<quint32>(quint32(body.size()), frame.data());
        socket.write(frame + body);
        socket.flush();
    }

    QTcpSocket socket;
};

QString Backslashed(QString path)
{
    return path.replace('/', '\\');
}

QString Text(ItemPtr item, const char* type)
{
    return item.GetItem(type).AsString();
}
} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT

private slots:
    // A logged-in client announces its share, learns its own speed, and
    // answers a search that another user sends through the server.
    void announcesAndAnswersSearches()
    {
        localserver::ServerOptions options;
        options.quiet = true;
        localserver::LocalServer localServer(options);
        QVERIFY(localServer.Listen(QHostAddress::LocalHost));
        ShareGraph share(localServer.ServerPort());
        share.Write("Jazz/Blue Train.mp3");
        share.Write("Jazz/Giant Steps.flac");
        share.Write("Rock/Train song.ogg");
        ShareGraph::MakePublic(share.Share());

        QSignalSpy stats(share.server.get(), &Server::ReceivedUserStats);
        share.server->Connect();
        QVERIFY(stats.wait(5000));
        const UserStats own = stats.takeFirst().at(1).value<UserStats>();
        QCOMPARE(own.folderCount, 3u);
        QCOMPARE(own.fileCount, 3u);
        QCOMPARE(GetSetting("upload_speed"), QStringLiteral("0"));
        share.server->SendUploadSpeed(2048);
        share.server->GetUserStats("me");
        QVERIFY(QTest::qWaitFor([] { return GetSetting("upload_speed") == QLatin1String("2048"); }, 5000));

        QString to;
        MemStream reply;
        connect(share.manager.get(), &SharedFoldersManager::SearchReplyReady, this,
                [&](const QString& user, MemStream message) {
                    to = user;
                    reply = message;
                });
        QSignalSpy processed(share.manager.get(), &SharedFoldersManager::SearchProcessed);
        Searcher bob;
        QVERIFY(bob.LogIn(localServer.ServerPort(), "bob"));
        bob.Search(41, "train -song");
        QVERIFY(processed.wait(5000));
        QCOMPARE(processed.takeFirst(), (QList<QVariant>{"train -song", true}));
        QCOMPARE(to, QStringLiteral("bob"));

        InflatedBody in;
        QVERIFY(ShareGraph::Inflate(reply, SearchReplyCode, in));
        QString user;
        uint32_t token = 0;
        std::vector<FileInfo> files;
        bool freeSlot = false;
        uint32_t speed = 0;
        QVERIFY(in.Read(user) && in.Read(token) && in.Read(files) && in.Read(freeSlot) && in.Read(speed));
        QCOMPARE(user, QStringLiteral("me"));
        QCOMPARE(token, 41u);
        QCOMPARE(files.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(files.front().name),
                 QString(share.Path("Jazz/Blue Train.mp3")).replace('/', '\\'));
        QVERIFY(freeSlot);
        QCOMPARE(speed, 2048u);

        bob.Search(42, "nothing matches");
        QVERIFY(processed.wait(5000));
        QCOMPARE(processed.takeFirst(), (QList<QVariant>{"nothing matches", false}));
    }

    // Alice, in a process of her own, shares a folder. Bob searches through
    // the server and gets her reply as results in his graph, browses her share
    // and asks for one folder's files; a third peer reads that folder's reply
    // itself. All of it over real loopback connections.
    void searchAndBrowseEndToEnd()
    {
        localserver::ServerOptions options;
        options.quiet = true;
        localserver::LocalServer localServer(options);
        QVERIFY(localServer.Listen(QHostAddress::LocalHost));
        QTemporaryDir files;
        const QString root = files.filePath("Music");
        const auto write = [&](const QString& relative, int size) {
            QDir().mkpath(QFileInfo(root + "/" + relative).path());
            QFile file(root + "/" + relative);
            // No byte 0xFF: nothing that could pass for an MP3 frame.
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'a')) == size);
        };
        write("cover.jpg", 50);
        write("Jazz/Blue Train.mp3", 1000);
        write("Jazz/Giant Steps.flac", 2000);
        write("Rock/Train song.ogg", 300);
        QVERIFY(QDir().mkpath(root + "/Rock/Live"));

        SharerChild alice;
        QVERIFY(alice.Start(localServer.ServerPort(), "alice", root));
        LoopbackClient bob("bob", localServer.ServerPort());
        QVERIFY(bob.LogIn());

        const unsigned int token = gp_server->FileSearch("train", false);
        const ItemPtr request = d.GetType("search_request")->HasItem(Value(token));
        QVERIFY(request);
        const auto results = [&] { return request.GetItems("search_results").GetItems("search_result"); };
        QVERIFY(QTest::qWaitFor([&] { return results().Size() == 2; }, 15000));
        QStringList found;
        for (ItemPtr result : results())
            found << QStringList{Text(result, "search_result_file_folder"), Text(result, "search_result_file_name"),
                                 Text(result, "file_size")}
                         .join('|');
        found.sort();
        QCOMPARE(found,
                 (QStringList{Backslashed(root + "/Jazz|Blue Train.mp3|1000"),
                              Backslashed(root + "/Rock|Train song.ogg|300")}));
        QCOMPARE(Text(request.GetItem("search_results"), "user"), QStringLiteral("alice"));

        FileInfoMap browsed;
        bool received = false;
        connect(peerMessenger, &PeerMessenger::UserShare, this,
                [&](const QString& user, const FileInfoMap& share, const AttributeTranslationTable& table) {
                    received = user == "alice" && table.empty();
                    browsed = share;
                });
        peerMessenger->GetUserSharedFiles("alice");
        QVERIFY(QTest::qWaitFor([&] { return received; }, 15000));
        const auto key = [&](const QString& folder) { return Backslashed(root + folder).toStdString(); };
        const FileInfoMap expected{
            {key(""), {FileInfo("cover.jpg", 50)}},
            {key("/Jazz"),
             {FileInfo("Blue Train.mp3", 1000, AttributeMap::ForSharedFile("Blue Train.mp3", {}, {})),
              FileInfo("Giant Steps.flac", 2000)}},
            {key("/Rock"), {FileInfo("Train song.ogg", 300)}},
            {key("/Rock/Live"), {}},
        };
        QCOMPARE(browsed, expected);

        const QString jazz = Backslashed(root + "/Jazz");
        SetSetting("show_diagnostics", "yes");
        QSignalSpy logged(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged);
        MemStream ask = BuildMessage(uint32_t(36), uint32_t(8), jazz);
        peerMessenger->SendMessageToUser("alice", ask);
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const QList<QVariant>& line : logged)
                    if (line.at(1).toString().endsWith("Received PM_SHARED_FILES_IN_FOLDER message from user alice"))
                        return true;
                return false;
            },
            15000));

        QTcpSocket carl;
        carl.connectToHost(QHostAddress::LocalHost, alice.Port());
        QVERIFY(carl.waitForConnected(5000));
        carl.write(FramePeerMessage(BuildDirectGreeting("carl", "P"), false));
        carl.write(FramePeerMessage(BuildMessage(uint32_t(36), uint32_t(9), jazz), false));
        PeerReadState reader(false);
        MemStream reply;
        QVERIFY(QTest::qWaitFor(
            [&] {
                const PeerReadState::Step step = reader.Next(carl);
                reply = step.body;
                return step.event == PeerReadState::Event::Message;
            },
            15000));
        InflatedBody in;
        uint32_t replyToken = 0, folders = 0;
        QString folder, again;
        SharedFolderInfo contents;
        QVERIFY(ShareGraph::Inflate(reply, SharedFilesInFolderCode, in) && in.Read(replyToken) && in.Read(folder)
                && in.Read(folders) && in.Read(again) && in.Read(contents) && in.GetPendingReadLength() == 0);
        QCOMPARE(replyToken, 9u);
        QCOMPARE(folder, jazz);
        QCOMPARE(folders, 1u);
        QCOMPARE(again, jazz);
        QCOMPARE(contents.files,
                 (std::set<FileInfo>{FileInfo("Blue Train.mp3", 1000), FileInfo("Giant Steps.flac", 2000)}));
        QVERIFY(alice.Quit());
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == SharerRoleArgument)
        return RunSharerRole(argc, argv);
    QCoreApplication application(argc, argv);
    TestNetwork test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_network.moc"
