#include "shares/FileInfo.h"
#include "shares/SharedFolderInfo.h"
#include "wire/MemStream.h"

#include <QtTest>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

FileInfo Mp3(std::string name, uint64_t size)
{
    return FileInfo(name, size, AttributeMap::ForSharedFile(QString::fromStdString(name), 192, false));
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
        QCOMPARE(s.GetPendingBytes(),
                 Bytes({1, 5, 0, 0, 0, 'a', '.', 'm', 'p', '3', 2, 1, 0, 0, 0, 0, 0, 0,
                        3, 0, 0, 0, 'm', 'p', '3', 2, 0, 0, 0, 0, 0, 0, 0, 64, 1, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0}));
        FileInfo back;
        QVERIFY(s.Read(back));
        QCOMPARE(back.name, std::string("a.mp3"));
        QCOMPARE(back.size, uint64_t(0x0102));
        QCOMPARE(back.attributes.Find(AttributeMap::Bitrate), std::optional<uint32_t>(320));
        QCOMPARE(back.attributes.Find(AttributeMap::VariableBitrate), std::optional<uint32_t>(1));
        QVERIFY(!back.attributes.Find(AttributeMap::LengthSeconds));
    }

    void absentFileInfoIsOneByte()
    {
        MemStream s(Bytes({0, 0xAA}));
        FileInfo file("stale", 9);
        QVERIFY(s.Read(file));
        QCOMPARE(s.GetReadPosition(), uint64_t(1));
        QVERIFY(file.name.empty());
        QCOMPARE(file.size, uint64_t(0));
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
        QCOMPARE(s.GetPendingBytes(), Bytes({1, 9, 0, 0, 0, 'n', 'o', 't', 'e', 's', '.', 't', 'x', 't', 5, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    }

    void receivedAttributesKeepOrderAndUnknownCodes()
    {
        const QByteArray received = Bytes({0, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 245, 0, 0, 0, 9, 0, 0, 0, 7, 0, 0, 0,
                                           0, 0, 0, 0, 128, 0, 0, 0});
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
        MemStream pairs(Bytes({0, 0, 0, 0, 0x01, 0x00, 0x02, 0x00}));
        AttributeMap attributes;
        QVERIFY(!pairs.Read(attributes));

        MemStream name(Bytes({1, 0x01, 0x00, 0x02, 0x00}));
        FileInfo file;
        QVERIFY(!name.Read(file));

        MemStream folder(Bytes({0x01, 0x00, 0x02, 0x00}));
        SharedFolderInfo contents;
        QVERIFY(!folder.Read(contents));

        MemStream folders(Bytes({0x01, 0x00, 0x02, 0x00}));
        FileInfoMap map;
        QVERIFY(!folders.Read(map));

        MemStream files(Bytes({1, 0, 0, 0, 1, 0, 0, 0, 'x', 0x01, 0x00, 0x02, 0x00}));
        QVERIFY(!files.Read(map));

        MemStream table(Bytes({0x01, 0x00, 0x02, 0x00}));
        AttributeTranslationTable translations;
        QVERIFY(!table.Read(translations));
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
        QCOMPARE(s.GetPendingBytes().right(4), Bytes({0, 0, 0, 0}));
        uint32_t count = 0;
        FileInfo first, second, third, fourth;
        QVERIFY(s.Read(count) && s.Read(first) && s.Read(second) && s.Read(third) && s.Read(fourth));
        QCOMPARE(count, 4u);
        QCOMPARE(first, FileInfo("a", 1));
        QCOMPARE(second, FileInfo("a", 2));
        QCOMPARE(third, FileInfo("b", 1));
        QCOMPARE(fourth, FileInfo("\xE9", 1));

        MemStream trailer(Bytes({0, 0, 0, 0, 0x55, 0x66, 0x77, 0x88}));
        SharedFolderInfo empty;
        QVERIFY(trailer.Read(empty));
        QVERIFY(empty.files.empty());
    }

    void fileInfoMapRoundTripsIncludingEmptyFolders()
    {
        FileInfoMap shares;
        shares["Music\\Rock"] = {Mp3("one.mp3", 100), Mp3("two.mp3", 200)};
        shares["Music"] = {};
        shares["Docs"] = {FileInfo("readme.txt", 3)};
        MemStream s;
        s.Write(shares);
        s.Write(AttributeTranslationTable());
        QCOMPARE(s.GetPendingBytes().left(13), Bytes({3, 0, 0, 0, 4, 0, 0, 0, 'D', 'o', 'c', 's', 1}));
        QCOMPARE(s.GetPendingBytes().right(4), Bytes({0, 0, 0, 0}));

        FileInfoMap back{{"stale", {}}};
        AttributeTranslationTable translations{{5, "old"}};
        QVERIFY(s.Read(back) && s.Read(translations));
        QCOMPARE(back, shares);
        QVERIFY(translations.empty());
    }

    void attributeTranslationTableRoundTrips()
    {
        AttributeTranslationTable table{{0, "bitrate"}, {1, "length"}};
        MemStream s;
        s.Write(table);
        AttributeTranslationTable back;
        QVERIFY(s.Read(back));
        QCOMPARE(back, table);
    }
};

QTEST_GUILESS_MAIN(TestShareRecords)
#include "tst_records.moc"
