#include "store/Data.h"
#include "store/TextDecoding.h"
#include "wire/ExtendedAsciiTranslator.h"
#include "wire/MemStream.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTextCodec>
#include <QtTest>

#include <memory>

namespace {

const char* const Setting = "extended_ascii_codepage";

// The settings schema as the application declares it at start-up.
void DeclareSettingsTypes()
{
    Type* global = d.NewType("global", Primary, false, true);
    Type* globalValue = d.NewType("global_value", Tertiary, false, true);
    global->RelateToType(globalValue, Many, One, false);
}

// What the configuration file load or the options dialog does.
void StoreSetting(const std::string& value)
{
    d.GetType("global")->GetItem(Setting) += d.GetType("global_value")->GetItem(value);
}

std::string StoredSetting()
{
    return d.GetType("global")->GetItem(Setting)["global_value"].AsStdString();
}

const QString eAcute(QChar(0x00E9));

} // namespace

class TestCodePages : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ExtendedAsciiTranslator> translator;

    // Each upper byte alone, one per line, as the system's iconv decodes it; an
    // empty line for a byte that the code page leaves undefined.
    static QStringList IconvDecodings(const QString& codePage)
    {
        QByteArray input;
        for (int byte = 0x80; byte <= 0xFF; ++byte)
            input.append(char(byte)).append('\n');
        QProcess iconv;
        iconv.start(QStringLiteral("iconv"), {"-c", "-f", codePage, "-t", "UTF-8"});
        if (!iconv.waitForStarted(10000))
            return {};
        iconv.write(input);
        iconv.closeWriteChannel();
        if (!iconv.waitForFinished(30000))
            return {};
        QStringList lines = QString::fromUtf8(iconv.readAllStandardOutput()).split(QLatin1Char('\n'));
        lines.removeLast();
        return lines;
    }

    void CompareWithIconv(const char* codePage)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("iconv")).isEmpty())
            QSKIP("iconv is not installed");
        translator->SetCodePage(codePage);
        QVERIFY(translator->GetCodec());
        const QStringList expected = IconvDecodings(QString::fromLatin1(codePage));
        QCOMPARE(expected.size(), 128);
        int compared = 0;
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const QString& want = expected[byte - 0x80];
            if (want.isEmpty())
                continue;
            QCOMPARE(ToQString(std::string(1, char(byte))), want);
            ++compared;
        }
        QVERIFY(compared >= 120);
    }

private slots:
    void init()
    {
        d.Clear();
        DeclareSettingsTypes();
        translator = std::make_unique<ExtendedAsciiTranslator>();
    }

    void cleanup()
    {
        translator.reset();
        d.Clear();
    }

    void noCodePageMeansLatin1()
    {
        QCOMPARE(extendedAsciiTranslator, translator.get());
        QVERIFY(!translator->GetCodec());
        QCOMPARE(ToQString("\xE9"), eAcute);
        QCOMPARE(ToQString("\xC3\xA9"), eAcute);
        QCOMPARE(ToQString(std::string("ok\0\xE9", 4)), QStringLiteral("ok"));
        QCOMPARE(ToQString(""), QString());
    }

    void chosenCodePageDecodesOnlyWhatIsNotUtf8()
    {
        translator->SetCodePage("windows-1251");
        QCOMPARE(StoredSetting(), std::string("windows-1251"));
        QCOMPARE(ToQString("\xE9"), QString(QChar(0x0439)));
        QCOMPARE(ToQString("\xC3\xA9"), eAcute);
        QCOMPARE(ToQString("plain text"), QStringLiteral("plain text"));

        MemStream s(QByteArray("\x02\x00\x00\x00\xE9\x41", 6));
        QString text;
        QVERIFY(s.Read(text));
        QCOMPARE(text, QString(QChar(0x0439)) + QChar('A'));
    }

    void windows1251AgreesWithIconv() { CompareWithIconv("WINDOWS-1251"); }
    void windows1252AgreesWithIconv() { CompareWithIconv("WINDOWS-1252"); }

    void settingChangesApplyAtOnce()
    {
        StoreSetting("windows-1252");
        QCOMPARE(ToQString("\x80"), QString(QChar(0x20AC)));
        StoreSetting("windows-1251");
        QCOMPARE(ToQString("\x80"), QString(QChar(0x0402)));

        translator->SetCodePage("");
        QCOMPARE(StoredSetting(), std::string());
        QVERIFY(!translator->GetCodec());
        QCOMPARE(ToQString("\x80"), QString(QChar(0x0080)));

        StoreSetting("windows-1251");
        StoreSetting("[None]");
        QVERIFY(!translator->GetCodec());
        QCOMPARE(ToQString("\xE9"), eAcute);

        StoreSetting("no-such-code-page");
        QVERIFY(!translator->GetCodec());
        QCOMPARE(ToQString("\xE9"), eAcute);
    }

    void settingWrittenBeforeConstructionApplies()
    {
        translator.reset();
        QVERIFY(!extendedAsciiTranslator);
        StoreSetting("windows-1251");
        QCOMPARE(ToQString("\xE9"), eAcute);
        translator = std::make_unique<ExtendedAsciiTranslator>();
        QCOMPARE(ToQString("\xE9"), QString(QChar(0x0439)));
    }
};

QTEST_GUILESS_MAIN(TestCodePages)
#include "tst_codepages.moc"
