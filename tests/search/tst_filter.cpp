#include "search/FilterParser.h"
#include "store/Data.h"

#include <QtTest>

namespace {

// A file item with the attributes the filter reads (an empty text leaves one out).
ItemPtr File(const QString& mode, const QString& bitrate, const QString& size)
{
    ItemPtr file = d.GetType("test_file")->NewItem();
    if (!mode.isEmpty())
        file += d.GetType("bitrate_mode")->GetItem(mode);
    if (!bitrate.isEmpty())
        file += d.GetType("bitrate")->GetItem(bitrate);
    if (!size.isEmpty())
        file += d.GetType("file_size")->GetItem(size);
    return file;
}

FilterParser Parsed(const QString& text)
{
    FilterParser filter;
    filter.Parse(text);
    return filter;
}

} // namespace

// The result filter language and its two-level use on folders and files.
class TestFilter : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        d.Clear();
        Type* file = d.NewType("test_file", Primary, true, true);
        for (const char* name : {"bitrate_mode", "bitrate", "file_size"})
            file->RelateToType(d.NewType(name, Tertiary, false, true), Many, One, false);
    }

    void cleanupTestCase() { d.Clear(); }

    void parsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("included");
        QTest::addColumn<QStringList>("excluded");
        QTest::addColumn<int>("minBitrate");
        QTest::addColumn<qint64>("minFileSize");
        QTest::addColumn<int>("minFiles");
        QTest::addColumn<bool>("attributes");
        QTest::newRow("words, exclusion, lone dash, double spaces")
            << "lackluster  container -bothersome -" << QStringList{"lackluster", "container"}
            << QStringList{"bothersome"} << 0 << qint64(0) << 0 << false;
        QTest::newRow("case kept") << "Abba -Live" << QStringList{"Abba"} << QStringList{"Live"} << 0 << qint64(0) << 0
                                   << false;
        QTest::newRow("keywords are case-sensitive") << "MinBitrate:320 IsVbr" << QStringList{"MinBitrate:320", "IsVbr"}
                                                     << QStringList{} << 0 << qint64(0) << 0 << false;
        QTest::newRow("minbitrate") << "minbitrate:320" << QStringList{} << QStringList{} << 320 << qint64(0) << 0
                                    << true;
        QTest::newRow("mbr") << "mbr:192 x" << QStringList{"x"} << QStringList{} << 192 << qint64(0) << 0 << true;
        QTest::newRow("minbitrate not a number")
            << "minbitrate:abc" << QStringList{} << QStringList{} << 0 << qint64(0) << 0 << true;
        QTest::newRow("minfilesize in megabytes")
            << "minfilesize:10" << QStringList{} << QStringList{} << 0 << qint64(10000000) << 0 << true;
        QTest::newRow("mfs") << "mfs:3" << QStringList{} << QStringList{} << 0 << qint64(3000000) << 0 << true;
        QTest::newRow("size too large to count in bytes") << "mfs:99999999999999999" << QStringList{} << QStringList{}
                                                          << 0 << std::numeric_limits<qint64>::max() << 0 << true;
        QTest::newRow("minfilesinfolder sets no attribute flag")
            << "minfilesinfolder:4" << QStringList{} << QStringList{} << 0 << qint64(0) << 4 << false;
        QTest::newRow("mfif") << "mfif:2" << QStringList{} << QStringList{} << 0 << qint64(0) << 2 << false;
        QTest::newRow("bitrate beyond int") << "mbr:99999999999" << QStringList{} << QStringList{}
                                            << std::numeric_limits<int>::max() << qint64(0) << 0 << true;
    }

    void parsing()
    {
        QFETCH(QString, text);
        const FilterParser filter = Parsed(text);
        QTEST(filter.IncludedWords(), "included");
        QTEST(filter.ExcludedWords(), "excluded");
        QTEST(filter.MinBitrate(), "minBitrate");
        QTEST(filter.MinFileSize(), "minFileSize");
        QTEST(filter.MinFilesInFolder(), "minFiles");
        QTEST(filter.HasAttributes(), "attributes");
    }

    void matching_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("attributes"); // mode, bitrate, size; empty: no item
        QTest::addColumn<int>("outcome");
        const QStringList none;
        QTest::newRow("empty filter") << ""
                                      << "anything" << none << 0;
        QTest::newRow("case ignored") << "ABBA -live"
                                      << "abba - Waterloo.mp3" << none << 0;
        QTest::newRow("excluded, case ignored") << "abba -live"
                                                << "ABBA LIVE.mp3" << none << 2;
        QTest::newRow("word missing") << "abba gold"
                                      << "abba.mp3" << none << 1;
        QTest::newRow("9 999 999 bytes") << "minfilesize:10"
                                         << "a" << QStringList{"", "", "9999999"} << 2;
        QTest::newRow("10 000 000 bytes") << "minfilesize:10"
                                          << "a" << QStringList{"", "", "10000000"} << 0;
        QTest::newRow("isvbr on cbr") << "isvbr"
                                      << "a" << QStringList{"cbr", "320", ""} << 2;
        QTest::newRow("isvbr on vbr") << "isvbr"
                                      << "a" << QStringList{"vbr", "", ""} << 0;
        QTest::newRow("isvbr without a mode") << "isvbr"
                                              << "a" << QStringList{"", "", ""} << 2;
        QTest::newRow("isvbr on a folder name") << "isvbr"
                                                << "a" << none << 0;
        QTest::newRow("iscbr") << "iscbr"
                               << "a" << QStringList{"cbr", "", ""} << 0;
        QTest::newRow("bitrate below") << "mbr:192"
                                       << "a" << QStringList{"", "160", ""} << 2;
        QTest::newRow("bitrate at") << "mbr:192"
                                    << "a" << QStringList{"", "192", ""} << 0;
        QTest::newRow("no bitrate counts as 0") << "mbr:1"
                                                << "a" << QStringList{"", "", ""} << 2;
        QTest::newRow("bitrate condition switched off") << "minbitrate:abc"
                                                        << "a" << QStringList{"", "", ""} << 0;
        QTest::newRow("conditions before words") << "mbr:320 abba"
                                                 << "nothing" << QStringList{"", "128", ""} << 2;
    }

    void matching()
    {
        QFETCH(QString, filter);
        QFETCH(QString, text);
        QFETCH(QStringList, attributes);
        const ItemPtr item = attributes.isEmpty() ? ItemPtr() : File(attributes[0], attributes[1], attributes[2]);
        QTEST(Parsed(filter).IsMatching(text, nullptr, item), "outcome");
    }

    void remainder()
    {
        const FilterParser filter = Parsed("abba gold -live mbr:128 mfif:3");
        FilterParser rest;
        rest.Parse("stale -words");
        QCOMPARE(filter.IsMatching("Music\\ABBA", &rest, ItemPtr()), int(FilterParser::MissingWords));
        QCOMPARE(rest.IncludedWords(), QStringList{"gold"});
        QCOMPARE(rest.ExcludedWords(), QStringList{"live"});
        QCOMPARE(rest.MinBitrate(), 128);
        QCOMPARE(rest.MinFilesInFolder(), 3);
        QVERIFY(rest.HasAttributes());
        QCOMPARE(rest.IsMatching("Gold.mp3", nullptr, File("", "128", "")), int(FilterParser::Matches));
        QCOMPARE(rest.IsMatching("Gold (live).mp3", nullptr, File("", "128", "")), int(FilterParser::Rejected));
        // Everything found in the folder's name.
        QCOMPARE(filter.IsMatching("ABBA Gold", &rest, ItemPtr()), int(FilterParser::Matches));
        QVERIFY(rest.IncludedWords().isEmpty());
        // Rejected by an excluded word: the remainder keeps the conditions only.
        QCOMPARE(filter.IsMatching("ABBA Live", &rest, ItemPtr()), int(FilterParser::Rejected));
        QVERIFY(rest.IncludedWords().isEmpty() && rest.ExcludedWords().isEmpty());
    }

    // A folder and its files: words may be found in either name.
    void folders_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("passing"); // one letter per file: y passes
        QTest::addColumn<bool>("whole");
        QTest::addColumn<bool>("shown");
        const QStringList files{"Lackluster - Container.mp3", "Other.mp3", "container remix.ogg"};
        QTest::newRow("excluded word in the folder hides its files")
            << "lackluster container -bothersome"
            << "Music\\bothersome\\Lackluster" << files << "nnn" << false << false;
        QTest::newRow("words split between folder and file") << "lackluster container"
                                                             << "Music\\Lackluster" << files << "yny" << false << true;
        QTest::newRow("all words in the folder: shown whole")
            << "lackluster container"
            << "Lackluster\\Container" << files << "yyy" << true << true;
        QTest::newRow("no file holds the rest") << "lackluster flac"
                                                << "Music\\Lackluster" << files << "nnn" << false << false;
        QTest::newRow("excluded word in a file") << "container -remix"
                                                 << "Music" << files << "ynn" << false << true;
        QTest::newRow("too few files for mfif") << "container mfif:3"
                                                << "Music" << files << "yny" << false << false;
        QTest::newRow("enough files for mfif") << "mfif:3"
                                               << "Music" << files << "yyy" << false << true;
        QTest::newRow("empty filter") << ""
                                      << "Music" << files << "yyy" << true << true;
    }

    void folders()
    {
        QFETCH(QString, filter);
        QFETCH(QString, folder);
        QFETCH(QStringList, files);
        QFETCH(QString, passing);
        const FilterParser parsed = Parsed(filter);
        const FolderFilter rule(parsed, folder);
        QString seen;
        int count = 0;
        for (const QString& file : files) {
            const bool passes = rule.Passes(file, File("", "", ""));
            seen += passes ? 'y' : 'n';
            count += passes ? 1 : 0;
        }
        QCOMPARE(seen, passing);
        QTEST(rule.Whole(), "whole");
        QTEST(rule.Shows(count), "shown");
    }

    // Conditions on files make the folder's files be tested one by one.
    void folderWithConditions()
    {
        const FilterParser filter = Parsed("abba minfilesize:1");
        const FolderFilter rule(filter, "ABBA");
        QVERIFY(!rule.Whole());
        QVERIFY(rule.Passes("Waterloo.mp3", File("", "", "1000000")));
        QVERIFY(!rule.Passes("Intro.mp3", File("", "", "999")));
        QCOMPARE(rule.FilesNeeded(), 1);
        QVERIFY(!rule.Shows(0));
        QVERIFY(rule.Shows(1));
    }
};

QTEST_GUILESS_MAIN(TestFilter)
#include "tst_filter.moc"
