#include "ClientHome.h"
#include "ModalDriver.h"

#include "app/ClientCore.h"
#include "app/DelayedInvoker.h"
#include "app/Log.h"
#include "app/ProgramVersion.h"
#include "app/Settings.h"
#include "app/TimerManager.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ApplicationStyle.h"
#include "ui/AreaLogTabs.h"
#include "ui/ChatIcons.h"
#include "ui/ChatsForm.h"
#include "ui/DiagnosticsForm.h"
#include "ui/EventToolBar.h"
#include "ui/MainWindow.h"
#include "ui/OptionsForm.h"
#include "ui/RoomsForm.h"
#include "ui/SearchForm.h"
#include "ui/SizeManager.h"
#include "ui/SoundOptionsPage.h"
#include "ui/TransfersForm.h"
#include "ui/UserListForm.h"
#include "wire/ExtendedAsciiTranslator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolBar>
#include <QtTest>

#include <memory>

namespace {

// The main window's tabs in their order.
QStringList MainTabs()
{
    return {"Rooms", "Private Chats", "Search", "Transfers", "Browse", "User List", "Options"};
}

// Stands in for the network's server: it takes connections and says nothing,
// so a client that logs in stays connecting.
QTcpServer& SilentServer()
{
    static QTcpServer server;
    if (!server.isListening())
        server.listen(QHostAddress::LocalHost, 0);
    return server;
}

void PointAtSilentServer(QMap<QString, QString>& settings)
{
    settings.insert("server_host", "127.0.0.1");
    settings.insert("server_port", QString::number(SilentServer().serverPort()));
}

// Port mapping stays off: it would look for a router on the machine's networks.
QMap<QString, QString> KnownUser()
{
    QMap<QString, QString> settings = {{"username", "alice"}, {"password", "secret"}, {"use_upnp", "no"}};
    PointAtSilentServer(settings);
    return settings;
}

int AcceptedConnections()
{
    int count = 0;
    while (QTcpSocket* connection = SilentServer().nextPendingConnection()) {
        ++count;
        connection->deleteLater();
    }
    return count;
}

// The user cancels the name dialog, does not share and reads the note.
void DeclineFirstRunDialogue(ModalDriver& driver)
{
    driver.Then([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject"); });
    driver.ThenPress(QMessageBox::No);
    driver.ThenPress(QMessageBox::Ok);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void firstStartRunsDialogueAndSaves();
    void firstStartWithoutNameDoesNotAskAgainWhenNameGiven();
    void damagedConfigurationIsReportedAndKept();
    void storedMinimizeToTrayOverridesDefault();
    void optionsWriteTheirSettings();
    void listeningFailureIsShown();
    void diagnosticsTabFollowsSetting();
    void windowSizeIsRememberedAcrossRestart();
    void menusToolBarsAndFirstTab();
    void connectWithoutNameAsksForOne();
    void eventAlerts();
    void periodicWorkAndShutDown();
    void screenshot();
};

void MainWindowTest::firstStartRunsDialogueAndSaves()
{
    ClientHome home;
    AcceptedConnections();
    ModalDriver driver;
    QString offeredHost;
    QString offeredPort;
    driver.Then([&](QWidget* dialog) {
        // The server's address is offered with the defaults, for a private network to change.
        auto* host = dialog->findChild<QLineEdit*>("server_host");
        auto* port = dialog->findChild<QLineEdit*>("server_port");
        offeredHost = host->text();
        offeredPort = port->text();
        host->setText("127.0.0.1");
        port->setText(QString::number(SilentServer().serverPort()));
        dialog->findChild<QLineEdit*>("username")->setText("alice");
        dialog->findChild<QLineEdit*>("password")->setText("secret");
        // Loading has turned port mapping on; off, the login looks for no router.
        SetSetting("use_upnp", "no");
        QMetaObject::invokeMethod(dialog, "accept");
    });
    driver.ThenPress(QMessageBox::No);
    driver.ThenPress(QMessageBox::Ok);

    auto window = StartClient();
    QVERIFY(driver.AllDone());
    QCOMPARE(driver.Titles(), QStringList({"Set Username/Password", "Share a folder?", "In the future"}));
    QCOMPARE(window->windowTitle(), WindowTitleForVersion(ProgramVersion));
    QCOMPARE(WindowTitleForVersion(20121216), QString("QuillmerQt build 12/16/2012"));
    QCOMPARE(WindowTitleForVersion(20260307), QString("QuillmerQt build 3/7/2026"));
    QCOMPARE(GetSetting("username"), QString("alice"));
    QCOMPARE(offeredHost, QString(Server::DefaultHost));
    QCOMPARE(offeredPort, QString("2242"));
    // The options show what the dialogue stored.
    QCOMPARE(window->Options()->ServerHostEdit()->text(), QString("127.0.0.1"));
    QVERIFY(!QFile::exists(home.ConfigurationPath()));
    // A name was entered, so the session connects.
    QVERIFY(SilentServer().waitForNewConnection(10000));
    QCOMPARE(AcceptedConnections(), 1);

    window.reset();
    const QMap<QString, QString> saved = ReadSavedSettings(home.ConfigurationPath());
    QCOMPARE(saved.value("username"), QString("alice"));
    QCOMPARE(saved.value("password"), QString("secret"));
    QCOMPARE(saved.value("data_version"), QString("1"));
    QCOMPARE(saved.value("minimize_to_tray"), QString("yes"));
    QCOMPARE(saved.value("first_open_tab"), QString("rooms"));
    QCOMPARE(saved.value("color_transfer_failed"), QString("#ff0a47"));
    const QPalette palette = QApplication::palette();
    QCOMPARE(saved.value("color_input_background"), palette.color(QPalette::Base).name());
    QVERIFY(QRegularExpression("^#[0-9a-f]{6}$").match(saved.value("color_window_text")).hasMatch());
}

void MainWindowTest::firstStartWithoutNameDoesNotAskAgainWhenNameGiven()
{
    ClientHome home;
    AcceptedConnections();
    {
        // The user cancels the name dialog: no name is stored...
        ModalDriver driver;
        DeclineFirstRunDialogue(driver);
        auto window = StartClient();
        QVERIFY(driver.AllDone());
        QVERIFY(GetSetting("username").isEmpty());
        // Without a name there is nobody to log in as.
        QTest::qWait(100);
        QCOMPARE(AcceptedConnections(), 0);
    }
    QVERIFY(ReadSavedSettings(home.ConfigurationPath()).value("username").isEmpty());
    {
        // ...so the next start asks again.
        ModalDriver driver;
        DeclineFirstRunDialogue(driver);
        auto window = StartClient();
        QCOMPARE(driver.Titles().value(0), QString("Set Username/Password"));
    }
    WriteSavedSettings(home.ConfigurationPath(), KnownUser());
    {
        // With a name nothing is asked at all.
        ModalDriver driver;
        driver.ThenPress(QMessageBox::Ok);
        auto window = StartClient();
        QVERIFY(driver.Titles().isEmpty());
        QCOMPARE(GetSetting("username"), QString("alice"));
    }
}

void MainWindowTest::damagedConfigurationIsReportedAndKept()
{
    ClientHome home;
    WriteSavedSettings(home.ConfigurationPath(), KnownUser());
    QByteArray damaged = ReadFile(home.ConfigurationPath());
    damaged.chop(5);
    {
        QFile file(home.ConfigurationPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damaged);
    }

    ModalDriver driver;
    driver.ThenPress(QMessageBox::Ok);
    // The emptied store knows no user name: the first-run dialogue follows.
    DeclineFirstRunDialogue(driver);
    auto window = StartClient();
    QVERIFY(driver.AllDone());
    QCOMPARE(driver.Titles().value(0), QString("Error loading configuration data"));
    QVERIFY(driver.Texts().value(0).startsWith(
        "Your client configuration data could not be loaded. Starting from scratch..."));

    const QStringList kept = QDir(home.Path()).entryList({".Quillmer.damaged-*"}, QDir::Files | QDir::Hidden);
    QCOMPARE(kept.size(), 1);
    QVERIFY(driver.Texts().value(0).contains(kept.first()));
    QCOMPARE(ReadFile(home.Path() + "/" + kept.first()), damaged);

    // Defaults went with the failed load; data_version is written after it.
    QVERIFY(!IsSettingOn("minimize_to_tray"));
    QCOMPARE(GetSetting("data_version"), QString("1"));

    window.reset();
    const QMap<QString, QString> saved = ReadSavedSettings(home.ConfigurationPath());
    QCOMPARE(saved.value("data_version"), QString("1"));
    QCOMPARE(ReadFile(home.Path() + "/" + kept.first()), damaged);
}

void MainWindowTest::storedMinimizeToTrayOverridesDefault()
{
    ClientHome home;
    WriteSavedSettings(home.ConfigurationPath(), KnownUser());
    {
        // A file without the setting leaves the default on.
        auto window = StartClient();
        QVERIFY(IsSettingOn("minimize_to_tray"));
        QCheckBox* box = window->Options()->CheckBox("minimize_to_tray");
        QVERIFY(box->isChecked());
        box->setChecked(false);
        QCOMPARE(GetSetting("minimize_to_tray"), QString("no"));
    }
    QCOMPARE(ReadSavedSettings(home.ConfigurationPath()).value("minimize_to_tray"), QString("no"));
    {
        auto window = StartClient();
        QVERIFY(!IsSettingOn("minimize_to_tray"));
        QVERIFY(!window->Options()->CheckBox("minimize_to_tray")->isChecked());
        // Closing now quits rather than hiding.
        QSignalSpy quit(window.get(), &MainWindow::QuitRequested);
        window->close();
        QCOMPARE(quit.count(), 1);
    }
    {
        // Any value but "yes" means off.
        QMap<QString, QString> settings = KnownUser();
        settings.insert("minimize_to_tray", "maybe");
        WriteSavedSettings(home.ConfigurationPath(), settings);
        auto window = StartClient();
        QVERIFY(!window->Options()->CheckBox("minimize_to_tray")->isChecked());
    }
}

void MainWindowTest::optionsWriteTheirSettings()
{
    ClientHome home;
    WriteSavedSettings(home.ConfigurationPath(), KnownUser());
    auto window = StartClient();
    OptionsForm* options = window->Options();
    QVERIFY(TabTitles(window->Tabs()).contains("Options"));

    // Switching port mapping on looks for a router at once, which a test may
    // do only where the machine's networks are out of reach.
    QCheckBox* upnp = options->CheckBox("use_upnp");
    QVERIFY(!upnp->isChecked());
    QCheckBox* oldStyle = options->CheckBox("use_old_style_search_results");
    oldStyle->setChecked(true);
    QCOMPARE(GetSetting("use_old_style_search_results"), QString("yes"));
    oldStyle->setChecked(false);
    QCOMPARE(GetSetting("use_old_style_search_results"), QString("no"));

    options->MaxQueuedUploadsBox()->setValue(55);
    QCOMPARE(GetSetting("max_queued_uploads_per_user"), QString("55"));

    QComboBox* timestamps = options->ChatTimestampsChooser();
    QCOMPARE(timestamps->currentIndex(), 0);
    emit timestamps->activated(2);
    QCOMPARE(GetSetting("chat_timestamps"), QString("per_message_long"));
    emit timestamps->activated(3);
    QCOMPARE(GetSetting("chat_timestamps"), QString("no_timestamps"));
    QComboBox* firstTab = options->FirstOpenTabChooser();
    QCOMPARE(firstTab->currentIndex(), 1);
    emit firstTab->activated(3);
    QCOMPARE(GetSetting("first_open_tab"), QString("users"));

    QComboBox* codePages = options->CodePageChooser();
    QCOMPARE(codePages->itemText(0), QString("[None]"));
    QCOMPARE(codePages->count(), QTextCodec::availableCodecs().size() + 1);
    const int cp1251 = codePages->findText("windows-1251");
    QVERIFY(cp1251 > 0);
    emit codePages->activated(cp1251);
    QCOMPARE(GetSetting("extended_ascii_codepage"), QString("windows-1251"));
    emit codePages->activated(0);
    QVERIFY(GetSetting("extended_ascii_codepage").isEmpty());

    // Stored as typed, without Enter or leaving the field.
    options->ServerHostEdit()->clear();
    QTest::keyClicks(options->ServerHostEdit(), "  127.0.0.1 ");
    QCOMPARE(GetSetting("server_host"), QString("127.0.0.1"));
    options->ServerPortEdit()->clear();
    QTest::keyClicks(options->ServerPortEdit(), "2242");
    QCOMPARE(GetSetting("server_port"), QString("2242"));
    QTest::keyClick(options->ServerPortEdit(), Qt::Key_Backspace);
    QCOMPARE(GetSetting("server_port"), QString("224"));
    QTest::keyClicks(options->ServerPortEdit(), "2");

    // The label follows the obfuscated port whoever writes it: the peer
    // network's default at start, then another.
    QVERIFY(!options->ObfuscatedPortLabel()->isHidden());
    QVERIFY(options->ObfuscatedPortLabel()->text().startsWith("Obfuscated port is 2236,"));
    SetSetting("obfuscated_listening_port", "2240");
    QVERIFY(options->ObfuscatedPortLabel()->text().startsWith("Obfuscated port is 2240,"));

    window.reset();
    const QMap<QString, QString> saved = ReadSavedSettings(home.ConfigurationPath());
    QCOMPARE(saved.value("use_old_style_search_results"), QString("no"));
    QCOMPARE(saved.value("max_queued_uploads_per_user"), QString("55"));
    QCOMPARE(saved.value("first_open_tab"), QString("users"));
    {
        // Stored words select their entries at the next start.
        auto restarted = StartClient();
        QCOMPARE(restarted->Options()->ChatTimestampsChooser()->currentIndex(), 3);
        QCOMPARE(restarted->Options()->FirstOpenTabChooser()->currentIndex(), 3);
        QCOMPARE(restarted->Options()->MaxQueuedUploadsBox()->value(), 55);
        QCOMPARE(restarted->Options()->ServerHostEdit()->text(), QString("127.0.0.1"));
    }
}

void MainWindowTest::listeningFailureIsShown()
{
    QTcpServer occupant;
    QVERIFY(occupant.listen(QHostAddress::AnyIPv4, 0));
    ClientHome home;
    QMap<QString, QString> settings = KnownUser();
    settings.insert("listening_port", QString::number(occupant.serverPort()));
    WriteSavedSettings(home.ConfigurationPath(), settings);
    auto window = StartClient();
    // Told where the user looks first, and where the port is chosen.
    QVERIFY(!window->ListeningWarning()->isHidden());
    // The obfuscated port (the next one) may be taken as well: each failed port is named.
    QVERIFY(window->ListeningWarning()->text().startsWith("Not listening on port"));
    QVERIFY(window->ListeningWarning()->text().contains(QString::number(occupant.serverPort())));
    QVERIFY(window->Options()->ListeningPortLabel()->text().contains("Not listening"));
}

void MainWindowTest::diagnosticsTabFollowsSetting()
{
    ClientHome home;
    WriteSavedSettings(home.ConfigurationPath(), KnownUser());
    {
        auto window = StartClient();
        QCOMPARE(TabTitles(window->Tabs()), MainTabs());
        QCheckBox* box = window->Options()->CheckBox("show_diagnostics");
        box->setChecked(true);
        QCOMPARE(TabTitles(window->Tabs()), MainTabs() << "Diagnostics");
        Log("Wish List", 3, "searching again", ItemPtr());
        QPlainTextEdit* view = window->Diagnostics()->AreaTabs()->AreaView("Wish List");
        QVERIFY(view);
        QVERIFY(view->toPlainText().contains("]       searching again"));
        box->setChecked(false);
        QCOMPARE(TabTitles(window->Tabs()), MainTabs());
        box->setChecked(true);
    }
    {
        auto window = StartClient();
        QCOMPARE(TabTitles(window->Tabs()), MainTabs() << "Diagnostics");
        // The load of this start was logged into its area tab.
        QPlainTextEdit* view = window->Diagnostics()->AreaTabs()->AreaView("Configuration Data");
        QVERIFY(view);
        QVERIFY(view->toPlainText().contains("Data loaded successfully."));
    }
}

void MainWindowTest::windowSizeIsRememberedAcrossRestart()
{
    ClientHome home;
    WriteSavedSettings(home.ConfigurationPath(), KnownUser());
    QSize defaultSize;
    QPoint position;
    {
        auto window = StartClient();
        defaultSize = window->size();
        QVERIFY(defaultSize != QSize(800, 600));
        window->resize(800, 600);
        window->move(130, 70);
        QCOMPARE(window->size(), QSize(800, 600));
        position = window->geometry().topLeft();
    }
    {
        auto window = StartClient();
        QCOMPARE(window->size(), QSize(800, 600));
        // The window comes back exactly where it was, start after start.
        QCOMPARE(window->geometry().topLeft(), position);
        window->setGeometry(QRect(QPoint(140, 80), window->size()));
    }
    {
        auto window = StartClient();
        QCOMPARE(window->geometry().topLeft(), QPoint(140, 80));
        // A maximised window's size is not remembered.
        window->showMaximized();
        QTest::qWait(50);
    }
    {
        auto window = StartClient();
        QCOMPARE(window->size(), QSize(800, 600));
    }
}

void MainWindowTest::menusToolBarsAndFirstTab()
{
    ClientHome home;
    QMap<QString, QString> settings = KnownUser();
    settings.insert("first_open_tab", "transfers");
    WriteSavedSettings(home.ConfigurationPath(), settings);
    auto window = StartClient();
    QCOMPARE(window->Tabs()->currentWidget(), static_cast<QWidget*>(window->Transfers()));
    QCOMPARE(window->TabForWord("rooms"), static_cast<QWidget*>(window->Rooms()));
    QCOMPARE(window->TabForWord("users"), static_cast<QWidget*>(window->UserList()));
    QCOMPARE(window->TabForWord("search"), static_cast<QWidget*>(window->Search()));

    QStringList menus;
    for (QAction* menu : window->menuBar()->actions())
        menus.append(menu->text());
    QCOMPARE(menus, QStringList({"&File", "&View", "&Rooms", "&Help"}));
    QAction* quit = window->findChild<QAction*>("quit");
    QCOMPARE(quit->shortcut(), QKeySequence(QKeySequence::Quit));
    QSignalSpy quitRequests(window.get(), &MainWindow::QuitRequested);
    quit->trigger();
    QCOMPARE(quitRequests.count(), 1);
    // No menu offers to hide the tool bars.
    QVERIFY(!window->createPopupMenu());
    for (QToolBar* bar : window->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY(!bar->toggleViewAction()->isVisible());
    // Who is logged in shows in the status bar; the title stays the program's.
    QCOMPARE(window->findChild<QLabel*>("identity")->text(), QString("alice (offline)"));
    QCOMPARE(window->windowTitle(), WindowTitleForVersion(ProgramVersion));
}

void MainWindowTest::connectWithoutNameAsksForOne()
{
    ClientHome home;
    AcceptedConnections();
    ModalDriver driver;
    DeclineFirstRunDialogue(driver);
    auto window = StartClient();
    SetSetting("use_upnp", "no");
    QTest::qWait(50);
    AcceptedConnections();
    // Connect without a name asks for one, then logs in with it.
    driver.Then([](QWidget* dialog) {
        dialog->findChild<QLineEdit*>("username")->setText("alice");
        dialog->findChild<QLineEdit*>("password")->setText("secret");
        dialog->findChild<QLineEdit*>("server_host")->setText("127.0.0.1");
        dialog->findChild<QLineEdit*>("server_port")->setText(QString::number(SilentServer().serverPort()));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    window->findChild<QAction*>("connect_disconnect")->trigger();
    QVERIFY(driver.AllDone());
    QCOMPARE(driver.Titles().value(3), QString("Set Username/Password"));
    QCOMPARE(gp_server->GetState(), int(Server::StateConnecting));
    QVERIFY(SilentServer().waitForNewConnection(10000));
    QCOMPARE(AcceptedConnections(), 1);
}

void MainWindowTest::eventAlerts()
{
    ClientHome home;
    QMap<QString, QString> settings = KnownUser();
    settings.insert("show_event_buttons", "yes");
    WriteSavedSettings(home.ConfigurationPath(), settings);
    auto window = StartClient();
    EventToolBar* events = window->Events();
    QSignalSpy sounds(events, &EventToolBar::SoundPlayed);
    QSignalSpy icons(events, &EventToolBar::ApplicationIconChanged);

    // A tone for the default sound and none of the kind's own.
    const QString tone = home.Path() + "/tone.wav";
    {
        QFile file(tone);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray samples(8000, char(0x80));
        QDataStream out(&file);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData("RIFF", 4);
        out << quint32(36 + samples.size());
        out.writeRawData("WAVEfmt ", 8);
        out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(8000) << quint16(1) << quint16(8);
        out.writeRawData("data", 4);
        out << quint32(samples.size());
        out.writeRawData(samples.constData(), samples.size());
    }
    QVERIFY(EventToolBar::SoundFileFor("download").isEmpty());
    QTest::keyClicks(window->Options()->Sounds()->FileEdit("default"), tone);
    QCOMPARE(EventToolBar::SoundFileFor("download"), tone);
    QVERIFY(EventToolBar::SoundFileFor("").isEmpty());

    // In the background: the icon blinks, the sound plays, a button waits.
    QApplication::setActiveWindow(nullptr);
    QWidget* page = window->Chats();
    const QIcon eventIcon = ChatIcon();
    events->AddEvent("Finished", eventIcon, page, "a download finished", "download", false);
    QCOMPARE(sounds.count(), 1);
    QCOMPARE(events->ButtonCount(), 1);
    QVERIFY(events->IsAlerting());
    events->OnIconAlertTimeout();
    events->OnIconAlertTimeout();
    // The event's icon, then the normal one for a tick.
    QCOMPARE(icons.count(), 2);
    QCOMPARE(icons.at(0).at(0).value<QIcon>().cacheKey(), eventIcon.cacheKey());
    QVERIFY(icons.at(1).at(0).value<QIcon>().cacheKey() != eventIcon.cacheKey());
    // Coming back stops the blinking and shows the state's icon.
    events->OnApplicationFocusChanged();
    QVERIFY(!events->IsAlerting());

    // The button brings the widget to the front and goes.
    QAction* button = events->actions().last();
    QCOMPARE(button->text(), QString("Finished"));
    button->trigger();
    QCOMPARE(window->Tabs()->currentWidget(), page);
    QCOMPARE(events->ButtonCount(), 0);

    // The sounds are kept with the settings.
    window.reset();
    window = StartClient();
    QCOMPARE(window->Options()->Sounds()->FileEdit("default")->text(), tone);
    QCOMPARE(EventToolBar::SoundFileFor("private_chat"), tone);
}

void MainWindowTest::periodicWorkAndShutDown()
{
    ClientHome home;
    WriteSavedSettings(home.ConfigurationPath(), KnownUser());
    auto window = StartClient();
    SetSetting("user_description", "hello");
    QVERIFY(!ReadFile(home.ConfigurationPath()).contains("hello"));
    // The store is in use: look for the value's bytes rather than load the file.
    window->Core()->EveryHour();
    QVERIFY(ReadFile(home.ConfigurationPath()).contains("hello"));
    // A failed save is told to the user, not only logged.
    emit window->Core()->SaveFailed("No space left on device");
    QVERIFY(window->statusBar()->currentMessage().contains("No space left on device"));

    // Closing while the next save is due: the shut-down saves.
    SetSetting("user_description", "changed since the last save");
    QSignalSpy quit(window.get(), &MainWindow::QuitRequested);
    window->close();
    QCOMPARE(quit.count(), 1);
    window.reset();
    QVERIFY(!timerManager && !dataSaver && !gp_server && !delayedInvoker && !sizeManager && !extendedAsciiTranslator);
    QVERIFY(!mainWindow);
    QCOMPARE(ReadSavedSettings(home.ConfigurationPath()).value("user_description"),
             QString("changed since the last save"));
}

void MainWindowTest::screenshot()
{
    ClientHome home;
    QMap<QString, QString> settings = {{"username", "alice"},
                                       {"password", "secret"},
                                       {"show_diagnostics", "yes"},
                                       {"listening_port", "2235"},
                                       {"obfuscated_listening_port", "2236"}};
    settings.insert("use_upnp", "no");
    PointAtSilentServer(settings);
    WriteSavedSettings(home.ConfigurationPath(), settings);
    ApplyPreferredStyle();
    auto window = StartClient();
    // The installed theme icon and the window's are the same images.
    QVERIFY(window->windowIcon().availableSizes().contains(QSize(48, 48)));
    // At the size a new user first sees.
    QTest::qWait(50);
    const QString folder = QCoreApplication::applicationDirPath() + "/../artifacts";
    QVERIFY(QDir().mkpath(folder));
    const QString path = QDir(folder).absoluteFilePath("mainwindow.png");
    const QImage image = window->grab().toImage();
    QVERIFY(!image.isNull());
    QVERIFY(image.save(path));
    qInfo("Main window screenshot: %s", qPrintable(QDir::cleanPath(path)));
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
