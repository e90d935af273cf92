#include "wire/MemStream.h"
#include "wire/QFileStreamer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray StringWord(const QByteArray& body)
{
    MemStream s;
    s.Write(uint32_t(body.size()));
    s.WriteBuffer(body.constData(), size_t(body.size()));
    return s.GetPendingBytes();
}

} // namespace

class TestStreams : public QObject
{
    Q_OBJECT

private slots:
    void integersAreLittleEndianOfTheirWidth()
    {
        MemStream s;
        s.Write(uint8_t(0xAB));
        s.Write(true);
        s.Write(false);
        s.Write(uint16_t(0x1234));
        s.Write(int32_t(-2));
        s.Write(uint32_t(0x01020304));
        s.Write(int64_t(-3));
        s.Write(uint64_t(0x0102030405060708ull));
        QCOMPARE(s.GetPendingBytes().toHex(), QByteArray("ab01003412feffffff04030201fdffffffffffffff0807060504030201"));

        uint8_t u8 = 0;
        bool yes = false, no = true;
        uint16_t u16 = 0;
        int i32 = 0;
        uint32_t u32 = 0;
        qint64 i64 = 0;
        quint64 u64 = 0;
        QVERIFY(s.Read(u8) && s.Read(yes) && s.Read(no) && s.Read(u16) && s.Read(i32) && s.Read(u32) && s.Read(i64)
                && s.Read(u64));
        QCOMPARE(u8, uint8_t(0xAB));
        QVERIFY(yes && !no);
        QCOMPARE(u16, uint16_t(0x1234));
        QCOMPARE(i32, -2);
        QCOMPARE(u32, 0x01020304u);
        QCOMPARE(i64, qint64(-3));
        QCOMPARE(u64, quint64(0x0102030405060708ull));
        QCOMPARE(s.GetPendingReadLength(), uint64_t(0));

        // Any non-zero byte reads as true.
        MemStream other(QByteArray::fromHex("80"));
        QVERIFY(other.Read(yes) && yes);
    }

    void shortReadFailsWithoutMoving()
    {
        MemStream s(QByteArray::fromHex("010203"));
        int value = 7;
        QVERIFY(!s.Read(value));
        QCOMPARE(value, 7);
        QCOMPARE(s.GetReadPosition(), uint64_t(0));
        uint16_t two = 0;
        QVERIFY(s.Read(two));
        QCOMPARE(two, uint16_t(0x0201));
    }

    void stringsAreWrittenAsUtf8OrRaw()
    {
        MemStream s;
        s.Write(QString(QChar(0x00E9)));
        s.Write(QString::fromUtf8("ab\0cd", 5));
        s.Write(std::string("\xE9\\x", 3));
        s.Write("ok");
        QCOMPARE(s.GetPendingBytes().toHex(),
                 QByteArray("02000000c3a9"
                            "020000006162"
                            "03000000e95c78"
                            "020000006f6b"));
    }

    void stringCountIsBounded()
    {
        MemStream accepted(StringWord(QByteArray(int(MaxWireStringLength), 'x')));
        std::string text;
        QVERIFY(accepted.Read(text));
        QCOMPARE(text.size(), size_t(MaxWireStringLength));

        // The count alone is refused: nothing is read or allocated after it.
        MemStream refused(QByteArray::fromHex("01000200") + QByteArray(int(MaxWireStringLength) + 1, 'x'));
        QString refusedText;
        QVERIFY(!refused.Read(refusedText));
        MemStream huge(QByteArray::fromHex("ffffffff"));
        QVERIFY(!huge.Read(text));

        // Missing bytes fail after the count, which stays read.
        MemStream missing(QByteArray::fromHex("050000006162"));
        text = "unchanged";
        QVERIFY(!missing.Read(text));
        QCOMPARE(text, std::string("unchanged"));
        QCOMPARE(missing.GetReadPosition(), uint64_t(4));
    }

    void stringsAreCutAtNulAndDecodedAsUtf8OrFallBack()
    {
        const QByteArray cut = StringWord(QByteArray("ab\0cd", 5));
        MemStream s(cut + cut + StringWord("\xC3\xA9") + StringWord("\xE9\x41") + StringWord("plain"));
        QString text, utf8, latin1, ascii;
        std::string raw;
        QVERIFY(s.Read(text) && s.Read(raw) && s.Read(utf8) && s.Read(latin1) && s.Read(ascii));
        QCOMPARE(text, QStringLiteral("ab"));
        QCOMPARE(raw, std::string("ab"));
        QCOMPARE(utf8, QString(QChar(0x00E9)));
        QCOMPARE(latin1, QString(QChar(0x00E9)) + QChar('A'));
        QCOMPARE(ascii, QStringLiteral("plain"));

        MemStream bytes(StringWord("\xE9\x41"));
        QVERIFY(bytes.Read(raw));
        QCOMPARE(raw, std::string("\xE9\x41"));
    }

    void copiesShareBufferAndPositions()
    {
        MemStream original;
        original.Write(uint32_t(1));
        original.Write(uint32_t(2));
        MemStream copy = original;
        uint32_t value = 0;
        QVERIFY(copy.Read(value));
        QCOMPARE(value, 1u);
        QCOMPARE(original.GetReadPosition(), uint64_t(4));
        original.Write(uint32_t(3));
        QCOMPARE(copy.GetPendingReadLength(), uint64_t(8));
        QVERIFY(original.Read(value) && copy.Read(value));
        QCOMPARE(value, 3u);
    }

    void capacityDoublesWhileNotAboveLength()
    {
        MemStream s;
        QCOMPARE(s.GetCapacity(), uint64_t(256));
        const QByteArray block(255, 'a');
        s.WriteBuffer(block.constData(), 255);
        QCOMPARE(s.GetCapacity(), uint64_t(256));
        s.WriteBuffer("b", 1);
        QCOMPARE(s.GetCapacity(), uint64_t(512));
        QCOMPARE(s.GetPendingBytes(), block + 'b');

        MemStream big;
        const QByteArray chunk(1024, 'c');
        big.WriteBuffer(chunk.constData(), 1024);
        QCOMPARE(big.GetCapacity(), uint64_t(2048));
        QCOMPARE(big.GetPendingBytes(), chunk);
    }

    void skipAndDiscardKeepUnreadBytes()
    {
        MemStream s(QByteArray::fromHex("0102030405"));
        QVERIFY(!s.Skip(6));
        QCOMPARE(s.GetReadPosition(), uint64_t(0));
        QVERIFY(s.Skip(3));
        MemStream shared = s;
        s.DiscardReadBytes();
        QCOMPARE(shared.GetReadPosition(), uint64_t(0));
        QCOMPARE(shared.GetLength(), uint64_t(2));
        QCOMPARE(*shared.GetReadBuffer(), uint8_t(4));
        s.Write(uint8_t(6));
        QCOMPARE(s.GetPendingBytes().toHex(), QByteArray("040506"));
    }

    void listsHaveBoundedCounts()
    {
        MemStream s;
        s.Write(std::vector<uint32_t>{7, 8});
        s.Write(std::map<uint32_t, std::string>{{2, "b"}, {1, "a"}});
        QCOMPARE(s.GetPendingBytes().toHex(),
                 QByteArray("020000000700000008000000"
                            "02000000"
                            "010000000100000061"
                            "020000000100000062"));
        std::vector<uint32_t> list{99};
        std::map<uint32_t, std::string> map;
        QVERIFY(s.Read(list) && s.Read(map));
        QCOMPARE(list, (std::vector<uint32_t>{7, 8}));
        QCOMPARE(map, (std::map<uint32_t, std::string>{{1, "a"}, {2, "b"}}));

        MemStream refused(QByteArray::fromHex("01000200"));
        std::set<uint8_t> set;
        QVERIFY(!refused.Read(set));

        // A count that promises more than is there stops at the first missing element.
        MemStream promising(QByteArray::fromHex("000002000102"));
        std::vector<uint8_t> bytes;
        QVERIFY(!promising.Read(bytes));
        QCOMPARE(bytes.size(), size_t(2));
    }

    void fileStreamerReadsWhatItWrote()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath("words"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        {
            QFileStreamer out(file);
            QVERIFY(out.Write(uint32_t(42)));
            QVERIFY(out.Write(QStringLiteral("caf\u00e9")));
        }
        file.close();

        QVERIFY(file.open(QIODevice::ReadOnly));
        QFileStreamer in(file);
        uint32_t number = 0;
        QString text;
        QVERIFY(in.Read(number) && in.Read(text));
        QCOMPARE(number, 42u);
        QCOMPARE(text, QStringLiteral("caf\u00e9"));
        uint8_t beyond = 0;
        QVERIFY(!in.Read(beyond));
    }
};

QTEST_GUILESS_MAIN(TestStreams)
#include "tst_streams.moc"
