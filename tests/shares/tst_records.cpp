#include "shares/FileInfo.h"
#include "shares/SharedFolderInfo.h"
#include "wire/MemStream.h"

#include <QtTest>

namespace {

FileInfo Mp3(std::string name, uint64_t size)
{
    return FileInfo(name, size, AttributeMap::ForSharedFile(QString::fromStdString(name), 192, false));
}

template <class Record>
bool ReadsFrom(const char* hex)
{
    MemStream s(QByteArray::fromHex(hex));
    Record record;
    return s.Read(record);
}

} // namespace

class TestShareRecords : public QObject
{
    Q_OBJECT

private slots:
    void fileInfoLayout()
    {
        MemStream s;
        QVERIFY(s.Write(FileInfo("a.mp3", 0x0102, AttributeMap::ForSharedFile("a.mp3", 320, true))));
        QCOMPARE(s.GetPendingBytes().toHex(),
                 QByteArray("01"
                            "05000000612e6d7033"
                            "0201000000000000"
                            "030000006d7033"
                            "02000000"
                            "0000000040010000"
                            "0200000001000000"));
        FileInfo back;
        QVERIFY(s.Read(back));
        QCOMPARE(back.name, std::string("a.mp3"));
        QCOMPARE(back.size, uint64_t(0x0102));
        QCOMPARE(back.attributes.Find(AttributeMap::Bitrate), std::optional<uint32_t>(320));
        QCOMPARE(back.attributes.Find(AttributeMap::VariableBitrate), std::optional<uint32_t>(1));
        QVERIFY(!back.attributes.Find(AttributeMap::LengthSeconds));

        // A record marked absent is one byte and leaves the record empty.
        MemStream absent(QByteArray::fromHex("00aa"));
        FileInfo file("stale", 9);
        QVERIFY(absent.Read(file));
        QCOMPARE(absent.GetReadPosition(), uint64_t(1));
        QCOMPARE(file, FileInfo());
    }

    void attributesForSharedFiles()
    {
        const AttributeMap unscanned = AttributeMap::ForSharedFile("Song.MP3", std::nullopt, std::nullopt);
        QCOMPARE(unscanned.GetKind(), std::string("mp3"));
        QVERIFY(unscanned.GetPairs().empty());

        const AttributeMap other = AttributeMap::ForSharedFile("notes.txt", 128, false);
        QVERIFY(other.GetKind().empty());
        QVERIFY(other.GetPairs().empty());
        QVERIFY(AttributeMap::ForSharedFile("mp3", 128, false).GetKind().empty());

        const AttributeMap cbr = AttributeMap::ForSharedFile("x.mp3", 192, false);
        QCOMPARE(cbr.GetPairs(), (std::vector<AttributeMap::Pair>{{0, 192}, {2, 0}}));

        MemStream s;
        s.Write(FileInfo("notes.txt", 5, other));
        QCOMPARE(s.GetPendingBytes().toHex(),
                 QByteArray("01"
                            "090000006e6f7465732e747874"
                            "0500000000000000"
                            "00000000"
                            "00000000"));
    }

    void receivedAttributesKeepOrderAndUnknownCodes()
    {
        const QByteArray received = QByteArray::fromHex("00000000"
                                                        "03000000"
                                                        "01000000f5000000"
                                                        "0900000007000000"
                                                        "0000000080000000");
        MemStream s(received);
        AttributeMap attributes;
        QVERIFY(s.Read(attributes));
        QCOMPARE(attributes.GetPairs(), (std::vector<AttributeMap::Pair>{{1, 245}, {9, 7}, {0, 128}}));
        QCOMPARE(attributes.Find(AttributeMap::LengthSeconds), std::optional<uint32_t>(245));
        MemStream again;
        again.Write(attributes);
        QCOMPARE(again.GetPendingBytes(), received);
    }

    void oversizedCountsFail()
    {
        // 0x20001: one above the largest count or length a reader takes.
        QVERIFY(!ReadsFrom<AttributeMap>("00000000"
                                         "01000200"));
        QVERIFY(!ReadsFrom<FileInfo>("01"
                                     "01000200"));
        QVERIFY(!ReadsFrom<SharedFolderInfo>("01000200"));
        QVERIFY(!ReadsFrom<FileInfoMap>("01000200"));
        QVERIFY(!ReadsFrom<FileInfoMap>("01000000"
                                        "0100000078"
                                        "01000200"));
        QVERIFY(!ReadsFrom<AttributeTranslationTable>("01000200"));
    }

    void truncatedRecordsFail()
    {
        MemStream full;
        SharedFolderInfo contents;
        contents.files = {Mp3("b.mp3", 2), FileInfo("a.txt", 1)};
        full.Write(contents);
        const QByteArray bytes = full.GetPendingBytes();
        for (int length = 0; length < bytes.size(); ++length) {
            MemStream cut(bytes.left(length));
            SharedFolderInfo partial;
            QVERIFY2(!cut.Read(partial), qPrintable(QString::number(length)));
        }
        SharedFolderInfo whole;
        QVERIFY(full.Read(whole));
        QCOMPARE(whole.files, contents.files);
    }

    void sharedFolderInfoIsSortedAndEndsWithZero()
    {
        SharedFolderInfo contents;
        contents.files = {FileInfo("b", 1), FileInfo("a", 2), FileInfo("a", 1), FileInfo("\xE9", 1)};
        MemStream s;
        s.Write(contents);
        QCOMPARE(s.GetPendingBytes().right(4).toHex(), QByteArray("00000000"));
        uint32_t count = 0;
        FileInfo first, second, third, fourth;
        QVERIFY(s.Read(count) && s.Read(first) && s.Read(second) && s.Read(third) && s.Read(fourth));
        QCOMPARE(count, 4u);
        QCOMPARE(first, FileInfo("a", 1));
        QCOMPARE(second, FileInfo("a", 2));
        QCOMPARE(third, FileInfo("b", 1));
        QCOMPARE(fourth, FileInfo("\xE9", 1));

        // The trailing word's value is ignored.
        QVERIFY(ReadsFrom<SharedFolderInfo>("00000000"
                                            "55667788"));
    }

    void shareListRoundTripsIncludingEmptyFolders()
    {
        FileInfoMap shares;
        shares["Music\\Rock"] = {Mp3("one.mp3", 100), Mp3("two.mp3", 200)};
        shares["Music"] = {};
        shares["Docs"] = {FileInfo("readme.txt", 3)};
        const AttributeTranslationTable table{{0, "bitrate"}, {1, "length"}};
        MemStream s;
        s.Write(shares);
        s.Write(AttributeTranslationTable());
        s.Write(table);
        QCOMPARE(s.GetPendingBytes().left(13).toHex(),
                 QByteArray("03000000"
                            "04000000446f6373"
                            "01"));

        FileInfoMap back{{"stale", {}}};
        AttributeTranslationTable empty{{5, "old"}};
        AttributeTranslationTable tableBack;
        QVERIFY(s.Read(back) && s.Read(empty) && s.Read(tableBack));
        QCOMPARE(back, shares);
        QVERIFY(empty.empty());
        QCOMPARE(tableBack, table);
    }
};

QTEST_GUILESS_MAIN(TestShareRecords)
#include "tst_records.moc"
