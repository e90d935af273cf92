#include "ShareGraph.h"

#include "peer/PeerMessages.h"
#include "shares/FileDisplayText.h"
#include "shares/ShareListWalk.h"
#include "shares/ShareMessages.h"
#include "shares/ShareVisibility.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
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
    InflatedBody in;
    return ShareGraph::Inflate(message, SharedFilesInFolderCode, in) && in.Read(reply.token) && in.Read(reply.folder)
        && in.Read(reply.folders) && in.Read(reply.again) && in.Read(reply.contents) && in.GetPendingReadLength() == 0;
}

FileInfoMap AsMap(const ShareListing& listing)
{
    FileInfoMap share;
    for (const ListedFolder& folder : listing)
        share[folder.path].insert(folder.files.begin(), folder.files.end());
    return share;
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

    // Each user gets the folders it may see, built in the background, laid
    // out exactly as the map of folders to sets of files writes itself. Users
    // who see the same folders share one build; one asking twice gets one list.
    // A folder below two shared folders is listed once.
    void shareListsForUsers()
    {
        const ItemPtr live = d.GetType("shared_folder")->GetItem("/m/Live");
        ShareGraph::MakePublic(live);
        live += d.GetType("shared_file_folder")->HasItem("/m/Live");
        d.GetType("shared_folder")->HasItem("/s") += d.GetType("user_list_group")->GetItem("friends");
        ShareGraph::ListUser("ann", {"friends"});
        d.GetType("user")->GetItem("eve").NewItem("unshared");
        std::map<QString, QByteArray> bodies;
        QStringList order;
        connect(share->manager.get(), &SharedFoldersManager::SharedFileListReady, this,
                [&](const QString& user, MemStream message) {
                    order << user;
                    InflatedBody in;
                    QByteArray& body = bodies[user];
                    if (ShareGraph::Inflate(message, SharedFileListCode, in)) {
                        body.resize(int(in.GetPendingReadLength()));
                        in.ReadBuffer(body.data(), std::size_t(body.size()));
                    }
                });
        for (const char* user : {"zed", "ann", "zed", "yan", "eve"})
            share->manager->OnSharedFileListRequested(user);
        QVERIFY(QTest::qWaitFor([&] { return order.size() == 4; }, 10000));
        QTest::qWait(20);
        QCOMPARE(order, (QStringList{"zed", "yan", "ann", "eve"}));

        const FileInfoMap expected{
            {"\\m",
             {FileInfo("cover.jpg", 20),
              FileInfo("song.mp3", 3000, AttributeMap::ForSharedFile("song.mp3", 192, false))}},
            {"\\m\\Empty", {}},
            {"\\m\\Live",
             {FileInfo("song.mp3", 4000, AttributeMap::ForSharedFile("song.mp3", std::nullopt, std::nullopt))}},
        };
        FileInfoMap forFriends = expected;
        forFriends["\\s"] = {FileInfo("diary.txt", 1)};
        const auto written = [](const FileInfoMap& map) {
            MemStream body;
            body.Write(map);
            body.Write(AttributeTranslationTable());
            return body.GetPendingBytes();
        };
        QCOMPARE(bodies["zed"], written(expected));
        QCOMPARE(bodies["yan"], written(expected));
        QCOMPARE(bodies["ann"], written(forFriends));
        QCOMPARE(bodies["eve"], written(FileInfoMap()));
        // A receiving peer reads it back whole.
        SharedFileListMessage read;
        MemStream annBody(bodies["ann"]);
        QVERIFY(read.Read(annBody));
        QCOMPARE(read.share, forFriends);

        FileInfoMap own;
        AttributeTranslationTable table{{1, "stale"}};
        share->manager->GetSharedFilesAsUserShare("zed", own, table);
        QCOMPARE(own, expected);
        QVERIFY(table.empty());
        share->manager->GetSharedFilesAsUserShare("eve", own, table);
        QVERIFY(own.empty());
    }

    // A manager that goes while a list is compressed waits for it and sends nothing.
    void goesWhileAListIsBuilt()
    {
        int sent = 0;
        connect(share->manager.get(), &SharedFoldersManager::SharedFileListReady, this, [&] { ++sent; });
        share->manager->OnSharedFileListRequested("zed");
        QCoreApplication::processEvents();
        share.reset();
        QCoreApplication::processEvents();
        QCOMPARE(sent, 0);
    }

    // Read a file at a time, the list is the one a whole read gives; when the
    // index changes between pieces, a folder that went is left out and one
    // not read yet shows what came.
    void walkInPieces()
    {
        const ShareTypes types;
        const ItemSet visible = GetUserSharedFolders("zed");
        ShareListWalk whole(types, visible);
        QVERIFY(whole.Step([] { return false; }));
        const ShareListing all = whole.Take();
        QCOMPARE(AsMap(all), GetSharedFilesForUser("zed"));

        ShareListWalk pieces(types, visible);
        int steps = 1;
        for (; !pieces.Step([] { return true; }) && steps < 100; ++steps) { }
        QVERIFY(steps > 6); // three files, three folders
        QVERIFY(pieces.Take() == all);

        ShareListWalk changing(types, visible);
        QVERIFY(!changing.Step([] { return true; }));
        const ItemPtr live = d.GetType("shared_file_folder")->HasItem("/m/Live");
        live.GetItems("shared_file").Remove();
        live.Remove();
        share->AddFile(d.GetType("shared_folder")->HasItem("/m"), "/m/Empty", "new.txt", 5);
        while (!changing.Step([] { return true; })) { }
        FileInfoMap now = AsMap(all);
        now.erase("\\m\\Live");
        now["\\m\\Empty"] = {FileInfo("new.txt", 5)};
        QCOMPARE(AsMap(changing.Take()), now);
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
