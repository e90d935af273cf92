#include "wire/MemStream.h"
#include "wire/QFileStreamer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

QByteArray StringWord(QByteArray const& body)
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
        QCOMPARE(s.GetPendingBytes(),
                 Bytes({0xAB, 1, 0, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1,
                        0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 8, 7, 6, 5, 4, 3, 2, 1}));

        uint8_t u8 = 0;
        bool yes = false, no = true;
        uint16_t u16 = 0;
        int i32 = 0;
        uint32_t u32 = 0;
        qint64 i64 = 0;
        quint64 u64 = 0;
        QVERIFY(s.Read(u8) && s.Read(yes) && s.Read(no) && s.Read(u16) && s.Read(i32) && s.Read(u32)
                && s.Read(i64) && s.Read(u64));
        QCOMPARE(u8, uint8_t(0xAB));
        QVERIFY(yes && !no);
        QCOMPARE(u16, uint16_t(0x1234));
        QCOMPARE(i32, -2);
        QCOMPARE(u32, 0x01020304u);
        QCOMPARE(i64, qint64(-3));
        QCOMPARE(u64, quint64(0x0102030405060708ull));
        QCOMPARE(s.GetPendingReadLength(), uint64_t(0));
    }

    void anyNonZeroByteReadsAsTrue()
    {
        MemStream s(Bytes({0x80}));
        bool value = false;
        QVERIFY(s.Read(value));
        QVERIFY(value);
    }

    void shortReadFailsWithoutMoving()
    {
        MemStream s(Bytes({1, 2, 3}));
        int value = 7;
        QVERIFY(!s.Read(value));
        QCOMPARE(value, 7);
        QCOMPARE(s.GetReadPosition(), uint64_t(0));
        QCOMPARE(s.GetPendingReadLength(), uint64_t(3));
        uint16_t two = 0;
        QVERIFY(s.Read(two));
        QCOMPARE(two, uint16_t(0x0201));
    }

    void qstringIsWrittenAsUtf8()
    {
        MemStream s;
        s.Write(QString(QChar(0x00E9)));
        QCOMPARE(s.GetPendingBytes(), Bytes({2, 0, 0, 0, 0xC3, 0xA9}));

        MemStream cut;
        cut.Write(QString::fromUtf8("ab\0cd", 5));
        QCOMPARE(cut.GetPendingBytes(), Bytes({2, 0, 0, 0, 'a', 'b'}));
    }

    void stdStringIsWrittenRaw()
    {
        MemStream s;
        s.Write(std::string("\xE9\\x", 3));
        s.Write("ok");
        QCOMPARE(s.GetPendingBytes(), Bytes({3, 0, 0, 0, 0xE9, '\\', 'x', 2, 0, 0, 0, 'o', 'k'}));
    }

    void stringCountIsBounded()
    {
        const QByteArray largest(int(MaxWireStringLength), 'x');
        MemStream accepted(StringWord(largest));
        std::string text;
        QVERIFY(accepted.Read(text));
        QCOMPARE(text.size(), size_t(MaxWireStringLength));

        // The count alone is refused: nothing is read or allocated after it.
        MemStream refused(Bytes({0x01, 0x00, 0x02, 0x00}) + QByteArray(int(MaxWireStringLength) + 1, 'x'));
        QString refusedText;
        QVERIFY(!refused.Read(refusedText));

        MemStream huge(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
        QVERIFY(!huge.Read(text));
    }

    void stringWithMissingBytesFailsAfterItsCount()
    {
        MemStream s(Bytes({5, 0, 0, 0, 'a', 'b'}));
        std::string text = "unchanged";
        QVERIFY(!s.Read(text));
        QCOMPARE(text, std::string("unchanged"));
        QCOMPARE(s.GetReadPosition(), uint64_t(4));
    }

    void stringIsCutAtFirstNul()
    {
        MemStream s(Bytes({5, 0, 0, 0, 'a', 'b', 0, 'c', 'd', 5, 0, 0, 0, 'a', 'b', 0, 'c', 'd'}));
        QString text;
        QVERIFY(s.Read(text));
        QCOMPARE(text, QStringLiteral("ab"));
        std::string raw;
        QVERIFY(s.Read(raw));
        QCOMPARE(raw, std::string("ab"));
        QCOMPARE(s.GetPendingReadLength(), uint64_t(0));
    }

    void stringBytesDecodeAsUtf8OrFallBack()
    {
        MemStream s(StringWord(Bytes({0xC3, 0xA9})) + StringWord(Bytes({0xE9, 0x41})) + StringWord("plain"));
        QString utf8, latin1, ascii;
        QVERIFY(s.Read(utf8) && s.Read(latin1) && s.Read(ascii));
        QCOMPARE(utf8, QString(QChar(0x00E9)));
        QCOMPARE(latin1, QString(QChar(0x00E9)) + QChar('A'));
        QCOMPARE(ascii, QStringLiteral("plain"));

        MemStream raw(StringWord(Bytes({0xE9, 0x41})));
        std::string bytes;
        QVERIFY(raw.Read(bytes));
        QCOMPARE(bytes, std::string("\xE9\x41"));
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

        MemStream big;
        const QByteArray chunk(1024, 'c');
        big.WriteBuffer(chunk.constData(), 1024);
        QCOMPARE(big.GetCapacity(), uint64_t(2048));
        QCOMPARE(big.GetPendingBytes(), chunk);

        MemStream exact;
        exact.WriteBuffer(block.constData(), 255);
        exact.WriteBuffer(block.constData(), 1);
        QCOMPARE(exact.GetPendingBytes(), block + 'a');
    }

    void skipAndDiscardKeepUnreadBytes()
    {
        MemStream s(Bytes({1, 2, 3, 4, 5}));
        QVERIFY(!s.Skip(6));
        QCOMPARE(s.GetReadPosition(), uint64_t(0));
        QVERIFY(s.Skip(3));
        MemStream shared = s;
        s.DiscardReadBytes();
        QCOMPARE(shared.GetReadPosition(), uint64_t(0));
        QCOMPARE(shared.GetLength(), uint64_t(2));
        QCOMPARE(*shared.GetReadBuffer(), uint8_t(4));
        s.Write(uint8_t(6));
        QCOMPARE(s.GetPendingBytes(), Bytes({4, 5, 6}));
    }

    void listsHaveBoundedCounts()
    {
        MemStream s;
        s.Write(std::vector<uint32_t>{7, 8});
        s.Write(std::map<uint32_t, std::string>{{2, "b"}, {1, "a"}});
        QCOMPARE(s.GetPendingBytes(),
                 Bytes({2, 0, 0, 0, 7, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'a', 2, 0, 0, 0, 1, 0,
                        0, 0, 'b'}));
        std::vector<uint32_t> list{99};
        std::map<uint32_t, std::string> map;
        QVERIFY(s.Read(list) && s.Read(map));
        QCOMPARE(list, (std::vector<uint32_t>{7, 8}));
        QCOMPARE(map.at(1), std::string("a"));
        QCOMPARE(map.at(2), std::string("b"));

        MemStream refused(Bytes({0x01, 0x00, 0x02, 0x00}));
        std::set<uint8_t> set;
        QVERIFY(!refused.Read(set));

        // A count that promises more than is there fails at the first missing element.
        MemStream promising(Bytes({0x00, 0x00, 0x02, 0x00, 1, 2}));
        std::vector<uint8_t> bytes;
        QVERIFY(!promising.Read(bytes));
        QCOMPARE(bytes.size(), size_t(2));
    }

    void readListStopsAtFirstFailure()
    {
        MemStream s(Bytes({3, 0, 0, 0, 1, 0, 0, 0}));
        int calls = 0;
        QVERIFY(!s.ReadList([&] {
            ++calls;
            uint32_t value = 0;
            return s.Read(value);
        }));
        QCOMPARE(calls, 2);
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
