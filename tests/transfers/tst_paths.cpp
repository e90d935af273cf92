#include "transfers/FileConnectionStart.h"
#include "transfers/TransferPaths.h"
#include "transfers/UploadSpeedLimiter.h"

#include <QtTest>

// The pure pieces: network paths, names from peers made safe, the download
// folders, the raw start of a file connection and the speed limit's arithmetic.
class TestPaths : public QObject
{
    Q_OBJECT

private slots:
    void networkPaths()
    {
        QCOMPARE(GetFileName(std::string("Music\\Band\\song.mp3")), std::string("song.mp3"));
        QCOMPARE(GetFolder(std::string("Music\\Band\\song.mp3")), std::string("Music\\Band"));
        QCOMPARE(GetFileName(std::string("a/b\\c")), std::string("c"));
        QCOMPARE(GetFolder(std::string("song.mp3")), std::string());
        QCOMPARE(GetParentFolder(std::string("Music\\Band\\\\")), std::string("Music"));
        QCOMPARE(RemotePath("Music\\Band", "song.mp3"), std::string("Music\\Band\\song.mp3"));
        QCOMPARE(RemotePath("", "song.mp3"), std::string("song.mp3"));
    }

    void safeComponents_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("safe");
        QTest::newRow("ordinary") << "Track 01.mp3"
                                  << "Track 01.mp3";
        QTest::newRow("accents") << QString::fromUtf8("Café Niño – été") << QString::fromUtf8("Café Niño – été");
        QTest::newRow("inner dots") << "a..b"
                                    << "a..b";
        QTest::newRow("three dots") << "..."
                                    << "...";
        QTest::newRow("leading dot") << ".hidden"
                                     << ".hidden";
        QTest::newRow("dot") << "."
                             << "_";
        QTest::newRow("dot dot") << ".."
                                 << "__";
        QTest::newRow("empty") << ""
                               << "_";
        QTest::newRow("slash") << "../etc/passwd"
                               << ".._etc_passwd";
        QTest::newRow("backslash") << "a\\b"
                                   << "a_b";
        QTest::newRow("nul") << QString("a") + QChar(0) + "b"
                             << "a_b";
    }

    void safeComponents()
    {
        QFETCH(QString, name);
        QFETCH(QString, safe);
        QCOMPARE(SafePathComponent(name), safe);
    }

    void downloadSubfolders_data()
    {
        QTest::addColumn<QString>("remoteFolder");
        QTest::addColumn<int>("level");
        QTest::addColumn<QStringList>("folders");
        QTest::newRow("level 0") << "C:\\Music\\Band\\Album" << 0 << QStringList{"Album"};
        QTest::newRow("level 1") << "C:\\Music\\Band\\Album" << 1 << QStringList{"Band", "Album"};
        QTest::newRow("deeper than the path") << "Band\\Album" << 5 << QStringList{"Band", "Album"};
        QTest::newRow("negative level") << "Band\\Album" << -3 << QStringList();
        QTest::newRow("hostile") << "..\\..\\x" << 2 << QStringList{"__", "__", "x"};
        QTest::newRow("hostile last") << "x\\.." << 0 << QStringList{"__"};
        QTest::newRow("empty parts") << "a\\\\\\b" << 3 << QStringList{"b"};
    }

    void downloadSubfolders()
    {
        QFETCH(QString, remoteFolder);
        QFETCH(int, level);
        QFETCH(QStringList, folders);
        QCOMPARE(DownloadSubfolders(remoteFolder.toStdString(), level), folders);
    }

    void insideFolder()
    {
        QVERIFY(IsInsideFolder("/d/complete/x", "/d"));
        QVERIFY(!IsInsideFolder("/d/complete/../../x", "/d"));
        QVERIFY(!IsInsideFolder("/d", "/d"));
        QVERIFY(!IsInsideFolder("/dx/y", "/d"));
    }

    void connectionStart()
    {
        using namespace FileConnectionStart;
        QCOMPARE(EncodeToken(0x01020304u), QByteArray("\x04\x03\x02\x01", 4));
        QCOMPARE(DecodeOffset(EncodeOffset(3000).constData()), qint64(3000));
        QCOMPARE(DecodeToken(EncodeToken(77).constData()), 77u);
        QVERIFY(RefuseOffset(0, 0).isEmpty());
        QVERIFY(RefuseOffset(3000, 3000).isEmpty());
        QCOMPARE(RefuseOffset(3001, 3000), QString("Won't seek to offset 3001 in file of size 3000"));
        QCOMPARE(RefuseOffset(-1, 3000), QString("Won't seek to offset -1 in file of size 3000"));
    }

    void speedLimit_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("each");
        QTest::newRow("100 by 3") << 100 << 3 << 33;
        QTest::newRow("2 by 3") << 2 << 3 << 1;
        QTest::newRow("none active") << 50 << 0 << 50;
    }

    void speedLimit()
    {
        QFETCH(int, total);
        QFETCH(int, active);
        QFETCH(int, each);
        QCOMPARE(UploadSpeedLimiter::PerUploadLimit(total, active), each);
    }

    void spareAllowance()
    {
        // 2,097,152 KiB/s over one second does not fit 32 bits.
        QCOMPARE(UploadSpeedLimiter::Earned(2097152, 1000, 0), qint64(2147483648));
        QCOMPARE(UploadSpeedLimiter::Earned(10, 1000, 240), qint64(10000));
        UploadSpeedLimiter limiter;
        limiter.SetLimits(10, 5);
        limiter.Earn(1000);
        QCOMPARE(limiter.Pay(400), qint64(0));
        QCOMPARE(limiter.Pay(700), qint64(100));
        QCOMPARE(limiter.Spare(), qint64(0));
        limiter.Earn(50);
        limiter.SetLimits(10, 10);
        QCOMPARE(limiter.Spare(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
