#include "wire/FrameReader.h"
#include "wire/FrameWriter.h"
#include "wire/Obfuscation.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

#include <malloc.h>

#include <memory>

namespace {

constexpr uint32_t PeerMaxLength = 10485760;

std::unique_ptr<FrameReader> NewReader(bool obfuscated, uint32_t maxLength = PeerMaxLength, uint32_t minLength = 0)
{
    return std::make_unique<FrameReader>(maxLength, minLength, obfuscated ? std::make_unique<Descrambler>() : nullptr);
}

QByteArray LengthWord(uint32_t length)
{
    MemStream word;
    word.Write(length);
    return word.GetPendingBytes();
}

// Heap bytes in use by the process.
qint64 HeapInUse()
{
    return qint64(mallinfo2().uordblks);
}

} // namespace

class TestFraming : public QObject
{
    Q_OBJECT

private slots:
    void messagesAreTheCodeThenTheFieldsAtTheirWidth()
    {
        QCOMPARE(BuildMessage(uint8_t(4), uint32_t(7)).GetPendingBytes().toHex(), QByteArray("0407000000"));
        QCOMPARE(BuildMessage(uint32_t(13), QString("ab"), true).GetPendingBytes().toHex(),
                 QByteArray("0d00000002000000616201"));
        QCOMPARE(FrameMessage(BuildMessage(uint32_t(32))).toHex(), QByteArray("0400000020000000"));
        // Only the unread bytes are framed.
        MemStream partlyRead = BuildMessage(uint8_t(1), uint8_t(2));
        uint8_t first = 0;
        QVERIFY(partlyRead.Read(first));
        QCOMPARE(FrameMessage(partlyRead).toHex(), QByteArray("0100000002"));
    }

    // Worked by hand: before each group of four frame bytes the key turns left
    // by one bit; byte j of a group takes byte j of the key, lowest first. The
    // wire is the key in clear, then the length word and the body, scrambled.
    void scramblingVectors_data()
    {
        QTest::addColumn<uint32_t>("key");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("one bit") << 0x00000001u << QByteArray::fromHex("0102030405")
                                 << QByteArray::fromHex("01000000 07000000 05020304 0d");
        QTest::newRow("top bit comes round")
            << 0x80000001u << QByteArray::fromHex("aabbccdd") << QByteArray::fromHex("01000080 07000000 acbbccdd");
        QTest::newRow("short last group")
            << 0x12345678u << QByteArray("abcdef") << QByteArray::fromHex("78563412 f6ac6824 813bb22c a5d5");
        QTest::newRow("empty body") << 0xffffffffu << QByteArray() << QByteArray::fromHex("ffffffff ffffffff");
    }

    void scramblingVectors()
    {
        QFETCH(uint32_t, key);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, wire);
        QCOMPARE(FrameMessage(MemStream(body), key).toHex(), wire.toHex());

        // Descrambled a byte at a time.
        const std::unique_ptr<FrameReader> reader = NewReader(true);
        MemStream frame;
        for (int n = 0; n < wire.size() - 1; ++n) {
            reader->Append(wire.constData() + n, 1);
            QCOMPARE(reader->Next(frame), FrameReader::Result::NeedMore);
        }
        reader->Append(wire.constData() + wire.size() - 1, 1);
        QCOMPARE(reader->Next(frame), FrameReader::Result::Complete);
        QCOMPARE(frame.GetPendingBytes(), body);
    }

    // The scrambling goes a word at a time where it can; cut anywhere, it
    // must give what the rule gives byte by byte.
    void scramblingInPiecesFollowsTheByteRule()
    {
        QRandomGenerator random(7);
        QByteArray bytes(4099, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random.bounded(256));
        const uint32_t key = random.generate();
        QByteArray expected = bytes;
        uint32_t rolling = key;
        for (int n = 0; n < expected.size(); ++n) {
            if (n % 4 == 0)
                rolling = (rolling << 1) | (rolling >> 31);
            expected[n] = char(uint8_t(expected[n]) ^ uint8_t(rolling >> (8 * (n % 4))));
        }
        for (int round = 0; round < 50; ++round) {
            QByteArray scrambled = bytes;
            ObfuscationStream stream(key);
            for (int at = 0; at < scrambled.size();) {
                const int piece = qMin(int(random.bounded(1, 12)), scrambled.size() - at);
                stream.Apply(reinterpret_cast<uint8_t*>(scrambled.data()) + at, size_t(piece));
                at += piece;
            }
            QCOMPARE(scrambled, expected);
        }
    }

    void framesArriveWholeAndInOrderHoweverTheBytesAreCut_data()
    {
        QTest::addColumn<bool>("obfuscated");
        QTest::addColumn<int>("piece");
        for (const bool obfuscated : {false, true})
            for (const int piece : {1, 3, 7, 64 * 1024})
                QTest::addRow("%s, pieces of %d", obfuscated ? "obfuscated" : "plain", piece) << obfuscated << piece;
    }

    void framesArriveWholeAndInOrderHoweverTheBytesAreCut()
    {
        QFETCH(bool, obfuscated);
        QFETCH(int, piece);
        const QList<QByteArray> bodies{"first", QByteArray(), QByteArray(40000, 'x'), "odd", "last!"};
        QByteArray stream;
        uint32_t key = 0x9e3779b9;
        for (const QByteArray& body : bodies)
            stream += obfuscated ? FrameMessage(MemStream(body), key += 0x61c88647) : FrameMessage(MemStream(body));

        const std::unique_ptr<FrameReader> reader = NewReader(obfuscated);
        QList<QByteArray> received;
        MemStream frame;
        for (int at = 0; at < stream.size(); at += piece) {
            reader->Append(stream.constData() + at, size_t(qMin(piece, stream.size() - at)));
            while (reader->Next(frame) == FrameReader::Result::Complete)
                received << frame.GetPendingBytes();
        }
        QCOMPARE(received, bodies);
    }

    void lengthBounds_data()
    {
        QTest::addColumn<bool>("obfuscated");
        QTest::addColumn<uint32_t>("minLength");
        QTest::addColumn<uint32_t>("length");
        QTest::addColumn<bool>("accepted");
        for (const bool obfuscated : {false, true}) {
            const char* kind = obfuscated ? "obfuscated" : "plain";
            QTest::addRow("%s, exactly the maximum", kind) << obfuscated << 0u << PeerMaxLength << true;
            QTest::addRow("%s, one above", kind) << obfuscated << 0u << PeerMaxLength + 1 << false;
            QTest::addRow("%s, largest word", kind) << obfuscated << 0u << 0xffffffffu << false;
            QTest::addRow("%s, exactly the minimum", kind) << obfuscated << 4u << 4u << true;
            QTest::addRow("%s, one below", kind) << obfuscated << 4u << 3u << false;
        }
    }

    void lengthBounds()
    {
        QFETCH(bool, obfuscated);
        QFETCH(uint32_t, minLength);
        QFETCH(uint32_t, length);
        QFETCH(bool, accepted);
        const std::unique_ptr<FrameReader> reader = NewReader(obfuscated, PeerMaxLength, minLength);
        QByteArray header = LengthWord(length);
        if (obfuscated) {
            // Key 1 turns into 2 before the length word.
            header[0] = char(header[0] ^ 2);
            header.prepend(LengthWord(1));
        }
        reader->Append(header.constData(), size_t(header.size()));
        MemStream frame;
        const FrameReader::Result result = reader->Next(frame);
        QCOMPARE(reader->Length(), length);
        if (accepted) {
            QVERIFY(result != FrameReader::Result::BadLength);
        } else {
            QCOMPARE(result, FrameReader::Result::BadLength);
            reader->Append("more", 4);
            QCOMPARE(reader->Next(frame), FrameReader::Result::BadLength);
        }
    }

    // A peer that announces the largest frame and sends little costs little;
    // what does arrive is kept within twice its size.
    void memoryFollowsTheBytesThatArrived()
    {
        QBuffer device;
        device.setData(LengthWord(PeerMaxLength) + QByteArray(1000, 'a'));
        QBuffer more;
        more.setData(QByteArray(1024 * 1024, 'b'));
        QVERIFY(device.open(QIODevice::ReadOnly) && more.open(QIODevice::ReadOnly));
        FrameReader reader(PeerMaxLength);
        MemStream frame;
        const qint64 before = HeapInUse();
        QCOMPARE(reader.ReadFrom(device, frame), FrameReader::Result::NeedMore);
        QVERIFY2(HeapInUse() - before < 64 * 1024, qPrintable(QString::number(HeapInUse() - before)));
        QCOMPARE(reader.ReadFrom(more, frame), FrameReader::Result::NeedMore);
        QVERIFY2(HeapInUse() - before < 2 * 1024 * 1024 + 64 * 1024, qPrintable(QString::number(HeapInUse() - before)));
    }

    // A greeting followed by a raw token: the token stays for the owner.
    void bytesAfterAFrameStayInTheDevice_data()
    {
        QTest::addColumn<bool>("obfuscated");
        QTest::newRow("plain") << false;
        QTest::newRow("obfuscated") << true;
    }

    void bytesAfterAFrameStayInTheDevice()
    {
        QFETCH(bool, obfuscated);
        const MemStream greeting = BuildMessage(uint8_t(1), QString("alice"), QString("F"));
        QBuffer device;
        device.setData((obfuscated ? FrameMessage(greeting, 0xdeadbeef) : FrameMessage(greeting)) + LengthWord(77));
        QVERIFY(device.open(QIODevice::ReadOnly));
        const std::unique_ptr<FrameReader> reader = NewReader(obfuscated);
        MemStream frame;
        QCOMPARE(reader->ReadFrom(device, frame), FrameReader::Result::Complete);
        QCOMPARE(frame.GetPendingBytes(), greeting.GetPendingBytes());
        QCOMPARE(device.bytesAvailable(), qint64(4));
        QCOMPARE(device.readAll(), LengthWord(77));
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
