#include "shares/FolderScan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
void Touch(const QString& path, int size = 1)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

// "folder: name=size name=size" per folder, sorted, relative to the root.
QStringList Listing(const ScannedRoot& scanned, const QString& root)
{
    QStringList lines;
    for (const ScannedFolder& folder : scanned.folders) {
        QStringList files;
        for (const ScannedFile& file : folder.files)
            files << QStringLiteral("%1=%2").arg(file.name).arg(file.size);
        files.sort();
        lines << QStringLiteral("%1: %2").arg(folder.path.mid(root.size()), files.join(QLatin1Char(' '))).trimmed();
    }
    lines.sort();
    return lines;
}
} // namespace

class TestFolderWalk : public QObject
{
    Q_OBJECT

private slots:
    void listsRegularFilesAndEntersRealFoldersOnce()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        Touch(root + "/a.mp3", 3);
        Touch(root + "/.hidden.mp3");
        Touch(root + "/.hidden folder/inside.txt");
        Touch(root + "/sub/b.txt", 2);
        QDir().mkpath(root + "/sub/empty");
        QVERIFY(QFile::link(root + "/a.mp3", root + "/link to file.mp3"));
        QVERIFY(QFile::link(root + "/sub", root + "/link to folder"));
        // A loop of links: a link inside a folder pointing back up.
        QVERIFY(QFile::link(root, root + "/sub/up"));
        QVERIFY(mkfifo(QFile::encodeName(root + "/pipe").constData(), 0600) == 0);

        QStringList unlisted;
        const ScannedRoot scanned = WalkSharedFolder(
            root, [] { return false; }, [&](const QString& folder, const QString&) { unlisted << folder; });
        QCOMPARE(Listing(scanned, root), QStringList({"/sub/empty:", "/sub: b.txt=2", ": a.mp3=3"}));
        QVERIFY(unlisted.isEmpty());
        QCOMPARE(scanned.folders.front().path, root);

        // The root may itself be a link; what is below it is walked as usual.
        QVERIFY(QFile::link(root + "/sub", dir.filePath("../") + QFileInfo(root).fileName() + "-link"));
        const QString linkedRoot = dir.filePath("../") + QFileInfo(root).fileName() + "-link";
        const ScannedRoot throughLink = WalkSharedFolder(
            QDir::cleanPath(linkedRoot), [] { return false; }, [](const QString&, const QString&) {});
        QCOMPARE(throughLink.folders.size(), std::size_t(2));
        QFile::remove(linkedRoot);
    }

    void foldersThatCannotBeListedAreLeftOut()
    {
        QTemporaryDir dir;
        Touch(dir.path() + "/file.txt");
        Touch(dir.path() + "/locked/secret.txt");
        QStringList unlisted;
        const auto note = [&](const QString& folder, const QString& error) {
            QVERIFY(!error.isEmpty());
            unlisted << folder;
        };
        const auto never = [] { return false; };

        QVERIFY(WalkSharedFolder(dir.path() + "/missing", never, note).folders.empty());
        QVERIFY(WalkSharedFolder(dir.path() + "/file.txt", never, note).folders.empty());
        QCOMPARE(unlisted, QStringList({dir.path() + "/missing", dir.path() + "/file.txt"}));

        // Permissions do not hold for the superuser.
        if (geteuid() != 0) {
            unlisted.clear();
            QFile::setPermissions(dir.path() + "/locked", QFileDevice::Permissions());
            const ScannedRoot scanned = WalkSharedFolder(dir.path(), never, note);
            QFile::setPermissions(dir.path() + "/locked",
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QCOMPARE(Listing(scanned, dir.path()), QStringList({": file.txt=1"}));
            QCOMPARE(unlisted, QStringList({dir.path() + "/locked"}));
        }
    }

    void stopsWhenAsked()
    {
        QTemporaryDir dir;
        for (int n = 0; n < 5; ++n)
            Touch(dir.path() + QStringLiteral("/f%1/x").arg(n));
        int asked = 0;
        const ScannedRoot scanned = WalkSharedFolder(
            dir.path(), [&] { return ++asked > 2; }, [](const QString&, const QString&) {});
        QCOMPARE(scanned.folders.size(), std::size_t(2));
    }
};

QTEST_GUILESS_MAIN(TestFolderWalk)
#include "tst_folderwalk.moc"
