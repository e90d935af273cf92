#include "ClientHome.h"
#include "ModalDriver.h"

#include "app/ClientCore.h"
#include "app/DelayedInvoker.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "app/TimerManager.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ApplicationStyle.h"
#include "ui/AreaLogTabs.h"
#include "ui/DiagnosticsForm.h"
#include "ui/MainWindow.h"
#include "ui/OptionsForm.h"
#include "ui/ProgramVersion.h"
#include "ui/SizeManager.h"
#include "wire/ExtendedAsciiTranslator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {

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

QMap<QString, QString> KnownUser()
{
    QMap<QString, QString> settings = {{"username", "alice"}, {"password", "secret"}};
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
    void diagnosticsTabFollowsSetting();
    void windowSizeIsRememberedAcrossRestart();
    void periodicWorkAndShutDown();
    void screenshot();
};

void MainWindowTest::firstStartRunsDialogueAndSaves()
{
    ClientHome home;
    AcceptedConnections();
    ModalDriver driver;
    driver.Then([](QWidget* dialog) {
        SetSetting("server_host", "127.0.0.1");
        SetSetting("server_port", QString::number(SilentServer().serverPort()));
        dialog->findChild<QLineEdit*>("username")->setText("alice");
        dialog->findChild<QLineEdit*>("password")->setText("secret");
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

    // The server session turns port mapping on when the file has no word on it.
    QCheckBox* upnp = options->CheckBox("use_upnp");
    QVERIFY(upnp->isChecked());
    upnp->setChecked(false);
    QCOMPARE(GetSetting("use_upnp"), QString("no"));
    upnp->setChecked(true);
    QCOMPARE(GetSetting("use_upnp"), QString("yes"));
    upnp->setChecked(false);

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

    options->ServerHostEdit()->setText("  127.0.0.1 ");
    emit options->ServerHostEdit()->editingFinished();
    QCOMPARE(GetSetting("server_host"), QString("127.0.0.1"));
    options->ServerPortEdit()->setText("2242");
    emit options->ServerPortEdit()->editingFinished();
    QCOMPARE(GetSetting("server_port"), QString("2242"));

    // The label follows the obfuscated port whoever writes it: the peer
    // network's default at start, then another.
    QVERIFY(!options->ObfuscatedPortLabel()->isHidden());
    QVERIFY(options->ObfuscatedPortLabel()->text().startsWith("Obfuscated port is 2236,"));
    SetSetting("obfuscated_listening_port", "2240");
    QVERIFY(options->ObfuscatedPortLabel()->text().startsWith("Obfuscated port is 2240,"));

    window.reset();
    const QMap<QString, QString> saved = ReadSavedSettings(home.ConfigurationPath());
    QCOMPARE(saved.value("use_upnp"), QString("no"));
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

void MainWindowTest::diagnosticsTabFollowsSetting()
{
    ClientHome home;
    WriteSavedSettings(home.ConfigurationPath(), KnownUser());
    {
        auto window = StartClient();
        QCOMPARE(TabTitles(window->Tabs()), QStringList({"Options"}));
        QCheckBox* box = window->Options()->CheckBox("show_diagnostics");
        box->setChecked(true);
        QCOMPARE(TabTitles(window->Tabs()), QStringList({"Options", "Diagnostics"}));
        Log("Wish List", 3, "searching again", ItemPtr());
        QPlainTextEdit* view = window->Diagnostics()->AreaTabs()->AreaView("Wish List");
        QVERIFY(view);
        QVERIFY(view->toPlainText().contains("]       searching again"));
        box->setChecked(false);
        QCOMPARE(TabTitles(window->Tabs()), QStringList({"Options"}));
        box->setChecked(true);
    }
    {
        auto window = StartClient();
        QCOMPARE(TabTitles(window->Tabs()), QStringList({"Options", "Diagnostics"}));
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
    {
        auto window = StartClient();
        defaultSize = window->size();
        QVERIFY(defaultSize != QSize(800, 600));
        window->resize(800, 600);
        QCOMPARE(window->size(), QSize(800, 600));
    }
    {
        auto window = StartClient();
        QCOMPARE(window->size(), QSize(800, 600));
        // A maximised window's size is not remembered.
        window->showMaximized();
        QTest::qWait(50);
    }
    {
        auto window = StartClient();
        QCOMPARE(window->size(), QSize(800, 600));
    }
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
    PointAtSilentServer(settings);
    WriteSavedSettings(home.ConfigurationPath(), settings);
    ApplyPreferredStyle();
    auto window = StartClient();
    // The installed theme icon and the window's are the same images.
    QVERIFY(window->windowIcon().availableSizes().contains(QSize(48, 48)));
    window->resize(900, 640);
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
