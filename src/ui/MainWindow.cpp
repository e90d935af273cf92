#include "ui/MainWindow.h"

#include "app/DelayedInvoker.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "app/TimerManager.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ApplicationIcon.h"
#include "ui/DiagnosticsForm.h"
#include "ui/ListeningPortDialog.h"
#include "ui/OptionsForm.h"
#include "ui/ProgramVersion.h"
#include "ui/ResizableWindow.h"
#include "ui/SizeManager.h"
#include "ui/UserPassDialog.h"
#include "wire/ExtendedAsciiTranslator.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextCodec>
#include <QTimer>
#include <QToolBar>

MainWindow* mainWindow = nullptr;

namespace {

const char* const LogArea = "Configuration Data";

// The palette roles that the colour settings name, in the order of the table.
const struct
{
    const char* setting;
    QPalette::ColorRole role;
} PaletteSettings[] = {
    {"color_window_background", QPalette::Window}, {"color_window_text", QPalette::WindowText},
    {"color_input_background", QPalette::Base},    {"color_input_text", QPalette::Text},
    {"color_button_background", QPalette::Button}, {"color_button_text", QPalette::ButtonText},
};

const struct
{
    const char* setting;
    const char* value;
} FixedDefaults[] = {
    {"minimize_to_tray", "yes"},
    {"expand_new_shares", "yes"},
    {"chat_timestamps", "activity_based"},
    {"first_open_tab", "rooms"},
    {"color_transfer_queued", "#3366ff"},
    {"color_transfer_complete", "#006400"},
    {"color_transfer_in_progress", "#0000ff"},
    {"color_transfer_failed", "#ff0a47"},
    {"color_transfer_other", "#000000"},
    {"color_chat_username", "#0033ff"},
    {"color_chat_timestamp", "#0066ff"},
    {"color_chat_status", "#339933"},
    {"log_room_chat", "yes"},
    {"log_private_chat", "yes"},
};

} // namespace

// Reports the main window's geometry to SizeManager, except while the window
// is maximised or minimised: those states are not sizes to remember.
class MainWindow::SizeProxy : public ResizableWindow
{
public:
    explicit SizeProxy(MainWindow* owner)
        : ResizableWindow(owner)
        , window(owner)
    {
    }

    int GetX() const override { return window->x(); }
    int GetY() const override { return window->y(); }
    int GetWidth() const override { return window->width(); }
    int GetHeight() const override { return window->height(); }
    void SetPosition(int x, int y) override { window->move(x, y); }
    void SetSize(int width, int height) override { window->resize(width, height); }

    void ReportResize()
    {
        if (IsNormal())
            emit WindowResized(window->width(), window->height());
    }

    void ReportMove()
    {
        if (IsNormal())
            emit WindowMoved(window->x(), window->y());
    }

private:
    bool IsNormal() const { return !(window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)); }

    MainWindow* window;
};

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , tabs(new QTabWidget)
    , sizeProxy(new SizeProxy(this))
{
    mainWindow = this;
    setCentralWidget(tabs);
    setWindowIcon(ApplicationIcon());
    resize(900, 640);
}

MainWindow::~MainWindow()
{
    if (server)
        server->Disconnect();
    if (configurationLoaded) {
        d.RemoveDisconnectedItems();
        saver->Save(ConfigurationPath());
    }
    // The transfer queue and the shared folders manager go first once they
    // exist; the distributed and peer networks after the deferred invoker.
    invoker.reset();
    server.reset();
    saver.reset();
    timers.reset();
    translator.reset();
    delete takeCentralWidget();
    optionsForm = nullptr;
    diagnosticsForm = nullptr;
    for (QToolBar* toolBar : findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        delete toolBar;
    sizes.reset();
    delete trayIcon;
    if (mainWindow == this)
        mainWindow = nullptr;
}

QString MainWindow::ConfigurationPath()
{
    return QDir::homePath() + "/.Quillmer";
}

void MainWindow::Init()
{
    setWindowTitle(WindowTitleForVersion(ProgramVersion));

    timers = std::make_unique<TimerManager>();
    saver = std::make_unique<DataSaver>();
    server = std::make_unique<Server>();

    ::DeclareSettingsSchema();

    Server::CreateData();
    qRegisterMetaType<ItemPtr>("ItemPtr");
    connect(server.get(), &Server::Connected, this, &MainWindow::OnConnected);
    connect(server.get(), &Server::Connecting, this, &MainWindow::OnConnecting);
    connect(server.get(), &Server::Disconnected, this, &MainWindow::OnDisconnected);

    BuildToolBar();
    // The peer network is created here.

    DeclareWishListTypes();
    DeclareUserNoteTypes();

    invoker = std::make_unique<DelayedInvoker>();
    // The distributed network and the shared folders manager follow, then the
    // private chats and the share list's handlers.

    sizes = std::make_unique<SizeManager>();
    diagnosticsForm = new DiagnosticsForm(tabs); // hidden until its tab is shown
    diagnosticsForm->hide();
    // The transfer queue, then the transfers, shares and search views, the
    // wish-list searcher and the event tool bar go here.
    optionsForm = new OptionsForm;
    tabs->addTab(optionsForm, "Options");
    connect(optionsForm, &OptionsForm::UserPassRequested, this, &MainWindow::OpenUserPassDialog);
    connect(optionsForm, &OptionsForm::ListeningPortRequested, this, &MainWindow::OpenListeningPortDialog);
    connect(optionsForm, &OptionsForm::MinimizeToTrayToggled, this, &MainWindow::OnMinimizeToTrayToggled);
    connect(optionsForm, &OptionsForm::ShowDiagnosticsToggled, this, &MainWindow::OnShowDiagnosticsToggled);

    WatchUsername();
    // Queued: the boxes run their own event loop, which must not start while
    // the session is still handling the refusal, or the server's close that
    // follows would be taken for a second failure.
    connect(server.get(), &Server::ConnectionFailed, this, &MainWindow::OnConnectionFailed, Qt::QueuedConnection);

    WriteSettingDefaults();

    translator = std::make_unique<ExtendedAsciiTranslator>();
    FillCodePageChooser();

    LoadConfiguration();

    ApplyLoadedSettings();

    SetSetting("data_version", "1");

    RunFirstRunDialogue();
    if (!GetSetting("username").isEmpty())
        server->Connect();

    ConnectTicks();
    CreateTrayIcon();
}

void MainWindow::DeclareWishListTypes()
{
    Type* item = d.NewType("wish_list_item", Primary, false, true);
    Type* enabled = d.NewType("wish_list_item_enabled", Tertiary, true, true);
    item->RelateToType(enabled, Many, One, false);
    saver->AddSavedType("wish_list_item");
    saver->AddSavedType("wish_list_item_enabled");
}

void MainWindow::DeclareUserNoteTypes()
{
    Type* note = d.NewType("user_note", Secondary, false, true);
    d.GetType("user")->RelateToType(note, Many, One, false);
    saver->AddSavedType("user_note");
    saver->AddSavedByConnectionType("user", "user_note");
}

void MainWindow::BuildToolBar()
{
    QToolBar* toolBar = addToolBar("Actions");
    toolBar->setObjectName("actions");
    toolBar->setMovable(false);
    connectAction = toolBar->addAction("Connect", this, &MainWindow::ConnectOrDisconnect);
    connectAction->setObjectName("connect_disconnect");
    QAction* userPass = toolBar->addAction("Username/Password", this, &MainWindow::OpenUserPassDialog);
    userPass->setObjectName("set_user_pass");
    QAction* listeningPort = toolBar->addAction("Listening Port", this, &MainWindow::OpenListeningPortDialog);
    listeningPort->setObjectName("set_listening_port");
}

void MainWindow::WatchUsername()
{
    auto* root = new PathNode(d.GetType("global")->GetItem("username"));
    new PathNode(root, "global_value", PathOnConnect);
    d.AddPathEventHandler(root,
                          AddDataHandler(new EventHandler<MainWindow, ItemPtr>(this, &MainWindow::OnUsernameChanged)));
}

void MainWindow::WriteSettingDefaults()
{
    const QPalette palette = QApplication::palette();
    for (const auto& colour : PaletteSettings)
        SetSetting(colour.setting, palette.color(colour.role).name(QColor::HexRgb).toLower());
    for (const auto& fixed : FixedDefaults)
        SetSetting(fixed.setting, fixed.value);
}

void MainWindow::FillCodePageChooser()
{
    optionsForm->FillCodePages(QTextCodec::availableCodecs());
}

void MainWindow::LoadConfiguration()
{
    const QString path = ConfigurationPath();
    Log(LogArea, 1, QString("Loading configuration data from %1").arg(path), ItemPtr());
    configurationLoaded = true;
    try {
        saver->Load(path);
        Log(LogArea, 1, "Data loaded successfully.", ItemPtr());
    } catch (const DataLoadFailure& failure) {
        Log(LogArea, 1, "Failure to load configuration data.", ItemPtr());
        QString text = "Your client configuration data could not be loaded. Starting from scratch...";
        if (!failure.KeptCopyPath().isEmpty())
            text += QString("\n\nThe unreadable file was kept as %1.").arg(failure.KeptCopyPath());
        QMessageBox::information(this, "Error loading configuration data", text);
    }
}

void MainWindow::ApplyLoadedSettings()
{
    OnShowDiagnosticsToggled(IsSettingOn("show_diagnostics"));
    ApplyPalette();
    optionsForm->LoadSettings();
    sizeManager->RegisterResizableWindow("main_window", sizeProxy);
}

void MainWindow::ApplyPalette()
{
    QPalette palette = QApplication::palette();
    for (const auto& colour : PaletteSettings) {
        const QColor stored(GetSetting(colour.setting));
        if (stored.isValid())
            palette.setColor(colour.role, stored);
    }
    QApplication::setPalette(palette);
}

void MainWindow::RunFirstRunDialogue()
{
    if (!GetSetting("username").isEmpty())
        return;
    UserPassDialog(UserPassDialog::Mode::FirstRun, this).exec();
    // Sharing a folder from here comes with the shared folders manager; until
    // then the answer only leads to the note below.
    QMessageBox::question(this, "Share a folder?",
                          "Many Quillmer users require that you share something before downloading from them. "
                          "Would you like to share a folder now?",
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    QMessageBox::information(this, "In the future",
                             "You can always share additional folders by clicking the Share Folder button when "
                             "viewing the Options->File Sharing tab.");
}

void MainWindow::ConnectTicks()
{
    connect(timerManager, &TimerManager::HalfMinuteTick, this, &MainWindow::EveryHalfMinute);
    connect(timerManager, &TimerManager::FiveMinutesTick, this, &MainWindow::EveryFiveMinutes);
    connect(timerManager, &TimerManager::HourTick, this, &MainWindow::EveryHour);
}

void MainWindow::CreateTrayIcon()
{
    // Desktops without a tray (and test runs) keep closing as quitting.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    trayIcon = new QSystemTrayIcon(windowIcon());
    trayIcon->setToolTip(windowTitle());
    auto* menu = new QMenu(this);
    menu->addAction("Show", this, &MainWindow::ShowFromTray);
    menu->addAction("Quit", this, &MainWindow::QuitRequested);
    trayIcon->setContextMenu(menu);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::OnTrayIconActivated);
    trayIcon->setVisible(IsSettingOn("minimize_to_tray"));
}

void MainWindow::EveryHalfMinute()
{
}

void MainWindow::EveryFiveMinutes()
{
    d.RemoveDisconnectedItems();
}

void MainWindow::EveryHour()
{
    const QString path = ConfigurationPath();
    Log(LogArea, 1, QString("Saving configuration data to %1").arg(path), ItemPtr());
    saver->Save(path);
}

void MainWindow::ConnectOrDisconnect()
{
    if (server->IsConnected())
        server->Disconnect();
    else
        server->Connect();
}

void MainWindow::OpenUserPassDialog()
{
    if (server && server->IsConnected()) {
        QMessageBox::information(this, "Cannot change username while online",
                                 "You must be disconnected from the Quillmer server to change your username.");
        return;
    }
    UserPassDialog(UserPassDialog::Mode::Change, this).exec();
}

void MainWindow::OpenListeningPortDialog()
{
    ListeningPortDialog(this).exec();
}

void MainWindow::OnConnected()
{
    connectAction->setText("Disconnect");
    statusBar()->showMessage("Connected");
    server->GetOwnPrivilegesStatus();
}

void MainWindow::OnConnecting()
{
    connectAction->setText("Disconnect");
    statusBar()->showMessage("Connecting...");
}

void MainWindow::OnDisconnected()
{
    connectAction->setText("Connect");
    statusBar()->showMessage("Disconnected");
}

void MainWindow::OnConnectionFailed(const QString& reason)
{
    connectAction->setText("Connect");
    statusBar()->showMessage("Not connected: " + reason);
    const QString advice = "Please change your login settings in the Options tab and try reconnecting.";
    if (reason == "INVALIDPASS") {
        QMessageBox::information(this, "Login Failure: Wrong Password",
                                 "Login failed. The password you supplied does not match your username. " + advice);
    } else if (reason == "INVALIDUSERNAME") {
        QMessageBox::information(this, "Login Failure: Username is Invalid",
                                 "Login failed. The username you supplied is invalid. " + advice);
    } else if (!server->IsAbruptlyDisconnected()) {
        QMessageBox::information(this, "Login Failure",
                                 QString("Login failed. Reported failure reason: %1. ").arg(reason) + advice);
    }
}

void MainWindow::OnUsernameChanged(ItemPtr setting)
{
    if (optionsForm)
        optionsForm->ShowUsername(setting["global_value"].AsString());
}

void MainWindow::OnMinimizeToTrayToggled(bool on)
{
    if (trayIcon)
        trayIcon->setVisible(on);
}

void MainWindow::OnShowDiagnosticsToggled(bool on)
{
    const int index = tabs->indexOf(diagnosticsForm);
    if (on && index < 0)
        tabs->addTab(diagnosticsForm, "Diagnostics");
    else if (!on && index >= 0)
        tabs->removeTab(index);
}

void MainWindow::OnTrayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    if (isVisible() && !isMinimized())
        hide();
    else
        ShowFromTray();
}

void MainWindow::ShowFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

bool MainWindow::HidesToTray() const
{
    return trayIcon && trayIcon->isVisible() && IsSettingOn("minimize_to_tray");
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (HidesToTray()) {
        hide();
        event->ignore();
        return;
    }
    event->accept();
    emit QuitRequested();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && HidesToTray())
        QTimer::singleShot(0, this, &QWidget::hide);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    sizeProxy->ReportResize();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    sizeProxy->ReportMove();
}
