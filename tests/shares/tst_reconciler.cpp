#include "ShareGraph.h"

#include "shares/ShareIndex.h"
#include "shares/ShareReconciler.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {
ScannedFolder Folder(const QString& path, int files)
{
    ScannedFolder folder{path, {}};
    for (int n = 0; n < files; ++n)
        folder.files.push_back({QStringLiteral("track %1.ogg").arg(n), n});
    return folder;
}

FolderScanPtr Scan(std::vector<ScannedRoot> roots)
{
    auto scan = std::make_shared<FolderScan>();
    scan->roots = std::move(roots);
    return scan;
}

QStringList SharedFoldersOf(const QString& folder)
{
    QStringList paths;
    for (ItemPtr sharedFolder : d.GetType("shared_file_folder")->HasItem(Value(folder)).GetItems("shared_folder"))
        paths << sharedFolder.AsString();
    paths.sort();
    return paths;
}
} // namespace

class TestReconciler : public QObject
{
    Q_OBJECT

    std::unique_ptr<ShareGraph> share;
    std::unique_ptr<ShareIndex> index;
    std::unique_ptr<ShareReconciler> reconciler;

    // Applies a walk; the counts it reported.
    QList<QVariant> Apply(ShareReconciler::Kind kind, FolderScanPtr scan)
    {
        QSignalSpy finished(reconciler.get(), &ShareReconciler::Finished);
        reconciler->Start(kind, std::move(scan));
        return finished.wait(10000) ? finished.takeFirst() : QList<QVariant>();
    }

private slots:
    void init()
    {
        share = std::make_unique<ShareGraph>();
        index = std::make_unique<ShareIndex>();
        reconciler = std::make_unique<ShareReconciler>(*index);
    }

    void cleanup()
    {
        reconciler.reset();
        index.reset();
        share.reset();
    }

    void appliesAWalkInSlices()
    {
        d.GetType("shared_folder")->GetItem("/r");
        std::vector<ScannedFolder> folders;
        for (int n = 0; n < 40; ++n)
            folders.push_back(Folder(QStringLiteral("/r/album %1").arg(n), 250));
        int turns = 0;
        QTimer loop;
        connect(&loop, &QTimer::timeout, [&] { ++turns; });
        loop.start(0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Apply(ShareReconciler::Kind::AddFolder, Scan({{"/r", folders}})), (QList<QVariant>{10000, 0}));
        // A machine fast enough applies it in one slice.
        if (clock.elapsed() > 2 * ShareReconciler::SliceMs)
            QVERIFY2(turns > 1, "the event loop turned while the walk was applied");
        QCOMPARE(g("shared_file").Size(), std::size_t(10000));
        QVERIFY(d.GetType("search_token")->HasItem("album"));
    }

    // A folder inside two shared folders belongs to both, whichever order
    // they are walked in, and goes only when neither reaches it.
    void overlappingSharedFolders()
    {
        for (const char* path : {"/r", "/r/sub"})
            d.GetType("shared_folder")->GetItem(path);
        Apply(ShareReconciler::Kind::StartUp,
              Scan({{"/r/sub", {Folder("/r/sub", 2)}}, {"/r", {Folder("/r", 1), Folder("/r/sub", 2)}}}));
        QCOMPARE(SharedFoldersOf("/r/sub"), QStringList({"/r", "/r/sub"}));
        QCOMPARE(g("shared_file").Size(), std::size_t(3));

        QCOMPARE(
            Apply(ShareReconciler::Kind::Rescan, Scan({{"/r", {Folder("/r", 1)}}, {"/r/sub", {Folder("/r/sub", 2)}}})),
            (QList<QVariant>{0, 0}));
        QCOMPARE(SharedFoldersOf("/r/sub"), QStringList({"/r/sub"}));

        QCOMPARE(Apply(ShareReconciler::Kind::Rescan, Scan({{"/r", {Folder("/r", 1)}}, {"/r/sub", {}}})),
                 (QList<QVariant>{0, 2}));
        QVERIFY(!d.GetType("shared_file_folder")->HasItem("/r/sub"));
        QCOMPARE(g("shared_file").Size(), std::size_t(1));

        // At start-up every folder the walk did not reach goes, without counts.
        d.GetType("shared_file_folder")->GetItem("/elsewhere");
        QCOMPARE(Apply(ShareReconciler::Kind::StartUp, Scan({{"/r", {Folder("/r", 0)}}})), (QList<QVariant>{0, 0}));
        QVERIFY(g("shared_file").Empty());
        QCOMPARE(g("shared_file_folder").Size(), std::size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestReconciler)
#include "tst_reconciler.moc"
