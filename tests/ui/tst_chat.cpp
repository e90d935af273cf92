#include "ClientHome.h"
#include "ModalDriver.h"
#include "PeerClient.h"

#include "LocalServer.h"

#include "app/Settings.h"
#include "app/TimerManager.h"
#include "server/Server.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"
#include "ui/AreaLogTabs.h"
#include "ui/ChatForm.h"
#include "ui/ChatLogForm.h"
#include "ui/ChatView.h"
#include "ui/ChatsForm.h"
#include "ui/DiagnosticsForm.h"
#include "ui/EventToolBar.h"
#include "ui/MainWindow.h"
#include "ui/MessageListForm.h"
#include "ui/RoomForm.h"
#include "ui/RoomListView.h"
#include "ui/RoomWallForm.h"
#include "ui/RoomsForm.h"
#include "ui/UserMenu.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

constexpr int WaitMs = 10000;

// A long time stamp, "Dec 7 8:01:05 am".
const QString LongTime = "[A-Z][a-z]{2} \\d{1,2} \\d{1,2}:\\d{2}:\\d{2} [ap]m";
const QString ShortTime = "\\d{1,2}:\\d{2}:\\d{2}";

ItemPtr Room(const QString& name)
{
    return d.GetType("room")->HasItem(name);
}

QString LastLine(const ChatPanel* chat)
{
    return chat->View()->document()->lastBlock().text();
}

QStringList Lines(const ChatPanel* chat)
{
    return chat->View()->toPlainText().split('\n');
}

bool Matches(const QString& text, const QString& pattern)
{
    return QRegularExpression("^" + pattern + "$").match(text).hasMatch();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QAction* RoomAction(MainWindow& window, const char* name)
{
    return window.Rooms()->ToolBar()->findChild<QAction*>(name);
}

QAction* Action(QWidget* owner, const char* name)
{
    return owner->findChild<QAction*>(name);
}

void Enter(QLineEdit* input, const QString& text)
{
    input->setText(text);
    QTest::keyClick(input, Qt::Key_Return);
}

void SaveScreenshot(QWidget* window, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + "/../artifacts";
    QDir().mkpath(folder);
    const QString path = QDir(folder).absoluteFilePath(name);
    window->grab().toImage().save(path);
    qInfo("Screenshot: %s", qPrintable(QDir::cleanPath(path)));
}

// Alice's client, logged in to a local server, and the server.
struct Session
{
    ClientHome home;
    std::unique_ptr<localserver::LocalServer> server;
    std::unique_ptr<MainWindow> window;

    bool Start(const QMap<QString, QString>& settings = {})
    {
        server = StartLocalServer();
        if (!server)
            return false;
        SaveLogin(home, "alice", server->ServerPort(), settings);
        return Restart();
    }

    bool Restart()
    {
        window.reset();
        window = StartClient();
        window->resize(1000, 680);
        QApplication::setActiveWindow(window.get());
        return QTest::qWaitFor([] { return gp_server->IsConnected(); }, WaitMs);
    }

    // Enters the room from the room list, as the user does.
    RoomForm* EnterFromList(const QString& name)
    {
        RoomAction(*window, "refresh_room_list")->trigger();
        RoomListView* list = window->Rooms()->List();
        if (!QTest::qWaitFor([&] { return list->Row(Room(name)) != nullptr; }, WaitMs))
            return nullptr;
        emit list->itemActivated(list->Row(Room(name)), 0);
        return QTest::qWaitFor([&] { return RoomForm::Find(Room(name)) != nullptr; }, WaitMs)
            ? RoomForm::Find(Room(name))
            : nullptr;
    }
};

} // namespace

class ChatTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roomChatBetweenUsers();
    void privateChatBothWays();
    void reconnectionReentersRooms();
    void privateRoomActions();
};

void ChatTest::init()
{
    ChatPanel::SetInactivityPeriod(ChatPanel::DefaultInactivityMs);
}

void ChatTest::roomChatBetweenUsers()
{
    Session session;
    QVERIFY(session.Start({{"chat_timestamps", "activity_based"}}));
    MainWindow& window = *session.window;
    const quint16 port = session.server->ServerPort();
    PeerClient bob, carol, dave;
    QVERIFY(bob.Start(port, "bob"));
    bob.Command({"join", "lobby"});
    bob.Command({"ticker", "lobby", "Welcome <all> & enjoy"});

    QCOMPARE(window.Tabs()->currentWidget(), static_cast<QWidget*>(window.Rooms()));
    RoomForm* room = session.EnterFromList("lobby");
    QVERIFY(room);
    QCOMPARE(window.Rooms()->Tabs()->currentWidget(), static_cast<QWidget*>(room));
    QTRY_COMPARE_WITH_TIMEOUT(room->Members()->topLevelItemCount(), 2, WaitMs);
    QVERIFY(room->Members()->findItems("bob", Qt::MatchExactly).size() == 1);

    // Activity-based: a mark when the chat starts and one after the quiet time.
    ChatPanel::SetInactivityPeriod(50);
    bob.Command({"say", "lobby", "  hello activity  "});
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(room), QString("[bob] hello activity"), WaitMs);
    QVERIFY(Matches(Lines(room).value(0), "\\* Chat started " + LongTime));
    QTest::qWait(60);
    emit timerManager->HalfMinuteTick();
    QVERIFY(Matches(LastLine(room), "\\* Chat ended " + LongTime));
    QVERIFY(!room->IsChatActive());

    const struct
    {
        const char* word;
        QString pattern;
    } modes[] = {
        {"per_message_short", "\\[" + ShortTime + "\\]\\[bob\\] hello per_message_short"},
        {"per_message_long", "\\[" + LongTime + "\\]\\[bob\\] hello per_message_long"},
        {"no_timestamps", "\\[bob\\] hello no_timestamps"},
    };
    for (const auto& mode : modes) {
        SetSetting("chat_timestamps", mode.word);
        const int lines = Lines(room).size();
        bob.Command({"say", "lobby", QString("hello %1").arg(mode.word)});
        QTRY_VERIFY_WITH_TIMEOUT(Lines(room).size() > lines, WaitMs);
        QVERIFY2(Matches(LastLine(room), mode.pattern), qPrintable(LastLine(room)));
    }
    QVERIFY(room->View()->toHtml().contains("color:#0033ff;"));

    // Enter sends; the line comes back through the server like everyone's.
    Enter(room->Input(), "hi from alice");
    QVERIFY(bob.WaitFor({"CHAT", "lobby", "alice", "hi from alice"}));
    QVERIFY(room->Input()->text().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(room), QString("[alice] hi from alice"), WaitMs);

    // Actions, markup shown as text, links.
    bob.Command({"say", "lobby", "/me waves"});
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(room), QString("* bob waves"), WaitMs);
    bob.Command({"say", "lobby", "<b>bold</b> & see https://example.com/a?b=1"});
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(room), QString("[bob] <b>bold</b> & see https://example.com/a?b=1"), WaitMs);
    QVERIFY(room->View()->toHtml().contains("<a href=\"https://example.com/a?b=1\">"));
    QVERIFY(!room->View()->toHtml().contains("<b>bold"));

    const QString log = QString::fromUtf8(ReadFile(session.home.Path() + "/Quillmer Chat Logs/Rooms/lobby.log"));
    const QStringList logLines = log.split('\n', Qt::SkipEmptyParts);
    QVERIFY(Matches(logLines.value(0), "\\[" + LongTime + "\\]\\[bob\\] hello activity"));
    QVERIFY(Matches(logLines.value(4), "\\[" + LongTime + "\\]\\[alice\\] hi from alice"));
    QVERIFY(Matches(logLines.value(5), "\\[" + LongTime + "\\] \\* bob waves"));
    QVERIFY(
        Matches(logLines.value(6), "\\[" + LongTime + "\\]\\[bob\\] <b>bold</b> & see https://example.com/a\\?b=1"));

    // The wall: the server's tickers, then the own one on top.
    Action(room, "room_wall")->trigger();
    RoomWallForm* wall = window.findChild<RoomWallForm*>();
    QVERIFY(wall);
    QTRY_VERIFY_WITH_TIMEOUT(wall->View()->toPlainText().contains("Welcome <all> & enjoy -bob"), WaitMs);
    Enter(wall->Input(), "alice was here");
    QTRY_VERIFY2_WITH_TIMEOUT(wall->View()->toPlainText().trimmed().startsWith("alice was here -alice"),
                              qPrintable(wall->View()->toPlainText()), WaitMs);
    wall->close();

    // The log viewer shows the file and then the new lines.
    Action(room, "chat_log")->trigger();
    ChatLogForm* viewer = ChatLogForm::Find(ChatLogFile::Kind::Room, "lobby");
    QVERIFY(viewer);
    QVERIFY(viewer->Text()->toPlainText().contains("] * bob waves"));
    bob.Command({"say", "lobby", "while the log is open"});
    QTRY_VERIFY_WITH_TIMEOUT(viewer->Text()->toPlainText().endsWith("[bob] while the log is open"), WaitMs);
    viewer->close();

    // Auto-join follows the action and shows in its text.
    QAction* autojoin = Action(room, "toggle_room_autojoin");
    autojoin->trigger();
    QVERIFY(Room("lobby").IsConnected("room_autojoin"));
    QCOMPARE(autojoin->text(), QString("Auto-Join Room [on]"));
    autojoin->trigger();
    QCOMPARE(autojoin->text(), QString("Auto-Join Room [off]"));

    // Unseen lines mark the tab while the room list is shown.
    window.Rooms()->Tabs()->setCurrentIndex(0);
    bob.Command({"say", "lobby", "while away"});
    QTRY_COMPARE_WITH_TIMEOUT(window.Rooms()->Tabs()->tabText(1), QString("lobby (1)"), WaitMs);
    window.Rooms()->Tabs()->setCurrentWidget(room);
    QCOMPARE(window.Rooms()->Tabs()->tabText(1), QString("lobby"));

    // A busy room for the screenshot.
    QVERIFY(carol.Start(port, "carol"));
    QVERIFY(dave.Start(port, "dave"));
    carol.Command({"join", "lobby"});
    dave.Command({"join", "lobby"});
    QTRY_COMPARE_WITH_TIMEOUT(room->Members()->topLevelItemCount(), 4, WaitMs);
    SetSetting("chat_timestamps", "per_message_short");
    const QStringList chatter
        = {"carol\tanyone tried the new server build?", "dave\tyes, runs fine here; uploads resume after a restart now",
           "bob\t/me hands out coffee", "carol\tthe changelog is at http://example.org/changes",
           "dave\tnice, thanks carol"};
    for (const QString& line : chatter) {
        const QStringList fields = line.split('\t');
        PeerClient& speaker = fields[0] == "carol" ? carol : fields[0] == "dave" ? dave : bob;
        speaker.Command({"say", "lobby", fields[1]});
        QVERIFY(bob.WaitFor({"CHAT", "lobby", fields[0], fields[1]}));
    }
    QTRY_VERIFY_WITH_TIMEOUT(LastLine(room).endsWith("nice, thanks carol"), WaitMs);
    QTest::qWait(50);
    SaveScreenshot(&window, "rooms.png");

    // Double-clicking a member opens a private chat with them.
    emit room->Members()->itemActivated(room->Members()->findItems("bob", Qt::MatchExactly).value(0), 0);
    QCOMPARE(window.Tabs()->currentWidget(), static_cast<QWidget*>(window.Chats()));
    QVERIFY(ChatForm::Find("bob"));

    // Closing the tab leaves the room.
    window.Tabs()->setCurrentWidget(window.Rooms());
    emit window.Rooms()->Tabs()->tabCloseRequested(window.Rooms()->Tabs()->indexOf(room));
    QVERIFY(!RoomForm::Find(Room("lobby")));
    QTRY_VERIFY_WITH_TIMEOUT(!Room("lobby").IsConnected("in_room"), WaitMs);
}

void ChatTest::privateChatBothWays()
{
    Session session;
    QVERIFY(session.Start({{"show_event_buttons", "yes"}}));
    MainWindow& window = *session.window;
    PeerClient bob;
    QVERIFY(bob.Start(session.server->ServerPort(), "bob"));
    QSignalSpy trayMessages(window.Events(), &EventToolBar::TrayMessage);

    // A message while the chats are out of sight: a tab, a button, a tray message.
    bob.Command({"pm", "alice", "hello <alice>"});
    QTRY_VERIFY_WITH_TIMEOUT(ChatForm::Find("bob"), WaitMs);
    ChatForm* chat = ChatForm::Find("bob");
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(chat), QString("[bob] hello <alice>"), WaitMs);
    QVERIFY(!chat->isVisible());
    QCOMPARE(window.Events()->ButtonCount(), 1);
    QCOMPARE(trayMessages.count(), 1);
    QCOMPARE(trayMessages.at(0), QVariantList({"bob", "[bob] hello <alice>"}));
    QCOMPARE(window.Tabs()->tabText(window.Tabs()->indexOf(window.Chats())), QString("Private Chats (1)"));
    SaveScreenshot(&window, "private-message-event.png");

    ItemSet messages = g("private_message");
    QCOMPARE(messages.Size(), size_t(1));
    QCOMPARE(messages.First()["private_message_direction"].AsString(), QString("from"));
    QCOMPARE(messages.First()["private_message_text"].AsString(), QString("hello <alice>"));
    QCOMPARE(messages.First()["user"].AsString(), QString("bob"));
    QTreeWidget* list = window.Chats()->MessageList()->Tree();
    QCOMPARE(list->topLevelItem(0)->text(0), QString("bob"));
    QCOMPARE(list->topLevelItem(0)->child(0)->text(1), QString("[bob] hello <alice>"));
    QVERIFY(Matches(list->topLevelItem(0)->child(0)->text(0), LongTime));

    // Looking at the chat takes the button away.
    window.OpenPrivateChat("bob");
    QVERIFY(chat->isVisible());
    QCOMPARE(window.Events()->ButtonCount(), 0);
    QCOMPARE(window.Tabs()->tabText(window.Tabs()->indexOf(window.Chats())), QString("Private Chats"));

    // A message to the chat on screen in the active window adds nothing more.
    QVERIFY(window.isActiveWindow());
    bob.Command({"pm", "alice", "second"});
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(chat), QString("[bob] second"), WaitMs);
    QCOMPARE(trayMessages.count(), 1);
    QCOMPARE(window.Events()->ButtonCount(), 0);

    // The reply goes out, and is kept and logged as sent.
    Enter(chat->Input(), "hi bob");
    QVERIFY(bob.WaitFor({"PM", "alice", "hi bob"}));
    QCOMPARE(LastLine(chat), QString("[alice] hi bob"));
    ItemSet sent = g("private_message").Connected("private_message_direction", "to");
    QCOMPARE(sent.Size(), size_t(1));
    QCOMPARE(sent.First()["private_message_text"].AsString(), QString("hi bob"));
    QCOMPARE(list->topLevelItem(0)->child(2)->text(1), QString("[alice] hi bob"));
    const QStringList log = QString::fromUtf8(ReadFile(session.home.Path() + "/Quillmer Chat Logs/Users/bob.log"))
                                .split('\n', Qt::SkipEmptyParts);
    QCOMPARE(log.size(), 3);
    QVERIFY(Matches(log.value(0), "\\[" + LongTime + "\\]\\[bob\\] hello <alice>"));
    QVERIFY(Matches(log.value(2), "\\[" + LongTime + "\\]\\[alice\\] hi bob"));

    // An action posts no event, even out of sight.
    window.Tabs()->setCurrentWidget(window.Rooms());
    bob.Command({"pm", "alice", "/me waves"});
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(chat), QString("* bob waves"), WaitMs);
    QCOMPARE(window.Events()->ButtonCount(), 0);
    QCOMPARE(trayMessages.count(), 1);
    window.OpenPrivateChat("bob");

    // Away and back.
    bob.Command({"away"});
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(chat), QString("* bob is away."), WaitMs);
    bob.Command({"back"});
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(chat), QString("* bob is available."), WaitMs);
    SaveScreenshot(&window, "private-chat.png");

    // The tool bar's entry opens a chat with whoever is typed there.
    window.UserNameEntry()->setText(" carol ");
    window.findChild<QAction*>("message_user")->trigger();
    QVERIFY(ChatForm::Find("carol"));
    QCOMPARE(window.Chats()->Tabs()->currentWidget(), static_cast<QWidget*>(ChatForm::Find("carol")));

    // The messages come back from the saved file at the next start, the
    // latest conversation first.
    QVERIFY(session.Restart());
    list = session.window->Chats()->MessageList()->Tree();
    QTRY_VERIFY_WITH_TIMEOUT(!session.window->Chats()->MessageList()->IsFilling(), WaitMs);
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->childCount(), 4);
    // Messages of the same second may come back in either order.
    QStringList restored;
    for (int n = 0; n < 4; ++n)
        restored.append(list->topLevelItem(0)->child(n)->text(1));
    restored.sort();
    QCOMPARE(restored, QStringList({"[alice] hi bob", "[bob] /me waves", "[bob] hello <alice>", "[bob] second"}));
}

void ChatTest::reconnectionReentersRooms()
{
    Session session;
    QVERIFY(session.Start({{"chat_timestamps", "no_timestamps"}}));
    MainWindow& window = *session.window;
    const quint16 port = session.server->ServerPort();
    ModalDriver driver;
    driver.Then([](QWidget* dialog) {
        dialog->findChild<QLineEdit*>("room_name")->setText("  den ");
        QMetaObject::invokeMethod(dialog, "accept");
    });
    RoomAction(window, "create_room")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(RoomForm::Find(Room("den")), WaitMs);
    RoomForm* room = RoomForm::Find(Room("den"));

    session.server->Close();
    QTRY_VERIFY_WITH_TIMEOUT(Matches(LastLine(room), "\\* Disconnected at " + ShortTime + "\\."), WaitMs);
    // Lines typed meanwhile stay in the input.
    Enter(room->Input(), "anyone?");
    QCOMPARE(room->Input()->text(), QString("anyone?"));
    QVERIFY(LastLine(room).startsWith("* Not sent"));

    QVERIFY(session.server->Listen(QHostAddress::LocalHost, port));
    emit timerManager->HalfMinuteTick();
    QTRY_VERIFY_WITH_TIMEOUT(Matches(LastLine(room), "\\* Reconnected at " + ShortTime + "\\."), WaitMs);
    // Back in the room: the server passes the line on to those in it.
    QTest::keyClick(room->Input(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(LastLine(room), QString("[alice] anyone?"), WaitMs);
    QCOMPARE(RoomForm::Find(Room("den")), room);

    // The administrators' word: shown as text, and kept with the diagnostics.
    MemStream message;
    message.Write(QString("Maintenance at <b>noon</b>"));
    gp_server->HandleMessage(SM_ADMIN_MESSAGE, message);
    QTRY_VERIFY_WITH_TIMEOUT(window.findChild<QMessageBox*>("admin_message"), WaitMs);
    auto* box = window.findChild<QMessageBox*>("admin_message");
    QCOMPARE(box->text(), QString("Maintenance at <b>noon</b>"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QVERIFY(window.Diagnostics()
                ->AreaTabs()
                ->AreaView("Admin Messages")
                ->toPlainText()
                .contains("Message from the server's administrators: Maintenance at <b>noon</b>"));
    box->close();
}

void ChatTest::privateRoomActions()
{
    Session session;
    QVERIFY(session.Start());
    MainWindow& window = *session.window;
    QAction* invitations = RoomAction(window, "private_room_invitations");
    QCOMPARE(invitations->text(), QString("Accept Private Room Invitations"));
    invitations->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(invitations->text(), QString("Reject Private Room Invitations"), WaitMs);

    ModalDriver driver;
    driver.Then([](QWidget* dialog) {
        dialog->findChild<QLineEdit*>("room_name")->setText("club");
        dialog->findChild<QCheckBox*>("room_private")->setChecked(true);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    RoomAction(window, "create_room")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(RoomForm::Find(Room("club")), WaitMs);
    RoomForm* room = RoomForm::Find(Room("club"));
    QAction* giveUpRoom = Action(room, "give_up_room");
    QTRY_VERIFY_WITH_TIMEOUT(giveUpRoom->isVisible(), WaitMs);
    QVERIFY(!Action(room, "give_up_membership")->isVisible());

    // A user's menu offers the rooms the own user owns.
    PeerClient bob;
    QVERIFY(bob.Start(session.server->ServerPort(), "bob"));
    auto roomEntries = [](const QString& user) {
        UserMenu menu(user);
        QStringList entries;
        for (QAction* action : menu.actions())
            if (action->menu())
                entries.append(action->text());
        if (QMenu* rooms = menu.findChild<QMenu*>(); rooms && rooms->actions().size() == 1)
            for (QAction* action : rooms->actions().first()->menu()->actions())
                entries.append(rooms->actions().first()->text() + ": " + action->text());
        return entries;
    };
    QCOMPARE(roomEntries("bob"), QStringList({"Private Rooms", "club: Give User Membership"}));
    {
        UserMenu menu("bob");
        menu.findChild<QMenu*>()->actions().first()->menu()->actions().first()->trigger();
    }
    // Made a member, bob's client enters the room at once.
    QTRY_COMPARE_WITH_TIMEOUT(room->Members()->topLevelItemCount(), 2, WaitMs);
    QCOMPARE(roomEntries("bob"),
             QStringList({"Private Rooms", "club: Remove User's Membership", "club: Make User Operator"}));
    // The own user's menu only opens the chat.
    QCOMPARE(UserMenu("alice").actions().size(), 1);
    QCOMPARE(roomEntries("alice"), QStringList());

    // No keeps the room.
    driver.ThenPress(QMessageBox::No);
    giveUpRoom->trigger();
    QCOMPARE(driver.Titles().value(1), QString("REALLY?"));
    QCOMPARE(driver.Texts().value(1),
             QString("Are you SURE you want to give up your ownership of the club private room?"));
    RoomAction(window, "refresh_room_list")->trigger();
    QTest::qWait(200);
    QVERIFY(Room("club").IsConnected("is_owner"));
    QVERIFY(RoomForm::Find(Room("club")));

    // Yes gives it up and leaves it.
    driver.ThenPress(QMessageBox::Yes);
    giveUpRoom->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!RoomForm::Find(Room("club")), WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!Room("club").IsConnected("is_owner"), WaitMs);
    QVERIFY(driver.AllDone());
}

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == PeerRoleArgument)
        return RunPeerRole(argc, argv);
    QApplication application(argc, argv);
    ChatTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chat.moc"
