#include "Mp3Frames.h"
#include "ShareGraph.h"

#include "app/Settings.h"
#include "store/DataSaver.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
const QByteArray Cbr192 = Frames(100, Mpeg1, 11);

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList Requested(const QSignalSpy& spy)
{
    QStringList paths;
    for (const QList<QVariant>& call : spy)
        paths << call.at(0).toString();
    return Sorted(paths);
}

bool HasHeader(const QString& path)
{
    return ShareGraph::File(path).IsConnected("is_scanned");
}
} // namespace

class TestScanning : public QObject
{
    Q_OBJECT

private slots:
    void indexesRescansAndKeepsHeaderData()
    {
        ShareGraph share;
        const QString a = share.Write("a.mp3", Cbr192);
        share.Write("Song.Mp3", Cbr192);
        const QString loud = share.Write("LOUD.MP3", Frames(50, Mpeg2, 8, 0, 3));
        share.Write("notes.txt");
        share.Write(".hidden.mp3", Cbr192);
        share.Write("sub/one.txt");
        share.Write("sub/deeper/two.txt");
        share.Write("sub/deeper/three.txt");
        QSignalSpy requested(share.manager.get(), &SharedFoldersManager::MP3ScanRequired);
        QSignalSpy rescanned(share.manager.get(), &SharedFoldersManager::SharedFilesRescanned);

        const ItemPtr folder = share.Share();
        QCOMPARE(ShareGraph::Property(folder, "shared_folder_id"),
                 QStringLiteral("[0]%1").arg(QDir(share.files.path()).dirName()));
        QCOMPARE(GetSetting("shared_folder_counter"), QStringLiteral("1"));
        QCOMPARE(share.manager->AddSharedFolder(share.files.path() + "/"), folder);
        QCOMPARE(GetSetting("shared_folder_counter"), QStringLiteral("1"));
        QVERIFY(share.Settle());

        QCOMPARE(g("shared_file").Size(), std::size_t(7));
        QCOMPARE(g("shared_file_folder").Size(), std::size_t(3));
        QVERIFY(!ShareGraph::File(share.Path(".hidden.mp3")));
        QCOMPARE(ShareGraph::Property(ShareGraph::File(share.Path("sub/one.txt")), "shared_file_size"),
                 QStringLiteral("1"));
        // Only ".mp3" and ".MP3" names are read, a five-character one included.
        QCOMPARE(Requested(requested), Sorted({a, loud}));
        QVERIFY(QTest::qWaitFor([&] { return HasHeader(a) && HasHeader(loud); }, 5000));
        const ItemPtr song = ShareGraph::File(a);
        QCOMPARE(ShareGraph::Property(song, "bitrate"), QStringLiteral("192"));
        QCOMPARE(ShareGraph::Property(song, "bitrate_mode"), QStringLiteral("cbr"));
        QCOMPARE(ShareGraph::Property(song, "mpeg_version"), QStringLiteral("1"));
        QCOMPARE(ShareGraph::Property(song, "channel_mode"), QStringLiteral("joint stereo"));
        QCOMPARE(ShareGraph::Property(song, "audio_frequency"), QStringLiteral("0"));
        QCOMPARE(ShareGraph::Property(ShareGraph::File(loud), "mpeg_version"), QStringLiteral("2"));
        QVERIFY(!HasHeader(share.Path("Song.Mp3")));
        QVERIFY(rescanned.isEmpty());

        // One file deleted, two added, and a changed size that keeps the header data.
        QFile::remove(share.Path("notes.txt"));
        share.Write("new one.txt");
        share.Write("sub/new two.txt");
        share.Write("a.mp3", Cbr192 + QByteArray(10, '\0'));
        requested.clear();
        share.manager->RescanShares();
        QVERIFY(share.Settle());
        QCOMPARE(rescanned.takeFirst(), (QList<QVariant>{2, 1}));
        QCOMPARE(ShareGraph::File(a), song);
        QCOMPARE(ShareGraph::Property(song, "shared_file_size"), QString::number(Cbr192.size() + 10));
        QCOMPARE(ShareGraph::Property(song, "bitrate"), QStringLiteral("192"));
        QVERIFY(requested.isEmpty());
        QVERIFY(!ShareGraph::File(share.Path("notes.txt")));
        QVERIFY(!d.GetType("search_token")->HasItem("notes"));

        // A removed subfolder takes all its files along, and the words only they had.
        QVERIFY(QDir(share.Path("sub")).removeRecursively());
        share.manager->RescanShares();
        QVERIFY(share.Settle());
        QCOMPARE(rescanned.takeFirst(), (QList<QVariant>{0, 4}));
        QCOMPARE(g("shared_file_folder").Size(), std::size_t(1));
        QCOMPARE(g("shared_file").Size(), std::size_t(4));
        QVERIFY(!d.GetType("search_token")->HasItem("deeper"));
        QVERIFY(!d.GetType("shared_file_name")->HasItem("three.txt"));
        QVERIFY(d.GetType("search_token")->HasItem("new"));

        // The walk at start-up brings the index up to date without counts.
        share.Write("later/four.txt");
        QFile::remove(share.Path("new one.txt"));
        share.manager->Init();
        QVERIFY(share.Settle());
        QVERIFY(rescanned.isEmpty());
        QVERIFY(ShareGraph::File(share.Path("later/four.txt")));
        QVERIFY(!ShareGraph::File(share.Path("new one.txt")));
        QCOMPARE(g("shared_file").Size(), std::size_t(4));
        QCOMPARE(g("shared_file_folder").Size(), std::size_t(2));
    }

    void indexSurvivesSavingAndHeadersAreReadOnce()
    {
        QString savedTo;
        QString a;
        QTemporaryDir keep;
        {
            ShareGraph share;
            a = share.Write("a.mp3", Cbr192);
            share.Write("Docs/Readme.TXT");
            ShareGraph::MakePublic(share.Share());
            QVERIFY(QTest::qWaitFor([&] { return HasHeader(a); }, 5000));
            savedTo = keep.filePath("saved");
            share.saver->Save(savedTo);
            // Keep the files: the next graph shares the same folder.
            share.files.setAutoRemove(false);
            a = share.files.path();
        }
        ShareGraph share;
        share.saver->Load(savedTo);
        const QString root = a;
        a = root + "/a.mp3";
        const ItemPtr folder = d.GetType("shared_folder")->HasItem(Value(root));
        QVERIFY(folder.IsConnected("shared_public"));
        QVERIFY(folder.GetItem("shared_folder_id"));
        QCOMPARE(ShareGraph::Property(ShareGraph::File(a), "bitrate"), QStringLiteral("192"));
        QVERIFY(HasHeader(a));
        // Lower-case names come back with the names, so lookups ignore case.
        QCOMPARE(share.manager->GetSharedFileItem(root + "/docs/README.txt"),
                 ShareGraph::File(root + "/Docs/Readme.TXT"));
        QVERIFY(!share.manager->GetSharedFileItem(root + "/docs/other.txt"));
        QVERIFY(!ShareGraph::File(a).IsConnected("search_token"));

        QSignalSpy requested(share.manager.get(), &SharedFoldersManager::MP3ScanRequired);
        share.manager->Init();
        QVERIFY(share.Settle());
        QVERIFY(requested.isEmpty());
        QVERIFY(ShareGraph::File(a).IsConnected("search_token"));
        QDir(root).removeRecursively();
    }

    void namesDifferingInCaseAreTwoFiles()
    {
        ShareGraph share;
        const QString lower = share.Write("tune.mp3", Cbr192);
        const QString upper = share.Write("TUNE.MP3", Frames(50, Mpeg2, 8, 0, 3));
        share.Share();
        QVERIFY(QTest::qWaitFor([&] { return HasHeader(lower) && HasHeader(upper); }, 5000));
        QCOMPARE(ShareGraph::Property(ShareGraph::File(lower), "mpeg_version"), QStringLiteral("1"));
        QCOMPARE(ShareGraph::Property(ShareGraph::File(upper), "mpeg_version"), QStringLiteral("2"));
        QSignalSpy rescanned(share.manager.get(), &SharedFoldersManager::SharedFilesRescanned);
        share.manager->RescanShares();
        QVERIFY(share.Settle());
        QCOMPARE(rescanned.takeFirst(), (QList<QVariant>{0, 0}));
        QVERIFY(share.manager->GetSharedFileItem(share.Path("Tune.mp3")));
    }

    void unreadableShareAndShutDownDuringAWalk()
    {
        ShareGraph share;
        const ItemPtr missing = share.manager->AddSharedFolder(share.Path("missing"));
        QVERIFY(share.Settle());
        QVERIFY(missing);
        QVERIFY(g("shared_file").Empty());

        for (int n = 0; n < 2000; ++n)
            share.Write(QStringLiteral("many/%1/file %2.txt").arg(n % 50).arg(n));
        share.manager->AddSharedFolder(share.Path("many"));
        QElapsedTimer clock;
        clock.start();
        share.manager.reset();
        QVERIFY(clock.elapsed() < 5000);
    }
};

QTEST_GUILESS_MAIN(TestScanning)
#include "tst_scanning.moc"
