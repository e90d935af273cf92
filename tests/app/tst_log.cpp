#include "app/Log.h"
#include "app/Settings.h"
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file under the folder, as paths relative to it.
QStringList FilesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

QString TextOf(ItemPtr itemLog, const char* part)
{
    return itemLog.GetItem(part).AsString();
}
} // namespace

class TestLog : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir home;
    std::unique_ptr<DataSaver> saver;

    QString LogFolder() const { return home.path() + "/.local/share/Quillmer/diagnostics"; }

    // One line logged with the sink watching; returns what the sink got.
    QString LogOne(const QString& area, int level, const QString& text, ItemPtr item = ItemPtr())
    {
        QSignalSpy lines(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged);
        Log(area, level, text, item);
        if (lines.count() != 1)
            return QString();
        if (lines.first().at(0).toString() != area)
            return QString();
        return lines.first().at(1).toString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
    }

    void init()
    {
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        d.NewType("user", Primary, false, true);
        RegisterLoggableItemType("user");
        // Managers may register the same type more than once.
        RegisterLoggableItemType("user");
        SetSetting("show_diagnostics", "yes");
    }

    void cleanup()
    {
        saver.reset();
        d.Clear();
        QDir(LogFolder()).removeRecursively();
    }

    void offMeansNothingShownStoredOrWritten_data()
    {
        QTest::addColumn<QString>("showDiagnostics");
        QTest::newRow("no") << "no";
        QTest::newRow("unset") << "";
    }

    void offMeansNothingShownStoredOrWritten()
    {
        QFETCH(QString, showDiagnostics);
        if (showDiagnostics.isEmpty())
            d.GetType("global")->HasItem(Value("show_diagnostics")).Remove();
        else
            SetSetting("show_diagnostics", showDiagnostics);
        SetSetting("user_level_logging", "yes");
        ItemPtr alice = (*d.GetType("user"))[Value("alice")];
        QSignalSpy lines(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged);
        for (int level = 1; level <= 3; ++level)
            Log("Off Area", level, "hidden", alice);

        QCOMPARE(lines.count(), 0);
        QCOMPARE(d.GetType("item_log")->ItemCount(), std::size_t(0));
        QCOMPARE(FilesUnder(home.path()), QStringList());
    }

    void lineIsStampedAndIndentedByLevel_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("indent");
        QTest::newRow("top") << 1 << "";
        QTest::newRow("detail") << 2 << "   ";
        QTest::newRow("detail of detail") << 3 << "      ";
        QTest::newRow("below top") << 0 << "";
    }

    void lineIsStampedAndIndentedByLevel()
    {
        QFETCH(int, level);
        QFETCH(QString, indent);
        const QString line = LogOne("Indent Area", level, "Peer connected");
        const QRegularExpressionMatch match = QRegularExpression(R"(^\[([^\]]+)\] (.*)$)").match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        QVERIFY(QDateTime::fromString(match.captured(1), Qt::TextDate).isValid());
        QCOMPARE(match.captured(2), indent + "Peer connected");
    }

    void lineWithoutItemLogIsStillLogged_data()
    {
        QTest::addColumn<QString>("userLevelLogging");
        QTest::addColumn<QString>("itemType");
        QTest::newRow("null item") << "yes"
                                   << "";
        QTest::newRow("per-item logging off") << "no"
                                              << "user";
        QTest::newRow("per-item logging unset") << ""
                                                << "user";
        QTest::newRow("unregistered type") << "yes"
                                           << "room";
    }

    void lineWithoutItemLogIsStillLogged()
    {
        QFETCH(QString, userLevelLogging);
        QFETCH(QString, itemType);
        if (!userLevelLogging.isEmpty())
            SetSetting("user_level_logging", userLevelLogging);
        ItemPtr item;
        if (itemType == "room")
            d.NewType("room", Primary, false, true);
        if (!itemType.isEmpty())
            item = (*d.GetType(itemType.toStdString()))[Value("indie")];
        QVERIFY(!LogOne("No Item Log Area", 1, "line", item).isEmpty());
        QCOMPARE(d.GetType("item_log")->ItemCount(), std::size_t(0));
    }

    void itemLogsCarryTheLineInOrder()
    {
        SetSetting("user_level_logging", "yes");
        ItemPtr alice = (*d.GetType("user"))[Value("alice")];
        ItemPtr bob = (*d.GetType("user"))[Value("bob")];
        const QString first = LogOne("Transfer Queue", 1, "Queued upload", alice);
        LogOne("Transfer Queue", 2, "for bob", bob);
        LogOne("Peer Messenger", 3, "Connected", alice);

        ItemSet aliceLogs = alice.GetItems("item_log");
        QCOMPARE(aliceLogs.Size(), std::size_t(2));
        QCOMPARE(bob.GetItems("item_log").Size(), std::size_t(1));

        QMap<long long, ItemPtr> byOrder;
        for (ItemPtr itemLog : aliceLogs)
            byOrder.insert(itemLog.GetItem("log_order").AsInt64(), itemLog);
        const QList<long long> orders = byOrder.keys();
        QCOMPARE(orders.size(), 2);
        // bob's line came in between and took the next number.
        QCOMPARE(orders.at(1), orders.at(0) + 2);
        QCOMPARE(bob.GetItem("item_log").GetItem("log_order").AsInt64(), orders.at(0) + 1);

        ItemPtr earlier = byOrder.first();
        QCOMPARE(TextOf(earlier, "log_area"), QString("Transfer Queue"));
        QCOMPARE(TextOf(earlier, "log_level"), QString("1"));
        QCOMPARE(TextOf(earlier, "log_text"), QString("Queued upload"));
        QCOMPARE("[" + TextOf(earlier, "log_time") + "] Queued upload", first);
        ItemPtr later = byOrder.last();
        QCOMPARE(TextOf(later, "log_area"), QString("Peer Messenger"));
        QCOMPARE(TextOf(later, "log_level"), QString("3"));
        QCOMPARE(TextOf(later, "log_text"), QString("      Connected"));
    }

    void itemLogsLiveAsLongAsTheirItem()
    {
        SetSetting("user_level_logging", "yes");
        ItemPtr alice = (*d.GetType("user"))[Value("alice")];
        LogOne("Collection Area", 1, "kept", alice);
        d.RemoveDisconnectedItems();
        ItemPtr itemLog = alice.GetItem("item_log");
        QVERIFY(!itemLog.IsNull());
        QCOMPARE(TextOf(itemLog, "log_text"), QString("kept"));

        alice.Remove();
        d.RemoveDisconnectedItems();
        QCOMPARE(d.GetType("item_log")->ItemCount(), std::size_t(0));
        QCOMPARE(d.GetType("log_text")->ItemCount(), std::size_t(0));
    }

    void debugFileStartsOncePerRunAndHoldsTheLines()
    {
        const QString first = LogOne("Distributed Network", 1, QString::fromUtf8("Parent chosen: zoë"));
        const QString second = LogOne("Distributed Network", 2, "Child accepted");
        const QString path = LogFolder() + "/Distributed Network.log";
        QCOMPARE(DiagnosticsLog::FilePath("Distributed Network"), path);

        const QString stamp = first.mid(1, first.indexOf(']') - 1);
        const QByteArray expected
            = "* Logging started at " + stamp.toUtf8() + "\n" + first.toUtf8() + "\n" + second.toUtf8() + "\n";
        QCOMPARE(ReadFile(path), expected);

        // Later lines of the run are appended without a new start line.
        QVERIFY(QFile::resize(path, 0));
        const QString third = LogOne("Distributed Network", 1, "Parent lost");
        QCOMPARE(ReadFile(path), third.toUtf8() + "\n");
    }

    void areaNamesCannotLeaveTheFolder()
    {
        const QStringList areas
            = {"../escape",        "../../../../tmp/escape", "a/b", "a_b", "..", ".", "/abs", "", "a%2Fb",
               QString(1000, 'x'), QString(1000, 'x') + "y"};
        for (const QString& area : areas)
            QVERIFY2(!LogOne(area, 1, "line").isEmpty(), qPrintable(area));

        QStringList files = FilesUnder(home.path());
        QCOMPARE(files.size(), areas.size());
        for (const QString& file : files)
            QVERIFY2(file.startsWith(".local/share/Quillmer/diagnostics/") && !file.mid(34).contains('/'),
                     qPrintable(file));
        for (const QString& area : areas)
            QVERIFY(QFileInfo(DiagnosticsLog::FilePath(area)).absolutePath() == LogFolder());
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
