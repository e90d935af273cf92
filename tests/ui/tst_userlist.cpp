#include "ClientHome.h"
#include "ModalDriver.h"
#include "PeerClient.h"

#include "LocalServer.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "ui/AddUserDialog.h"
#include "ui/ChatView.h"
#include "ui/EventToolBar.h"
#include "ui/GiftPrivilegesDialog.h"
#include "ui/GroupConfigDialog.h"
#include "ui/MainWindow.h"
#include "ui/RoomsForm.h"
#include "ui/UserGroupsDialog.h"
#include "ui/UserListForm.h"
#include "ui/UserListState.h"
#include "ui/UserListView.h"
#include "ui/UserMenu.h"
#include "ui/UserNoteDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QtTest>

#include <memory>

namespace {

constexpr int WaitMs = 10000;
constexpr qint64 Day = GiftPrivilegesDialog::SecondsPerDay;

ItemPtr User(const QString& name)
{
    return UserListState::User(name);
}

ItemPtr Group(const QString& name)
{
    return d.GetType("user_list_group")->HasItem(name);
}

// What a list's row of the user shows: "name: status", speed, files, the
// groups, the note and whether the note icon is there; empty when the user has
// no row.
// A tool tip as the user reads it.
QString ToolTipText(const QTreeWidgetItem* row, int column)
{
    return QTextDocumentFragment::fromHtml(row->toolTip(column)).toPlainText().replace(QChar::LineSeparator, '\n');
}

QString RowText(const UserListView* list, const QString& user)
{
    const QTreeWidgetItem* row = list->Row(user);
    if (!row)
        return QString();
    return QStringList({ToolTipText(row, UserListView::NameColumn), row->text(UserListView::SpeedColumn),
                        row->text(UserListView::FilesColumn), row->text(UserListView::GroupsColumn),
                        row->text(UserListView::NoteColumn),
                        row->icon(UserListView::NoteColumn).isNull() ? "-" : "note"})
        .join(" | ");
}

QString EntryText(const QString& user, const char* entry)
{
    UserMenu menu(user);
    const QAction* action = menu.findChild<QAction*>(entry);
    return action ? action->text() : QString();
}

void SaveScreenshot(QWidget* window, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + "/../artifacts";
    QDir().mkpath(folder);
    const QString path = QDir(folder).absoluteFilePath(name);
    window->grab().toImage().save(path);
    qInfo("Screenshot: %s", qPrintable(QDir::cleanPath(path)));
}

} // namespace

// Alice's client against a local server on which bob and carol (other
// processes) have accounts; alice has ten days of privileges. The cases run in
// order on the one session.
class UserListTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void addUserTakesTheServersAnswer_data();
    void addUserTakesTheServersAnswer();
    void menuOffersTheOppositeOfTheState_data();
    void menuOffersTheOppositeOfTheState();
    void groupsAndNotes();
    void onlineAlertPostsItsEvent();
    void giftPrivileges();
    void restartKeepsTheList();
    void chatLinesOfferTheSpeakersMenu();

private:
    bool StartWindow();
    UserListForm* Form() const { return window->UserList(); }

    std::unique_ptr<ClientHome> home;
    std::unique_ptr<localserver::LocalServer> server;
    std::unique_ptr<PeerClient> bob;
    std::unique_ptr<PeerClient> carol;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QSignalSpy> answers;
};

bool UserListTest::StartWindow()
{
    window.reset();
    window = StartClient();
    window->resize(1000, 600);
    QApplication::setActiveWindow(window.get());
    answers = std::make_unique<QSignalSpy>(gp_server, &Server::AddUserResponse);
    return QTest::qWaitFor([] { return gp_server->IsConnected(); }, WaitMs);
}

void UserListTest::initTestCase()
{
    home = std::make_unique<ClientHome>();
    localserver::ServerOptions options;
    options.quiet = true;
    options.privileges.insert("alice", 10 * Day);
    options.userUploadSpeed = 5120;
    server = std::make_unique<localserver::LocalServer>(options);
    QVERIFY(server->Listen(QHostAddress::LocalHost));
    bob = std::make_unique<PeerClient>();
    carol = std::make_unique<PeerClient>();
    QVERIFY(bob->Start(server->ServerPort(), "bob"));
    QVERIFY(carol->Start(server->ServerPort(), "carol"));
    SaveLogin(*home, "alice", server->ServerPort(), {{"show_event_buttons", "yes"}});
    QVERIFY(StartWindow());
}

void UserListTest::cleanupTestCase()
{
    window.reset();
    bob.reset();
    carol.reset();
    server.reset();
    home.reset();
}

void UserListTest::addUserTakesTheServersAnswer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asksServer");
    QTest::addColumn<QString>("answer");
    QTest::newRow("spaces") << "   " << false << "User name must not be empty.";
    QTest::newRow("unknown") << "nobody" << true << "User name does not exist.";
    QTest::newRow("known") << " bob " << true << "User added to list.";
    QTest::newRow("listed") << "bob" << false << "User already in list.";
}

void UserListTest::addUserTakesTheServersAnswer()
{
    QFETCH(QString, name);
    QFETCH(bool, asksServer);
    QFETCH(QString, answer);
    AddUserDialog* dialog = Form()->OpenAddUserDialog();
    dialog->NameEdit()->setText(name);
    dialog->Add();
    if (asksServer) {
        QCOMPARE(dialog->Status()->text(), QString("Adding user..."));
        QVERIFY(dialog->NameEdit()->isReadOnly());
    }
    QTRY_COMPARE_WITH_TIMEOUT(dialog->Status()->text(), answer, WaitMs);
    QVERIFY(!dialog->IsWaiting());
    QVERIFY(!dialog->NameEdit()->isReadOnly());
    // The server answers every name it is asked about: none was blank.
    for (const QList<QVariant>& arguments : *answers)
        QVERIFY(!arguments.at(0).toString().trimmed().isEmpty());
    QCOMPARE(User("nobody").IsConnected("in_user_list"), false);
    if (answer == "User added to list.")
        QTRY_COMPARE_WITH_TIMEOUT(RowText(Form()->UserList(), "bob"), QString("bob: Online | 5.0 KiB/s | 0 |  |  | -"),
                                  WaitMs);
}

void UserListTest::menuOffersTheOppositeOfTheState_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("add to list") << QByteArray("user_list") << ""
                                 << "Add user to list"
                                 << "Remove user from list";
    QTest::newRow("remove from list") << QByteArray("user_list") << "in_user_list"
                                      << "Remove user from list"
                                      << "Add user to list";
    QTest::newRow("set alert") << QByteArray("online_alert") << ""
                               << "Alert when user goes online"
                               << "Remove online status alert";
    QTest::newRow("clear alert") << QByteArray("online_alert") << "user_online_alert"
                                 << "Remove online status alert"
                                 << "Alert when user goes online";
    QTest::newRow("ignore") << QByteArray("ignore") << ""
                            << "Ignore chat from user"
                            << "Receive chat from user";
    QTest::newRow("receive") << QByteArray("ignore") << "is_ignored"
                             << "Receive chat from user"
                             << "Ignore chat from user";
    QTest::newRow("unshare") << QByteArray("unshare") << ""
                             << "Unshare files from user"
                             << "Re-share files with user";
    QTest::newRow("reshare") << QByteArray("unshare") << "unshared"
                             << "Re-share files with user"
                             << "Unshare files from user";
    QTest::newRow("add note") << QByteArray("user_note") << ""
                              << "Add user note"
                              << "Edit user note";
    QTest::newRow("empty note") << QByteArray("user_note") << "user_note"
                                << "Edit user note"
                                << "Add user note";
}

void UserListTest::menuOffersTheOppositeOfTheState()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, mark);
    QFETCH(QString, before);
    QFETCH(QString, after);
    const QString name = QString("menu %1").arg(QTest::currentDataTag());
    ItemPtr user = User(name);
    if (mark == "user_note")
        user += d.GetType("user_note")->GetItem("old note");
    else if (!mark.isEmpty())
        user.NewItem(mark.toLatin1().constData());
    QCOMPARE(EntryText(name, entry), before);
    QCOMPARE(!EntryText(name, "user_groups").isEmpty(), user.IsConnected("in_user_list"));

    // The note dialog gets a note, or one of spaces that removes the note.
    ModalDriver driver;
    if (entry == "user_note")
        driver.Then([mark](QWidget* dialog) {
            dialog->findChild<QPlainTextEdit*>("user_note")->setPlainText(mark.isEmpty() ? "  plays jazz  " : " \n ");
            QMetaObject::invokeMethod(dialog, "accept");
        });
    {
        UserMenu menu(name);
        menu.findChild<QAction*>(entry)->trigger();
    }
    QCOMPARE(EntryText(name, entry), after);
    QVERIFY(driver.AllDone());
    if (entry == "user_note")
        QCOMPARE(user["user_note"].AsString(), QString(mark.isEmpty() ? "plays jazz" : ""));

    // Out of the lists again.
    UserListState::RemoveFromList(user);
    UserListState::SetOnlineAlert(user, false);
    UserListState::SetIgnored(user, false);
    user.Disconnect("unshared");
}

void UserListTest::groupsAndNotes()
{
    UserListForm* form = Form();
    UserListView* list = form->UserList();
    for (const char* name : {"carol", "dave"})
        UserListState::AddToList(User(name));

    // A group made in bob's group dialog has bob in it; one of spaces is none.
    {
        UserGroupsDialog dialog(User("bob"));
        QCOMPARE(dialog.windowTitle(), QString("User Groups for [bob]"));
        const int groups = int(g("user_list_group").Size());
        dialog.NewGroupEdit()->setText("   ");
        dialog.AddGroup();
        QCOMPARE(int(g("user_list_group").Size()), groups);
        dialog.NewGroupEdit()->setText("  friends ");
        dialog.AddGroup();
        QCOMPARE(dialog.Groups()->item(0)->text(), QString("friends"));
        QCOMPARE(dialog.Groups()->item(0)->checkState(), Qt::Checked);
    }
    {
        UserGroupsDialog dialog(User("dave"));
        QCOMPARE(dialog.Groups()->item(0)->checkState(), Qt::Unchecked);
        dialog.Groups()->item(0)->setCheckState(Qt::Checked);
    }
    ItemPtr friends = Group("friends");
    QCOMPARE(UserListState::MemberCount(friends), 2);
    QTRY_COMPARE_WITH_TIMEOUT(form->Groups()->count(), 2, WaitMs);
    QCOMPARE(form->Groups()->item(1)->text(), QString("friends (2)"));
    QTRY_COMPARE_WITH_TIMEOUT(RowText(list, "dave"), QString("dave: Offline |  |  | friends |  | -"), WaitMs);

    // Choosing the group shows its members only.
    form->Groups()->setCurrentRow(1);
    QVERIFY(form->SelectedGroup() == friends);
    QTRY_VERIFY_WITH_TIMEOUT(!list->Row("carol"), WaitMs);
    QVERIFY(list->Row("bob") && list->Row("dave"));

    // The group's policy is what the transfer queues read.
    {
        GroupConfigDialog dialog(friends);
        QVERIFY(!transferQueueManager->CanAcceptUserInitiatedUploadsFrom("dave"));
        dialog.AcceptUploadsBox()->setChecked(true);
        QVERIFY(transferQueueManager->CanAcceptUserInitiatedUploadsFrom("dave"));
        dialog.PriorityBox()->setValue(5);
        QCOMPARE(friends["group_download_priority"].AsString(), QString("5"));

        // Deleting asks first; the members stay on the list without the group.
        ModalDriver driver;
        driver.ThenPress(QMessageBox::No);
        dialog.DeleteGroup();
        QVERIFY(Group("friends"));
        driver.ThenPress(QMessageBox::Yes);
        dialog.DeleteGroup();
        QCOMPARE(driver.Titles(), QStringList({"Delete group?", "Delete group?"}));
        QCOMPARE(driver.Texts().value(0), QString("Are you sure you want to delete this user group?"));
    }
    QVERIFY(!Group("friends"));
    QVERIFY(User("bob").IsConnected("in_user_list") && User("dave").IsConnected("in_user_list"));
    QTRY_COMPARE_WITH_TIMEOUT(form->Groups()->count(), 1, WaitMs);
    QVERIFY(!form->SelectedGroup());
    QTRY_VERIFY_WITH_TIMEOUT(list->Row("carol"), WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(RowText(list, "dave"), QString("dave: Offline |  |  |  |  | -"), WaitMs);

    // Taking a user off the list ends the memberships with the entry.
    ItemPtr band = UserListState::GetGroup("band");
    UserListState::SetMember(User("bob"), band, true);
    UserListState::SetMember(User("dave"), band, true);
    UserListState::RemoveFromList(User("dave"));
    QCOMPARE(UserListState::MemberCount(band), 1);
    QCOMPARE(band.GetItems("in_user_list").Size(), std::size_t(1));
    QTRY_VERIFY_WITH_TIMEOUT(!list->Row("dave"), WaitMs);
    UserListState::AddToList(User("dave"));
    QTRY_COMPARE_WITH_TIMEOUT(RowText(list, "dave"), QString("dave: Offline |  |  |  |  | -"), WaitMs);

    // A note shows its icon in every list the user is in.
    {
        UserNoteDialog dialog(User("bob"));
        dialog.NoteEdit()->setPlainText("plays jazz\nin a band ");
        dialog.accept();
    }
    UserListState::SetIgnored(User("bob"), true);
    QTRY_COMPARE_WITH_TIMEOUT(RowText(list, "bob"), QString("bob: Online | 5.0 KiB/s | 0 | band | plays jazz | note"),
                              WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(RowText(form->IgnoredList(), "bob"),
                              QString("bob: Online | 5.0 KiB/s | 0 | band | plays jazz | note"), WaitMs);
    QCOMPARE(ToolTipText(list->Row("bob"), UserListView::NoteColumn), QString("plays jazz\nin a band"));
    // A name that looks like markup is shown as it is.
    UserListState::SetIgnored(User("<b>eve</b>"), true);
    QTRY_COMPARE_WITH_TIMEOUT(RowText(form->IgnoredList(), "<b>eve</b>"),
                              QString("<b>eve</b>: Offline |  |  |  |  | -"), WaitMs);
    UserListState::SetIgnored(User("<b>eve</b>"), false);
    UserListState::SetIgnored(User("bob"), false);
    QTRY_VERIFY_WITH_TIMEOUT(!form->IgnoredList()->Row("bob"), WaitMs);

    // Adding from the menu opens the group dialog when so set.
    SetSetting("open_groups_on_user_add", "yes");
    {
        ModalDriver driver;
        driver.Then([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject"); });
        UserMenu menu("erin");
        menu.findChild<QAction*>("user_list")->trigger();
        QCOMPARE(driver.Titles(), QStringList({"User Groups for [erin]"}));
    }
    SetSetting("open_groups_on_user_add", "no");
    UserListState::RemoveFromList(User("erin"));

    // The user's log is offered while per-user logs are kept.
    QVERIFY(EntryText("bob", "user_log").isEmpty());
    SetSetting("user_level_logging", "yes");
    QCOMPARE(EntryText("bob", "user_log"), QString("See User Log"));
    SetSetting("user_level_logging", "no");
}

void UserListTest::onlineAlertPostsItsEvent()
{
    UserListForm* form = Form();
    window->Tabs()->setCurrentWidget(window->Rooms());
    UserListState::SetOnlineAlert(User("carol"), true);
    QTRY_COMPARE_WITH_TIMEOUT(RowText(form->AlertList(), "carol"), QString("carol: Online | 5.0 KiB/s | 0 |  |  | -"),
                              WaitMs);

    QSignalSpy tray(window->Events(), &EventToolBar::TrayMessage);
    const int buttons = window->Events()->ButtonCount();
    carol.reset();
    QTRY_COMPARE_WITH_TIMEOUT(RowText(form->AlertList(), "carol"), QString("carol: Offline | 5.0 KiB/s | 0 |  |  | -"),
                              WaitMs);
    QVERIFY(tray.isEmpty());
    carol = std::make_unique<PeerClient>();
    QVERIFY(carol->Start(server->ServerPort(), "carol"));
    QTRY_COMPARE_WITH_TIMEOUT(tray.size(), 1, WaitMs);
    QCOMPARE(tray.first(), QList<QVariant>({"carol", "carol is online"}));
    QTRY_COMPARE_WITH_TIMEOUT(RowText(form->AlertList(), "carol"), QString("carol: Online | 5.0 KiB/s | 0 |  |  | -"),
                              WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(RowText(form->UserList(), "carol"), QString("carol: Online | 5.0 KiB/s | 0 |  |  | -"),
                              WaitMs);
    // Its button stays until the user list is looked at.
    QCOMPARE(window->Events()->ButtonCount(), buttons + 1);
    window->Tabs()->setCurrentWidget(form);
    QCOMPARE(window->Events()->ButtonCount(), buttons);
}

void UserListTest::giftPrivileges()
{
    QTRY_COMPARE_WITH_TIMEOUT(GetSetting("privileges_time_left").toLongLong() / Day, 9LL, WaitMs);
    ModalDriver driver;
    int offered = 0;
    driver.Then([&offered](QWidget* dialog) {
        auto* days = dialog->findChild<QSpinBox*>("gift_days");
        offered = days->maximum();
        days->setValue(3);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    {
        UserMenu menu("bob");
        menu.findChild<QAction*>("gift_privileges")->trigger();
    }
    QCOMPARE(driver.Titles(), QStringList({"Gift Privileges"}));
    QCOMPARE(offered, 9);
    QTRY_COMPARE_WITH_TIMEOUT(GetSetting("privileges_time_left").toLongLong() / Day, 6LL, WaitMs);

    // Nothing is given while disconnected.
    gp_server->Disconnect();
    GiftPrivilegesDialog dialog("bob");
    QCOMPARE(dialog.Status()->text(), QString("Must be online to gift privileges."));
    QVERIFY(!dialog.GiftButton()->isEnabled());
    // Nor is anyone added.
    AddUserDialog* adding = Form()->OpenAddUserDialog();
    adding->NameEdit()->setText("erin");
    adding->Add();
    QCOMPARE(adding->Status()->text(), QString("Must be online to add a user to your list."));
    adding->close();
}

void UserListTest::restartKeepsTheList()
{
    UserListState::GetGroup("friends");
    UserListState::SetMember(User("carol"), Group("friends"), true);
    UserListState::SetMember(User("bob"), Group("friends"), true);
    UserListState::SetMember(User("dave"), Group("band"), true);
    UserListState::SetNote(User("dave"), "Met in the jazz room; has the live recordings");
    QVERIFY(StartWindow());

    UserListForm* form = Form();
    window->Tabs()->setCurrentWidget(form);
    UserListView* list = form->UserList();
    QTRY_COMPARE_WITH_TIMEOUT(RowText(list, "bob"),
                              QString("bob: Online | 5.0 KiB/s | 0 | band, friends | plays jazz | note"), WaitMs);
    // Alerted and listed users are watched again, so their presence is known.
    QTRY_COMPARE_WITH_TIMEOUT(RowText(list, "carol"), QString("carol: Online | 5.0 KiB/s | 0 | friends |  | -"),
                              WaitMs);
    QCOMPARE(RowText(list, "dave"),
             QString("dave: Offline |  |  | band | Met in the jazz room; has the live recordings | note"));
    QVERIFY(form->AlertList()->Row("carol"));
    QCOMPARE(form->Groups()->count(), 3);
    SaveScreenshot(window.get(), "userlist.png");
}

void UserListTest::chatLinesOfferTheSpeakersMenu()
{
    ChatView view(false);
    view.resize(400, 300);
    view.AppendHtml("[bob] hello", "bob");
    view.AppendHtml("* a status line");
    view.AppendHtml("[carol] hi", "carol");
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto pointAt
        = [&view](int line) { return view.cursorRect(QTextCursor(view.document()->findBlockByNumber(line))).center(); };
    QCOMPARE(view.SpeakerAt(pointAt(0)), QString("bob"));
    QCOMPARE(view.SpeakerAt(pointAt(1)), QString());
    QCOMPARE(view.SpeakerAt(pointAt(2)), QString("carol"));
    QCOMPARE(view.document()->blockCount(), 3);
}

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == PeerRoleArgument)
        return RunPeerRole(argc, argv);
    QApplication application(argc, argv);
    UserListTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_userlist.moc"
