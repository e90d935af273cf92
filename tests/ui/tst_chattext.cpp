#include "ClientHome.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ChatLogFile.h"
#include "ui/ChatText.h"
#include "ui/ChatView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QtTest>

using namespace ChatText;

namespace {
const QDateTime Evening(QDate(2026, 3, 7), QTime(21, 5, 9));
} // namespace

class ChatTextTest : public QObject
{
    Q_OBJECT

private slots:
    void chatLines_data();
    void chatLines();
    void statusAndLogLines();
    void roomViewKeepsItsBound();
    void logFileNames_data();
    void logFileNames();
    void logFilesStayInTheirFolder();
};

void ChatTextTest::chatLines_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    const QString user = "[<font color=\"#0033ff\">ann</font>] ";
    QTest::newRow("activity") << "activity_based"
                              << "hi" << user + "hi";
    QTest::newRow("short") << "per_message_short"
                           << "hi"
                           << "[<font color=\"#0066ff\">21:05:09</font>]" + user + "hi";
    QTest::newRow("long") << "per_message_long"
                          << "hi"
                          << "[<font color=\"#0066ff\">Mar 7 9:05:09 pm</font>]" + user + "hi";
    QTest::newRow("none") << "no_timestamps"
                          << "hi" << user + "hi";
    QTest::newRow("markup") << "no_timestamps"
                            << "<i>a</i> & b>c" << user + "&lt;i&gt;a&lt;/i&gt; &amp; b&gt;c";
    QTest::newRow("link") << "no_timestamps"
                          << "see http://a.example/x?y=1&z=2, ok"
                          << user
            + "see <a href=\"http://a.example/x?y=1&amp;z=2\">http://a.example/x?y=1&amp;z=2</a>, "
              "ok";
    QTest::newRow("not a link") << "no_timestamps"
                                << "ftp://a.example httpx://b" << user + "ftp://a.example httpx://b";
}

void ChatTextTest::chatLines()
{
    QFETCH(QString, mode);
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(ChatLine(ModeFromWord(mode), Evening, "ann", text, "#0066ff", "#0033ff"), line);
}

void ChatTextTest::statusAndLogLines()
{
    QCOMPARE(StatusLine("Ann <3 waves", "#339933"), QString("* <font color=\"#339933\">Ann &lt;3 waves</font>"));
    QVERIFY(IsAction("/me waves"));
    QVERIFY(!IsAction("/ME waves"));
    QVERIFY(!IsAction("/mewaves"));
    QCOMPARE(ActionText("Ann", "/me   waves"), QString("Ann waves"));
    QCOMPARE(LogLine(Evening, "Ann", "<b>hi</b>"), QString("[Mar 7 9:05:09 pm][Ann] <b>hi</b>"));
    QCOMPARE(ActionLogLine(Evening, "Ann waves"), QString("[Mar 7 9:05:09 pm] * Ann waves"));
}

void ChatTextTest::roomViewKeepsItsBound()
{
    // The rule itself: cut the first part and the rest of its line.
    QVERIFY(TrimmedRoomHtml(QString(MaxRoomViewHtml, 'a')).isNull());
    const QString html
        = QString(RoomViewCut - 10, 'a') + "\nbbbbbbbbbbbbbbbbbbbbbbbbb\nkept\n" + QString(MaxRoomViewHtml, 'c');
    QVERIFY(TrimmedRoomHtml(html).startsWith("kept\ncc"));

    // A bounded view: the oldest lines go, the newest stay, whole.
    ChatView room(true);
    ChatView chat(false);
    const QString filler = QString("x").repeated(200);
    for (int n = 0; n < 1300; ++n) {
        room.AppendHtml(QString("line %1 %2").arg(n).arg(filler));
        chat.AppendHtml(QString("line %1 %2").arg(n).arg(filler));
    }
    QVERIFY(room.toHtml().size() <= MaxRoomViewHtml + 1000);
    const QStringList lines = room.toPlainText().split('\n');
    QVERIFY(!lines.first().startsWith("line 0 "));
    QVERIFY(QRegularExpression("^line \\d+ x{200}$").match(lines.first()).hasMatch());
    QCOMPARE(lines.last(), "line 1299 " + filler);
    QCOMPARE(chat.toPlainText().split(QLatin1Char(10)).size(), 1300);

    // The view follows new lines, unless the user scrolled up to read.
    ChatView shown(false);
    shown.resize(300, 200);
    shown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shown));
    for (int n = 0; n < 100; ++n)
        shown.AppendHtml(QString("line %1").arg(n));
    QScrollBar* bar = shown.verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    bar->setValue(10);
    shown.AppendHtml("and another");
    QCOMPARE(bar->value(), 10);
}

void ChatTextTest::logFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << "lobby"
                           << "lobby.log";
    QTest::newRow("spaces and accents") << "Café Rooms"
                                        << "Café Rooms.log";
    QTest::newRow("climbing") << "../../x"
                              << "%2E.%2F..%2Fx.log";
    QTest::newRow("dot dot") << ".."
                             << "%2E..log";
    QTest::newRow("hidden") << ".bashrc"
                            << "%2Ebashrc.log";
    QTest::newRow("separators") << "a/b\\c"
                                << "a%2Fb%5Cc.log";
    QTest::newRow("escape itself") << "100%2F"
                                   << "100%252F.log";
    QTest::newRow("control") << QString("a\nb") << "a%0Ab.log";
    QTest::newRow("tilde") << "~x"
                           << "%7Ex.log";
}

void ChatTextTest::logFileNames()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(ChatLogFile::FileName(name), file);
}

void ChatTextTest::logFilesStayInTheirFolder()
{
    ClientHome home;
    DataSaver saver;
    DeclareSettingsSchema();

    // With logging off nothing is made.
    QVERIFY(!ChatLogFile::Append(ChatLogFile::Kind::Room, "lobby", "line"));
    QVERIFY(!QFileInfo::exists(home.Path() + "/Quillmer Chat Logs"));

    SetSetting("log_room_chat", "yes");
    SetSetting("log_private_chat", "yes");
    const QString longName = QString("é").repeated(300);
    const QStringList names = {"../../x", "..", "/etc/passwd", "a/b", "a%2Fb", longName, longName + "!", ""};
    for (const QString& name : names) {
        QVERIFY2(ChatLogFile::Append(ChatLogFile::Kind::User, name, "said: " + name), qPrintable(name));
        QVERIFY(ChatLogFile::Append(ChatLogFile::Kind::User, name, "again"));
    }
    // Nothing outside the folder, one file per name, each with its own lines.
    QVERIFY(!QFileInfo::exists(home.Path() + "/x.log"));
    QVERIFY(!QFileInfo::exists(home.Path() + "/Quillmer Chat Logs/x.log"));
    const QString folder = ChatLogFile::FolderPath(ChatLogFile::Kind::User);
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files.size(), names.size());
    for (const QString& name : names) {
        const QString path = ChatLogFile::FilePath(ChatLogFile::Kind::User, name);
        QCOMPARE(QFileInfo(path).absolutePath(), QDir(folder).absolutePath());
        QVERIFY(QFileInfo(path).fileName().toUtf8().size() < 255);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), "said: " + name + "\nagain\n");
    }
}

QTEST_MAIN(ChatTextTest)
#include "tst_chattext.moc"
