#include "ShareGraph.h"

#include "LocalServer.h"
#include "app/Settings.h"
#include "shares/ShareMessages.h"

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

        uint32_t code = 0;
        QByteArray body;
        QVERIFY(reply.Read(code) && code == SearchReplyCode && InflateBody(reply.GetPendingBytes(), body));
        MemStream in(body);
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
};

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"
