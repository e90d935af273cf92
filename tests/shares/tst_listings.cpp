#include "ShareGraph.h"

#include "shares/FileDisplayText.h"
#include "shares/ShareMessages.h"

#include <QtTest>

#include <zlib.h>

namespace {
// The bytes after the code of a message with that code; empty otherwise.
QByteArray BodyOf(MemStream message, uint32_t expectedCode)
{
    uint32_t code = 0;
    return message.Read(code) && code == expectedCode ? message.GetPendingBytes() : QByteArray();
}

QByteArray Deflated(const QByteArray& plain, int level = 9)
{
    uLongf length = compressBound(uLong(plain.size()));
    QByteArray packed(int(length), '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(plain.constData()),
              uLong(plain.size()), level);
    packed.resize(int(length));
    return packed;
}

struct FolderContents
{
    uint32_t token = 0;
    QString folder;
    uint32_t folders = 0;
    QString again;
    SharedFolderInfo contents;
};

bool Parse(MemStream message, FolderContents& reply)
{
    QByteArray body;
    if (!InflateBody(BodyOf(message, SharedFilesInFolderCode), body))
        return false;
    MemStream in(body);
    return in.Read(reply.token) && in.Read(reply.folder) && in.Read(reply.folders) && in.Read(reply.again)
        && in.Read(reply.contents) && in.GetPendingReadLength() == 0;
}
} // namespace

class TestListings : public QObject
{
    Q_OBJECT

    std::unique_ptr<ShareGraph> share;

private slots:
    void init()
    {
        share = std::make_unique<ShareGraph>();
        const ItemPtr music = d.GetType("shared_folder")->GetItem("/m");
        ShareGraph::MakePublic(music);
        const ItemPtr song = share->AddFile(music, "/m", "song.mp3", 3000);
        song += d.GetType("bitrate")->GetItem("192");
        song += d.GetType("bitrate_mode")->GetItem("cbr");
        share->AddFile(music, "/m", "cover.jpg", 20);
        share->AddFile(music, "/m/Live", "song.mp3", 4000);
        music += d.GetType("shared_file_folder")->GetItem("/m/Empty");
        const ItemPtr secret = d.GetType("shared_folder")->GetItem("/s");
        share->AddFile(secret, "/s", "diary.txt");
    }

    void cleanup() { share.reset(); }

    void shareListForAUser()
    {
        FileInfoMap share5;
        AttributeTranslationTable table{{1, "stale"}};
        QVERIFY(ReadSharedFileList(BodyOf(share->manager->GetSharedFilesMessage("zed"), SharedFileListCode), share5,
                                   table));
        QVERIFY(table.empty());
        const FileInfoMap expected{
            {"\\m",
             {FileInfo("cover.jpg", 20),
              FileInfo("song.mp3", 3000, AttributeMap::ForSharedFile("song.mp3", 192, false))}},
            {"\\m\\Empty", {}},
            {"\\m\\Live",
             {FileInfo("song.mp3", 4000, AttributeMap::ForSharedFile("song.mp3", std::nullopt, std::nullopt))}},
        };
        QCOMPARE(share5, expected);

        FileInfoMap own;
        share->manager->GetSharedFilesAsUserShare("zed", own, table);
        QCOMPARE(own, expected);
        d.GetType("user")->GetItem("zed").NewItem("unshared");
        share->manager->GetSharedFilesAsUserShare("zed", own, table);
        QVERIFY(own.empty());
    }

    void folderContents_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("visible, as the network writes it") << "\\m" << QStringList({"cover.jpg", "song.mp3"});
        QTest::newRow("visible, local form") << "/m/Live" << QStringList({"song.mp3"});
        QTest::newRow("not visible to the user") << "\\s" << QStringList();
        QTest::newRow("unknown") << "\\nowhere" << QStringList();
    }

    void folderContents()
    {
        QFETCH(QString, folder);
        MemStream sent;
        QString to;
        connect(share->manager.get(), &SharedFoldersManager::FolderContentsReady, this,
                [&](const QString& user, MemStream message) {
                    to = user;
                    sent = message;
                });
        share->manager->OnFilesInFoldersRequested("zed", 77, folder);
        QCOMPARE(to, QStringLiteral("zed"));
        FolderContents reply;
        QVERIFY(Parse(sent, reply));
        QCOMPARE(reply.token, 77u);
        QCOMPARE(reply.folder, folder);
        QCOMPARE(reply.folders, 1u);
        QCOMPARE(reply.again, folder);
        QStringList names;
        for (const FileInfo& file : reply.contents.files) {
            names << QString::fromStdString(file.name);
            QVERIFY(file.attributes == AttributeMap());
        }
        QTEST(names, "files");
    }

    void receivedShares()
    {
        FileInfoMap listing{{"Music", {FileInfo("a.mp3", 5)}}};
        MemStream body;
        body.Write(listing);
        FileInfoMap read;
        AttributeTranslationTable table{{9, "stale"}};
        // Without its attribute table the share still counts.
        QVERIFY(ReadSharedFileList(Deflated(body.GetPendingBytes()), read, table));
        QCOMPARE(read, listing);
        QVERIFY(table.empty());

        body.Write(AttributeTranslationTable{{0, "bitrate"}});
        QVERIFY(ReadSharedFileList(Deflated(body.GetPendingBytes()), read, table));
        QCOMPARE(table, (AttributeTranslationTable{{0, "bitrate"}}));

        const QByteArray whole = Deflated(body.GetPendingBytes());
        QVERIFY(!ReadSharedFileList(whole.left(whole.size() - 6), read, table));
        QVERIFY(read.empty());
        QVERIFY(!ReadSharedFileList("not zlib", read, table));
        QVERIFY(!ReadSharedFileList(Deflated(QByteArray::fromHex("01000000")), read, table));
        // A body that inflates beyond any real share is refused, not grown into.
        QByteArray bomb;
        QVERIFY(!InflateBody(Deflated(QByteArray(MaxInflatedBodyBytes + 1, '\0'), 1), bomb));
        QVERIFY(bomb.isEmpty());
    }

    void removeUserShare()
    {
        for (const char* name : {"ann", "bob"}) {
            const ItemPtr browsed = d.GetType("user_share")->NewItem();
            browsed += d.GetType("user")->GetItem(name);
            const ItemPtr top = browsed.NewItem("user_share_folder");
            top += d.GetType("user_share_folder_name")->GetItem("Music");
            const ItemPtr sub = browsed.NewItem("user_share_folder");
            sub += d.GetType("user_share_folder_name")->GetItem("Music\\Live");
            top.NewItem("user_share_folder_child") += sub.NewItem("user_share_folder_parent");
            for (ItemPtr folder : {top, sub}) {
                const ItemPtr file = folder.NewItem("user_share_file");
                file += d.GetType("user_share_file_name")->GetItem(std::string(name) + ".mp3");
                file += d.GetType("file_size")->GetItem("10");
            }
        }
        share->manager->RemoveUserShare("ann");
        share->manager->RemoveUserShare("nobody");
        QCOMPARE(g("user_share").Size(), std::size_t(1));
        QVERIFY(d.GetType("user")->HasItem("bob").GetItem("user_share"));
        QCOMPARE(g("user_share_folder").Size(), std::size_t(2));
        QCOMPARE(g("user_share_file").Size(), std::size_t(2));
        QCOMPARE(g("user_share_folder_parent").Size(), std::size_t(1));
        QVERIFY(!d.GetType("user_share_file_name")->HasItem("ann.mp3"));
    }

    void displayText_data()
    {
        QTest::addColumn<QString>("bitrate");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("text");
        QTest::newRow("everything") << "192"
                                    << "cbr"
                                    << "245"
                                    << "192 CBR, 4:05";
        QTest::newRow("variable") << "181"
                                  << "vbr"
                                  << ""
                                  << "181 VBR";
        QTest::newRow("length only") << ""
                                     << ""
                                     << "3725"
                                     << "1:02:05";
        QTest::newRow("nothing") << ""
                                 << ""
                                 << ""
                                 << "";
    }

    void displayText()
    {
        QFETCH(QString, bitrate);
        QFETCH(QString, mode);
        QFETCH(QString, length);
        const ItemPtr file = d.GetType("user_share_file")->NewItem();
        if (!bitrate.isEmpty())
            file += d.GetType("bitrate")->GetItem(Value(bitrate));
        if (!mode.isEmpty())
            file += d.GetType("bitrate_mode")->GetItem(Value(mode));
        if (!length.isEmpty())
            file += d.GetType("length_seconds")->GetItem(Value(length));
        QTEST(GetFileItemDisplayString(file), "text");
    }
};

QTEST_GUILESS_MAIN(TestListings)
#include "tst_listings.moc"
