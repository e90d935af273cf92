#include "search/SearchParser.h"

#include <QtTest>

using Tokens = SearchParser::TokenSet;
Q_DECLARE_METATYPE(Tokens)

// The search query language: included words, parts and excluded words.
class TestParser : public QObject
{
    Q_OBJECT

private slots:
    void tokens_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<Tokens>("included");
        QTest::addColumn<Tokens>("parts");
        QTest::addColumn<Tokens>("excluded");
        QTest::newRow("word, exclusion, part")
            << "Pink -floyd *mix" << true << Tokens{"pink"} << Tokens{"mix"} << Tokens{"floyd"};
        QTest::newRow("only excluded") << "-floyd" << false << Tokens{} << Tokens{} << Tokens{"floyd"};
        QTest::newRow("empty") << "" << false << Tokens{} << Tokens{} << Tokens{};
        QTest::newRow("only spaces and tabs") << " \t " << false << Tokens{} << Tokens{} << Tokens{};
        QTest::newRow("only a part") << "*mix" << true << Tokens{} << Tokens{"mix"} << Tokens{};
        QTest::newRow("quoted phrase then word")
            << "\"dark side\" moon" << true << Tokens{"dark side", "moon"} << Tokens{} << Tokens{};
        QTest::newRow("unclosed quote takes the rest")
            << "moon \"dark side\tof" << true << Tokens{"dark side\tof", "moon"} << Tokens{} << Tokens{};
        QTest::newRow("quoted exclusion, asterisk after minus")
            << "pink -\"the wall\" -*live" << true << Tokens{"pink"} << Tokens{} << Tokens{"*live", "the wall"};
        // Tokenizing stops at the fault; what was taken stays.
        QTest::newRow("quote inside a word") << "pink fl\"oyd moon" << false << Tokens{"pink"} << Tokens{} << Tokens{};
        QTest::newRow("empty quotes") << "pink \"\"" << false << Tokens{"pink"} << Tokens{} << Tokens{};
        QTest::newRow("lone quote") << "pink \"" << false << Tokens{"pink"} << Tokens{} << Tokens{};
        QTest::newRow("lone minus at end") << "pink -" << false << Tokens{"pink"} << Tokens{} << Tokens{};
        QTest::newRow("lone asterisk at end") << "pink *" << false << Tokens{"pink"} << Tokens{} << Tokens{};
        QTest::newRow("minus before space") << "pink - floyd" << false << Tokens{"pink"} << Tokens{} << Tokens{};
        QTest::newRow("non-ASCII lower-cased")
            << QString::fromUtf8("\xc3\x89T\xc3\x89 -Hiver") << true << Tokens{QString::fromUtf8("\xc3\xa9t\xc3\xa9")}
            << Tokens{} << Tokens{"hiver"};
    }

    void tokens()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        SearchParser parser;
        QCOMPARE(parser.SetSearchText(text), valid);
        QTEST(parser.GetIncludedTokenSet(), "included");
        QTEST(parser.GetIncludedPartTokenSet(), "parts");
        QTEST(parser.GetExcludedTokenSet(), "excluded");
    }

    void matching_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("match");
        const QString floydMix = "Music/Pink Floyd - Mix.mp3";
        QTest::newRow("excluded word present") << "pink -floyd" << floydMix << false;
        QTest::newRow("excluded word absent") << "pink -floyd"
                                              << "Music/Pink - Mix.mp3" << true;
        QTest::newRow("part as a word") << "pink *mix" << floydMix << true;
        QTest::newRow("part inside a word") << "pink *mix"
                                            << "Music/PINK remixed.mp3" << true;
        QTest::newRow("part missing") << "pink *mix"
                                      << "Music/Pink Floyd.mp3" << false;
        QTest::newRow("non-ASCII any case") << QString::fromUtf8("\xc3\x89T\xc3\x89 -Hiver")
                                            << QString::fromUtf8("Music/\xc3\x89t\xc3\xa9 2020.mp3") << true;
        QTest::newRow("non-ASCII excluded") << QString::fromUtf8("\xc3\x89T\xc3\x89 -Hiver")
                                            << QString::fromUtf8("Music/\xc3\x89t\xc3\xa9 HIVER.mp3") << false;
    }

    void matching()
    {
        QFETCH(QString, query);
        QFETCH(QString, path);
        SearchParser parser;
        QVERIFY(parser.SetSearchText(query));
        QTEST(parser.IsMatch(path), "match");
    }
};

QTEST_GUILESS_MAIN(TestParser)
#include "tst_parser.moc"
