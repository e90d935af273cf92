#include "ShareGraph.h"

#include "app/Settings.h"
#include "search/SearchParser.h"
#include "shares/ShareMessages.h"
#include "shares/ShareVisibility.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
struct Reply
{
    QString user;
    uint32_t token = 0;
    std::vector<FileInfo> files;
    bool freeSlot = false;
    uint32_t speed = 0;
    uint32_t queued = 0;
};

bool Parse(MemStream message, Reply& reply)
{
    InflatedBody in;
    if (!ShareGraph::Inflate(message, SearchReplyCode, in))
        return false;
    AttributeTranslationTable table;
    return in.Read(reply.user) && in.Read(reply.token) && in.Read(reply.files) && in.Read(reply.freeSlot)
        && in.Read(reply.speed) && in.Read(reply.queued) && in.Read(table) && table.empty()
        && in.GetPendingReadLength() == 0;
}

QStringList Names(const std::vector<FileInfo>& files)
{
    QStringList names;
    for (const FileInfo& file : files)
        names << QString::fromStdString(file.name);
    return names;
}
} // namespace

class TestMatching : public QObject
{
    Q_OBJECT

    std::unique_ptr<ShareGraph> share;
    ItemPtr music;
    std::vector<Reply> replies;

    // The full names a search by the user got in its reply; "-" without a reply.
    QString Search(const QString& query, const QString& user = QStringLiteral("zed"))
    {
        replies.clear();
        if (!share->manager->ProcessSearch(user, 7, query))
            return QStringLiteral("-");
        return replies.size() == 1 ? Names(replies.front().files).join(QLatin1Char('|')) : QStringLiteral("?");
    }

private slots:
    void init()
    {
        share = std::make_unique<ShareGraph>();
        connect(share->manager.get(), &SharedFoldersManager::SearchReplyReady, this,
                [this](const QString& user, MemStream message) {
                    Reply reply;
                    QVERIFY(Parse(message, reply));
                    QCOMPARE(user, QStringLiteral("zed"));
                    replies.push_back(reply);
                });
        music = d.GetType("shared_folder")->GetItem("/m");
        ShareGraph::MakePublic(music);
        share->AddFile(music, "/m", "ab");
        share->AddFile(music, "/m/x", "ab cde.mp3");
        share->AddFile(music, "/m", "Mix Tape.mp3");
        share->AddFile(music, "/m", "mix tape.mp3");
        share->AddFile(music, "/m", "beat remix.ogg");
        share->AddFile(music, "/m", "beat one.ogg");
        share->AddFile(music, "/m", "live-mix.flac");
        share->AddFile(music, "/m/Café", QString::fromUtf8("Ärger über.mp3"));
        share->AddFile(music, "/m", QString::fromUtf8("sky\u4E00blue.mp3"));
        share->AddFile(music, "/m/x", "same.txt");
        share->AddFile(music, "/m", "same.txt");
    }

    void cleanup()
    {
        share.reset();
        replies.clear();
    }

    void separators()
    {
        for (char c : QByteArray("09azAZ"))
            if (c)
                QVERIFY(!IsSearchTokenSeparator(QLatin1Char(c)));
        for (ushort code : {0x80, 0xE9, 0xFF})
            QVERIFY(!IsSearchTokenSeparator(QChar(code)));
        for (ushort code : {0x20, 0x2D, 0x5F, 0x2E, 0x5C, 0x7F, 0x100, 0x4E00})
            QVERIFY(IsSearchTokenSeparator(QChar(code)));
        QStringList words;
        for (const std::string& word : SearchWords("/m\\live-mix.flac"))
            words << QString::fromStdString(word);
        QCOMPARE(words, QStringList({"flac", "live", "live-mix.flac", "m", "mix"}));
    }

    void matches_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("found");
        QTest::newRow("word of two letters only") << "ab"
                                                  << "-";
        QTest::newRow("with a longer word") << "ab cde"
                                            << "\\m\\x\\ab cde.mp3";
        QTest::newRow("part token alone") << "*mix"
                                          << "-";
        QTest::newRow("word and part") << "beat *mix"
                                       << "\\m\\beat remix.ogg";
        QTest::newRow("excluded is case-sensitive on the name") << "tape -mix"
                                                                << "\\m\\Mix Tape.mp3";
        QTest::newRow("second pass") << "live-mix.flac"
                                     << "\\m\\live-mix.flac";
        QTest::newRow("first pass") << "live flac"
                                    << "\\m\\live-mix.flac";
        QTest::newRow("Latin-1 letters stay in words")
            << QString::fromUtf8("ärger café") << QString::fromUtf8("\\m\\Café\\Ärger über.mp3");
        QTest::newRow("split above Latin-1") << "sky blue" << QString::fromUtf8("\\m\\sky\u4E00blue.mp3");
        QTest::newRow("same name in a folder and its subfolder") << "same txt"
                                                                 << "\\m\\same.txt|\\m\\x\\same.txt";
        QTest::newRow("unknown word") << "mix nowhere"
                                      << "-";
        QTest::newRow("invalid query") << "\""
                                       << "-";
        QTest::newRow("excluded only") << "-mix"
                                       << "-";
    }

    void matches()
    {
        QFETCH(QString, query);
        QTEST(Search(query), "found");
    }

    void replyCarriesAttributesAndUploadState()
    {
        const ItemPtr tape = share->AddFile(music, "/m/b", "Loud.MP3", 5000000000LL);
        tape += d.GetType("bitrate")->GetItem("320");
        tape += d.GetType("bitrate_mode")->GetItem("vbr");
        SetSetting("upload_speed", "4321");
        share->manager->SetUploadQueueStatus([] { return UploadQueueStatus{false, 12}; });
        QCOMPARE(Search("loud"), QStringLiteral("\\m\\b\\Loud.MP3"));
        const Reply& reply = replies.front();
        QCOMPARE(reply.user, QStringLiteral("me"));
        QCOMPARE(reply.token, 7u);
        QCOMPARE(reply.files.front().size, 5000000000ULL);
        QCOMPARE(reply.files.front().attributes.GetKind(), std::string("mp3"));
        QCOMPARE(reply.files.front().attributes.GetPairs(), (std::vector<AttributeMap::Pair>{{0, 320}, {2, 1}}));
        QVERIFY(!reply.freeSlot);
        QCOMPARE(reply.speed, 4321u);
        QCOMPARE(reply.queued, 12u);

        QCOMPARE(Search("same"), QStringLiteral("\\m\\same.txt|\\m\\x\\same.txt"));
        QVERIFY(replies.front().files.front().attributes.GetKind().empty());
    }

    void searchesFromTheNetwork()
    {
        QSignalSpy processed(share->manager.get(), &SharedFoldersManager::SearchProcessed);
        share->manager->OnDirectFileSearch("zed", 1, "beat");
        share->manager->OnDNetSearchRequest("zed", 2, "nothing here");
        share->manager->OnDirectFileSearch("me", 3, "beat");
        QCOMPARE(processed.size(), 2);
        QCOMPARE(processed.at(0), (QList<QVariant>{"beat", true}));
        QCOMPARE(processed.at(1), (QList<QVariant>{"nothing here", false}));
        QCOMPARE(replies.size(), std::size_t(1));
    }

    void repliesAreCut()
    {
        for (int n = 0; n < 5; ++n)
            share->AddFile(music, "/m/many", QStringLiteral("many %1.txt").arg(n));
        SearchParser parser;
        QVERIFY(parser.SetSearchText("many txt"));
        ShareIndex index;
        bool cut = false;
        QCOMPARE(index.Match(parser, GetUserSharedFolders("zed"), 5, cut).size(), std::size_t(5));
        QVERIFY(!cut);
        QCOMPARE(index.Match(parser, GetUserSharedFolders("zed"), 3, cut).size(), std::size_t(3));
        QVERIFY(cut);
    }

    void visibility_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("visible");
        QTest::newRow("stranger") << "zed"
                                  << "/m";
        QTest::newRow("listed user") << "lisa"
                                     << "/list /m";
        QTest::newRow("group member") << "gus"
                                      << "/friends /list /m";
        QTest::newRow("unshared user") << "ursula"
                                       << "";
    }

    void visibility()
    {
        QFETCH(QString, user);
        QFETCH(QString, visible);
        const ItemPtr list = d.GetType("shared_folder")->GetItem("/list");
        list.NewItem("shared_userlist");
        const ItemPtr friends = d.GetType("shared_folder")->GetItem("/friends");
        friends += d.GetType("user_list_group")->GetItem("friends");
        const ItemPtr hidden = d.GetType("shared_folder")->GetItem("/hidden");
        ShareGraph::ListUser("lisa");
        ShareGraph::ListUser("gus", {"friends", "others"});
        ShareGraph::ListUser("ursula", {"friends"}).NewItem("unshared");
        d.GetType("user")->GetItem("zed");
        QStringList found;
        for (ItemPtr folder : GetUserSharedFolders(user)) {
            found << folder.AsString();
            const ItemPtr file = share->AddFile(folder, folder.AsString(), "song.ogg");
            QVERIFY(IsFileSharedWithUser(file, user));
        }
        found.sort();
        QCOMPARE(found.join(QLatin1Char(' ')), visible);
        QVERIFY(!IsFileSharedWithUser(share->AddFile(hidden, "/hidden", "song.ogg"), user));
    }
};

QTEST_GUILESS_MAIN(TestMatching)
#include "tst_matching.moc"
