#include "Mp3Frames.h"

#include "shares/Mp3Header.h"

#include <QtTest>

namespace {
// A lone header at an offset of a file that is otherwise zeros.
QByteArray HeaderAt(int offset)
{
    QByteArray file(offset + 4 + 100, '\0');
    file.replace(offset, 4, Frames(1, Mpeg1, 9).left(4));
    return file;
}
} // namespace

class TestMp3Header : public QObject
{
    Q_OBJECT

private slots:
    void readsHeaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("channelMode");
        QTest::addColumn<int>("sampleRateIndex");
        QTest::addColumn<bool>("vbr");
        QTest::addColumn<int>("bitrate");

        QTest::newRow("constant 192") << Frames(200, Mpeg1, 11) << true << 1 << "joint stereo" << 0 << false << 192;
        QTest::newRow("99 % at 192 is constant")
            << Frames(99, Mpeg1, 11) + Frames(1, Mpeg1, 9) << true << 1 << "joint stereo" << 0 << false << 192;
        QTest::newRow("98 % at 192 is variable")
            << Frames(98, Mpeg1, 11) + Frames(2, Mpeg1, 9) << true << 1 << "joint stereo" << 0 << true << 190;
        QTest::newRow("mixture averages down")
            << Frames(10, Mpeg1, 9, 0, 0) + Frames(10, Mpeg1, 10, 0, 0) + Frames(5, Mpeg1, 14, 0, 0) << true << 1
            << "stereo" << 0 << true << 179;
        QTest::newRow("frames off the majority do not count")
            << Frames(60, Mpeg1, 9, 1, 3) + Frames(40, Mpeg1, 14, 0, 3) << true << 1 << "mono" << 1 << false << 128;
        QTest::newRow("MPEG-2 at 22.05 kHz with 0xFF runs in its data")
            << Frames(300, Mpeg2, 8, 0, 3, 1, true) << true << 2 << "mono" << 0 << false << 64;
        QTest::newRow("dual channel MPEG-2 at 16 kHz")
            << Frames(50, Mpeg2, 14, 2, 2) << true << 2 << "dual mono" << 2 << false << 160;
        QTest::newRow("MPEG-2.5 with 0xFF runs")
            << Frames(300, Mpeg25, 8, 0, 3, 1, true) << false << 0 << "" << 0 << false << 0;
        QTest::newRow("no Layer III frames") << Frames(100, Mpeg1, 9, 0, 1, 2) << false << 0 << "" << 0 << false << 0;
        QTest::newRow("empty") << QByteArray() << false << 0 << "" << 0 << false << 0;
        QTest::newRow("0xFF only") << QByteArray(5000, char(0xFF)) << false << 0 << "" << 0 << false << 0;
        QTest::newRow("five bytes left in the block")
            << HeaderAt(65531) << true << 1 << "joint stereo" << 0 << false << 128;
        QTest::newRow("header ending at the block end") << HeaderAt(65532) << false << 0 << "" << 0 << false << 0;
        QTest::newRow("header straddling two blocks") << HeaderAt(65534) << false << 0 << "" << 0 << false << 0;
        QTest::newRow("header at the end of the file") << HeaderAt(10).left(14) << false << 0 << "" << 0 << false << 0;
    }

    void readsHeaders()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, found);
        const std::optional<Mp3Header> header = Mp3HeaderReader::Read(file);
        QCOMPARE(header.has_value(), found);
        if (!found)
            return;
        QTEST(header->mpegVersion, "version");
        QTEST(header->channelMode, "channelMode");
        QTEST(header->sampleRateIndex, "sampleRateIndex");
        QTEST(header->vbr, "vbr");
        QTEST(header->bitrate, "bitrate");
    }
};

QTEST_GUILESS_MAIN(TestMp3Header)
#include "tst_mp3header.moc"
