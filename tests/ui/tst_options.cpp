#include "ClientHome.h"
#include "ModalDriver.h"
#include "PeerClient.h"

#include "LocalServer.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ColourOptionsPage.h"
#include "ui/ExcludedExtensionsDialog.h"
#include "ui/ListeningPortDialog.h"
#include "ui/MainWindow.h"
#include "ui/OptionsForm.h"
#include "ui/PictureLabel.h"
#include "ui/ShareFolderDialog.h"
#include "ui/ShareScanIndicator.h"
#include "ui/SharedFoldersView.h"
#include "ui/SharesForm.h"
#include "ui/SoundOptionsPage.h"
#include "ui/UserInfoOptionsPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

constexpr int WaitMs = 10000;

// Ports on 127.0.0.1 that were free a moment ago.
QList<quint16> FreePorts(int count)
{
    std::vector<std::unique_ptr<QTcpServer>> probes;
    QList<quint16> ports;
    for (int n = 0; n < count; ++n) {
        probes.push_back(std::make_unique<QTcpServer>());
        probes.back()->listen(QHostAddress::LocalHost, 0);
        ports.append(probes.back()->serverPort());
    }
    return ports;
}

bool WriteFile(const QString& path, const QByteArray& bytes = "some bytes")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QAction* Action(MainWindow& window, const char* name)
{
    return window.findChild<QAction*>(name);
}

// A driver step that fills in the share-folder dialog and accepts it.
ModalDriver::Step ShareStep(const QString& path, bool everybody)
{
    return [path, everybody](QWidget* widget) {
        auto* dialog = qobject_cast<ShareFolderDialog*>(widget);
        if (!dialog) {
            widget->close();
            return;
        }
        dialog->PathEdit()->setText(QDir::toNativeSeparators(path));
        dialog->EverybodyBox()->setChecked(everybody);
        dialog->accept();
    };
}

QStringList Rows(const QTreeWidget* list, int column)
{
    QStringList rows;
    for (int index = 0; index < list->topLevelItemCount(); ++index)
        rows.append(list->topLevelItem(index)->text(column));
    return rows;
}

bool Scanned()
{
    return QTest::qWaitFor([] { return !sharedFoldersManager->IsScanning(); }, WaitMs);
}

} // namespace

class OptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void listeningPort_data();
    void listeningPort();
    void firstRunSharesAndOptionsWrite();
    void sharedFolderSearchableByAnotherUser();
};

void OptionsTest::listeningPort_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("pending");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("newPort");
    const QString range = "Port number must be in the range of 1 to 65535.";
    const QString unchanged = "Port number has not been changed.";
    const QString later = "Changes to the listening port will take effect after a client restart.";
    QTest::newRow("zero") << "0"
                          << "3000" << range << "3000";
    QTest::newRow("above 65535") << "65536"
                                 << "" << range << "";
    QTest::newRow("far above") << "99999999999999999999"
                               << "" << range << "";
    QTest::newRow("negative") << "-1"
                              << "" << range << "";
    QTest::newRow("not a number") << "port"
                                  << "" << range << "";
    QTest::newRow("empty") << ""
                           << "" << range << "";
    QTest::newRow("current port") << "2235"
                                  << "" << unchanged << "";
    // The port in use again withdraws the change waiting for a restart.
    QTest::newRow("current port, change pending") << "2235"
                                                  << "3000" << unchanged << "";
    QTest::newRow("highest") << " 65535 "
                             << "" << later << "65535";
    QTest::newRow("lowest") << "1"
                            << "3000" << later << "1";
}

void OptionsTest::listeningPort()
{
    QFETCH(QString, entry);
    QFETCH(QString, pending);
    QFETCH(QString, message);
    QFETCH(QString, newPort);
    ClientHome home;
    DataSaver saver;
    DeclareSettingsSchema();
    SetSetting("listening_port", "2235");
    SetSetting("new_listening_port", pending);

    ListeningPortDialog dialog;
    QCOMPARE(dialog.PortEdit()->text(), QString("2235"));
    ModalDriver driver;
    driver.ThenPress(QMessageBox::Ok);
    dialog.show();
    dialog.PortEdit()->setText(entry);
    dialog.accept();
    QCOMPARE(driver.Texts(), QStringList({message}));
    QCOMPARE(GetSetting("new_listening_port"), newPort);
    // The port in use is the peer network's to change at the next start.
    QCOMPARE(GetSetting("listening_port"), QString("2235"));
    // Only an out-of-range entry keeps the dialog open for a correction.
    QCOMPARE(dialog.isVisible(), message.startsWith("Port number must"));
}

void OptionsTest::firstRunSharesAndOptionsWrite()
{
    ClientHome home;
    const QString folder = home.Path() + "/first share";
    QVERIFY(WriteFile(folder + "/a.txt"));
    ModalDriver driver;
    driver.Then([](QWidget* dialog) {
        // Port mapping stays off, whatever happens later.
        SetSetting("use_upnp", "no");
        QMetaObject::invokeMethod(dialog, "reject");
    });
    driver.ThenPress(QMessageBox::Yes);
    // A folder that is not there is refused and the dialog stays for another.
    QPointer<QWidget> shareDialog;
    driver.Then([&](QWidget* widget) {
        shareDialog = widget;
        qobject_cast<ShareFolderDialog*>(widget)->PathEdit()->setText(home.Path() + "/missing");
        // Queued: the driver meets the box only once this step has returned.
        QMetaObject::invokeMethod(widget, "accept", Qt::QueuedConnection);
    });
    driver.Then([&](QWidget* box) {
        box->close();
        QTimer::singleShot(0, shareDialog, [&] { ShareStep(folder, true)(shareDialog); });
    });
    driver.ThenPress(QMessageBox::Ok);
    auto window = StartClient();
    QVERIFY(driver.AllDone());
    QCOMPARE(
        driver.Titles(),
        QStringList({"Set Username/Password", "Share a folder?", "Share Folder", "Share Folder", "In the future"}));
    QCOMPARE(driver.Texts().value(3), QString("There is no folder %1.").arg(home.Path() + "/missing"));
    const ItemPtr shared = d.GetType("shared_folder")->HasItem(Value(folder));
    QVERIFY(shared);
    QVERIFY(shared.IsConnected("shared_public"));
    QCOMPARE(shared.GetItem("shared_folder_id").AsString(), QString("[0]first share"));
    QVERIFY(Scanned());
    QVERIFY(sharedFoldersManager->GetSharedFileItem(folder + "/a.txt"));
    OptionsForm* options = window->Options();
    QCOMPARE(Rows(options->SharedFolders()->List(), 1), QStringList({"Everybody"}));
    QCOMPARE(options->SharedFolders()->Totals()->text(), QString("1 files in 1 folders"));

    // Colours: stored as #rrggbb, palette colours applied at once.
    const QPalette original = QApplication::palette();
    ColourOptionsPage* colours = options->Colours();
    QCOMPARE(colours->Settings().size(), 14);
    colours->SetColour("color_window_background", QColor(0x12, 0x34, 0xAB));
    QCOMPARE(GetSetting("color_window_background"), QString("#1234ab"));
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor("#1234ab"));
    colours->SetColour("color_chat_username", QColor(Qt::red));
    QCOMPARE(GetSetting("color_chat_username"), QString("#ff0000"));
    QVERIFY(colours->Sample("color_chat_username")->styleSheet().contains("color: #ff0000"));
    QCOMPARE(colours->ChooseButton("color_transfer_failed")->text(), QString("#ff0a47"));

    // Excluded extensions: trimmed, empty ignored, removable.
    {
        ExcludedExtensionsDialog dialog;
        QCOMPARE(dialog.List()->count(), 1); // the first run's ".ini"
        dialog.Entry()->setText("  .nfo ");
        QVERIFY(dialog.AddEntered());
        dialog.Entry()->setText("   ");
        QVERIFY(!dialog.AddEntered());
        QVERIFY(d.GetType("excluded_download_extension")->HasItem(Value(".nfo")));
        QCOMPARE(dialog.List()->count(), 2);
        dialog.List()->findItems(".ini", Qt::MatchExactly).first()->setSelected(true);
        dialog.RemoveSelected();
        QCOMPARE(g("excluded_download_extension").Size(), std::size_t(1));
    }

    // User info: the picture is previewed off the event loop; both are stored.
    UserInfoOptionsPage* info = options->UserInfo();
    const QString picture = home.Path() + "/me.png";
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(picture));
    info->SetPictureFile(picture);
    QCOMPARE(GetSetting("user_picture_file"), picture);
    QTRY_VERIFY_WITH_TIMEOUT(!info->IsReading(), WaitMs);
    QCOMPARE(info->Preview()->pixmap(Qt::ReturnByValue).size(), QSize(160, 80));
    const QString notPicture = home.Path() + "/notes.png";
    QVERIFY(WriteFile(notPicture, "not an image"));
    info->SetPictureFile(notPicture);
    QTRY_VERIFY_WITH_TIMEOUT(!info->IsReading(), WaitMs);
    QVERIFY(info->Preview()->text().contains("not in a format"));
    info->findChild<QPushButton*>("clear_picture")->click();
    QVERIFY(GetSetting("user_picture_file").isEmpty());
    QTest::keyClicks(info->Description(), "Hi");
    QCOMPARE(GetSetting("user_description"), QString("Hi"));

    // Sounds: None leaves the kind to the default sound.
    SoundOptionsPage::SetSoundFile("download", "/tmp/tone.wav");
    options->Sounds()->LoadSettings();
    options->Sounds()->findChild<QPushButton*>("none_download")->click();
    QVERIFY(options->Sounds()->FileEdit("download")->text().isEmpty());
    QVERIFY(!d.GetType("event_sound")->HasItem(Value("download")).IsConnected("event_sound_file"));

    // The download folder shows whoever sets it.
    SetSetting("download_folder", home.Path() + "/incoming");
    QCOMPARE(options->DownloadFolderLabel()->text(), QDir::toNativeSeparators(home.Path() + "/incoming"));

    // Tool actions that take the typed user name.
    Action(*window, "add_user")->trigger();
    QVERIFY(window->statusBar()->currentMessage().startsWith("Type the user name"));
    window->UserNameEntry()->setText(" carol ");
    Action(*window, "add_user")->trigger();
    QVERIFY(d.GetType("user")->HasItem(Value("carol")).IsConnected("in_user_list"));
    const ItemPtr entry = d.GetType("user")->HasItem(Value("carol")).GetItem("in_user_list");
    Action(*window, "add_user")->trigger();
    QCOMPARE(d.GetType("user")->HasItem(Value("carol")).GetItem("in_user_list"), entry);
    QCOMPARE(window->statusBar()->currentMessage(), QString("carol is already in your user list."));
    Action(*window, "browse_user")->trigger();
    QCOMPARE(window->Tabs()->currentWidget(), static_cast<QWidget*>(window->Shares()));
    QVERIFY(window->Shares()->FindShareBrowse("carol"));

    // A login on its way counts as online for changing the user name.
    QTcpServer silentServer;
    QVERIFY(silentServer.listen(QHostAddress::LocalHost, 0));
    SetSetting("username", "alice");
    SetSetting("password", "secret");
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", QString::number(silentServer.serverPort()));
    gp_server->Connect();
    QCOMPARE(gp_server->GetState(), int(Server::StateConnecting));
    driver.ThenPress(QMessageBox::Ok);
    Action(*window, "set_user_pass")->trigger();
    QCOMPARE(driver.Titles().last(), QString("Cannot change username while online"));

    window.reset();
    const QMap<QString, QString> saved = ReadSavedSettings(home.ConfigurationPath());
    QCOMPARE(saved.value("color_window_background"), QString("#1234ab"));
    QCOMPARE(saved.value("user_description"), QString("Hi"));
    // The next client takes its default colours from the palette.
    QApplication::setPalette(original);
}

void OptionsTest::sharedFolderSearchableByAnotherUser()
{
    ClientHome home;
    auto server = StartLocalServer();
    QVERIFY(server);
    const QList<quint16> ports = FreePorts(4);
    SaveLogin(
        home, "alice", server->ServerPort(),
        {{"listening_port", QString::number(ports[0])}, {"obfuscated_listening_port", QString::number(ports[1])}});
    auto window = StartClient();
    window->resize(1000, 680);
    QVERIFY(QTest::qWaitFor([] { return gp_server->IsConnected(); }, WaitMs));
    QVERIFY(Scanned());

    // The user name cannot change while connected.
    ModalDriver driver;
    driver.ThenPress(QMessageBox::Ok);
    Action(*window, "set_user_pass")->trigger();
    QCOMPARE(driver.Titles(), QStringList({"Cannot change username while online"}));
    QCOMPARE(driver.Texts(),
             QStringList({"You must be disconnected from the Quillmer server to change your username."}));

    const QString music = home.Path() + "/Music";
    const QString hidden = home.Path() + "/Private";
    const QString tune = music + "/zebraquill tune.mp3";
    QVERIFY(WriteFile(tune));
    QVERIFY(WriteFile(music + "/old.txt"));
    QVERIFY(WriteFile(hidden + "/zebraquill diary.txt"));
    d.GetType("user_list_group")->GetItem(Value("friends"));

    QSignalSpy scanning(sharedFoldersManager, &SharedFoldersManager::ScanningChanged);
    driver.Then(ShareStep(music, true));
    Action(*window, "share_folder")->trigger();
    // Every box cleared: shared with nobody, but indexed all the same.
    driver.Then(ShareStep(hidden, false));
    Action(*window, "share_folder")->trigger();
    QVERIFY(driver.AllDone());
    QVERIFY(Scanned());
    QCOMPARE(scanning.first().value(0).toBool(), true);
    QCOMPARE(scanning.last().value(0).toBool(), false);
    const ItemPtr hiddenFolder = d.GetType("shared_folder")->HasItem(Value(hidden));
    QVERIFY(hiddenFolder);
    QVERIFY(!hiddenFolder.IsConnected("shared_public") && !hiddenFolder.IsConnected("shared_userlist"));
    QVERIFY(hiddenFolder.GetItems("user_list_group").Empty());
    QVERIFY(sharedFoldersManager->GetSharedFileItem(hidden + "/zebraquill diary.txt"));
    QVERIFY(!SharedFoldersManager::GetUserSharedFolders("bob").Contains(hiddenFolder));
    SharedFoldersView* view = window->Options()->SharedFolders();
    QTRY_COMPARE_WITH_TIMEOUT(Rows(view->List(), 0), QStringList({music, hidden}), WaitMs);
    QCOMPARE(Rows(view->List(), 1), QStringList({"Everybody", "Nobody (indexed only)"}));

    // Another user finds what is shared with everybody.
    PeerClient bob;
    QVERIFY(bob.Start(
        server->ServerPort(), "bob",
        {"listening_port=" + QString::number(ports[2]), "obfuscated_listening_port=" + QString::number(ports[3])}));
    bob.Command({"search", "zebraquill"});
    QVERIFY(bob.WaitFor({"RESULT", "alice", QString(tune).replace('/', '\\')}));

    // Set Folder Permissions: the group's members may see the private folder.
    view->SelectFolder(hidden);
    driver.Then([](QWidget* widget) {
        auto* dialog = qobject_cast<ShareFolderDialog*>(widget);
        dialog->GroupBox("friends")->setChecked(true);
        dialog->accept();
    });
    view->findChild<QPushButton*>("set_folder_permissions")->click();
    QVERIFY(driver.AllDone());
    QVERIFY(hiddenFolder.IsConnected(d.GetType("user_list_group")->HasItem(Value("friends"))));
    QTRY_COMPARE_WITH_TIMEOUT(Rows(view->List(), 1), QStringList({"Everybody", "Group friends"}), WaitMs);

    window->Tabs()->setCurrentWidget(window->Options());
    window->Options()->ShowPage(view);
    QTest::qWait(50);
    const QString artifacts = QCoreApplication::applicationDirPath() + "/../artifacts";
    QVERIFY(QDir().mkpath(artifacts));
    QVERIFY(window->grab().save(artifacts + "/options.png"));

    // Rescan after adding two files and deleting one: the counts are told.
    QVERIFY(WriteFile(music + "/new one.txt"));
    QVERIFY(WriteFile(music + "/sub/new two.txt"));
    QVERIFY(QFile::remove(music + "/old.txt"));
    Action(*window, "rescan_shares")->trigger();
    QVERIFY(window->ScanIndicator()->isVisibleTo(window.get()));
    QTRY_VERIFY_WITH_TIMEOUT(window->RescannedBox(), WaitMs);
    QCOMPARE(window->RescannedBox()->windowTitle(), QString("Shared Files Rescanned"));
    QCOMPARE(window->RescannedBox()->text(), QString("2 files added.\n1 files removed."));
    QVERIFY(!window->ScanIndicator()->isVisibleTo(window.get()));

    // Unshare: the folder and its index go; without a selection, the list is shown.
    window->Tabs()->setCurrentIndex(0);
    view->List()->clearSelection();
    Action(*window, "unshare_folder")->trigger();
    QCOMPARE(window->Tabs()->currentWidget(), static_cast<QWidget*>(window->Options()));
    QVERIFY(g("shared_folder").Size() == 2);
    view->SelectFolder(hidden);
    Action(*window, "unshare_folder")->trigger();
    QVERIFY(!d.GetType("shared_folder")->HasItem(Value(hidden)));
    QVERIFY(!sharedFoldersManager->GetSharedFileItem(hidden + "/zebraquill diary.txt"));
    QVERIFY(sharedFoldersManager->GetSharedFileItem(tune));
    QTRY_COMPARE_WITH_TIMEOUT(Rows(view->List(), 0), QStringList({music}), WaitMs);
}

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == PeerRoleArgument)
        return RunPeerRole(argc, argv);
    QApplication application(argc, argv);
    OptionsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_options.moc"
