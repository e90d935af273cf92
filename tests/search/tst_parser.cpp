#include "search/SearchParser.h"

#include <QtTest>

// The search query language: included words, parts and excluded words.
class TestParser : public QObject
{
    Q_OBJECT

private:
    using Tokens = SearchParser::TokenSet;

private slots:
    void wordsPartsAndExclusions()
    {
        SearchParser parser;
        QVERIFY(parser.SetSearchText("Pink -floyd *mix"));
        QCOMPARE(parser.GetIncludedTokenSet(), Tokens{"pink"});
        QCOMPARE(parser.GetExcludedTokenSet(), Tokens{"floyd"});
        QCOMPARE(parser.GetIncludedPartTokenSet(), Tokens{"mix"});
    }

    void validity_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("only excluded") << "-floyd" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("only spaces and tabs") << " \t " << false;
        QTest::newRow("only a part") << "*mix" << true;
        QTest::newRow("quote inside a word") << "pi\"nk" << false;
        QTest::newRow("empty quotes") << "pink \"\"" << false;
        QTest::newRow("lone minus at end") << "pink -" << false;
        QTest::newRow("lone asterisk at end") << "pink *" << false;
        QTest::newRow("minus before space") << "pink - floyd" << false;
        QTest::newRow("lone quote") << "pink \"" << false;
    }

    void validity()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        SearchParser parser;
        QCOMPARE(parser.SetSearchText(text), valid);
    }

    void quotedPhraseThenWord()
    {
        SearchParser parser;
        QVERIFY(parser.SetSearchText("\"dark side\" moon"));
        QCOMPARE(parser.GetIncludedTokenSet(), (Tokens{"dark side", "moon"}));
    }

    void unclosedQuoteTakesTheRest()
    {
        SearchParser parser;
        QVERIFY(parser.SetSearchText("moon \"dark side\tof"));
        QCOMPARE(parser.GetIncludedTokenSet(), (Tokens{"dark side\tof", "moon"}));
    }

    void quotedExclusionAndAsteriskAfterMinus()
    {
        SearchParser parser;
        QVERIFY(parser.SetSearchText("pink -\"the wall\" -*live"));
        QCOMPARE(parser.GetExcludedTokenSet(), (Tokens{"*live", "the wall"}));
    }

    void invalidQueryKeepsTokensTakenSoFar()
    {
        SearchParser parser;
        QVERIFY(!parser.SetSearchText("pink fl\"oyd moon"));
        QCOMPARE(parser.GetIncludedTokenSet(), Tokens{"pink"});
    }

    void nonAsciiIsLowerCased()
    {
        SearchParser parser;
        QVERIFY(parser.SetSearchText(QString::fromUtf8("\xc3\x89T\xc3\x89 -Hiver")));
        QCOMPARE(parser.GetIncludedTokenSet(), Tokens{QString::fromUtf8("\xc3\xa9t\xc3\xa9")});
        QVERIFY(parser.IsMatch(QString::fromUtf8("Music/\xc3\x89t\xc3\xa9 2020.mp3")));
        QVERIFY(!parser.IsMatch(QString::fromUtf8("Music/\xc3\x89t\xc3\xa9 HIVER.mp3")));
    }

    void matching()
    {
        SearchParser exclusion;
        QVERIFY(exclusion.SetSearchText("pink -floyd"));
        QVERIFY(!exclusion.IsMatch("Music/Pink Floyd - Mix.mp3"));
        QVERIFY(exclusion.IsMatch("Music/Pink - Mix.mp3"));

        SearchParser part;
        QVERIFY(part.SetSearchText("pink *mix"));
        QVERIFY(part.IsMatch("Music/Pink Floyd - Mix.mp3"));
        QVERIFY(part.IsMatch("Music/PINK remixed.mp3"));
        QVERIFY(!part.IsMatch("Music/Pink Floyd.mp3"));
    }

    void whitespace()
    {
        QCOMPARE(SearchParser::Whitespace(), QString(" \t"));
    }
};

QTEST_GUILESS_MAIN(TestParser)
#include "tst_parser.moc"
