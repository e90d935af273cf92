#include "ui/MainWindow.h"

#include "app/ClientCore.h"
#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "ui/ApplicationIcon.h"
#include "ui/DiagnosticsForm.h"
#include "ui/ListeningPortDialog.h"
#include "ui/OptionsForm.h"
#include "ui/ProgramVersion.h"
#include "ui/ResizableWindow.h"
#include "ui/SizeManager.h"
#include "ui/UserPassDialog.h"

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
    // The managers go before the windows that watch them.
    if (core)
        core->Shutdown();
    core.reset();
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

void MainWindow::Init()
{
    setWindowTitle(WindowTitleForVersion(ProgramVersion));

    core = std::make_unique<ClientCore>();
    core->CreateManagers();
    connect(gp_server, &Server::Connected, this, &MainWindow::OnConnected);
    connect(gp_server, &Server::Connecting, this, &MainWindow::OnConnecting);
    connect(gp_server, &Server::Disconnected, this, &MainWindow::OnDisconnected);
    connect(core.get(), &ClientCore::SaveFailed, this, &MainWindow::OnSaveFailed);

    BuildToolBar();
    sizes = std::make_unique<SizeManager>();
    diagnosticsForm = new DiagnosticsForm(tabs); // hidden until its tab is shown
    diagnosticsForm->hide();
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
    connect(gp_server, &Server::ConnectionFailed, this, &MainWindow::OnConnectionFailed, Qt::QueuedConnection);

    WriteSettingDefaults();
    FillCodePageChooser();

    LoadConfiguration();
    ApplyLoadedSettings();
    core->Start();

    RunFirstRunDialogue();
    core->ConnectIfUserKnown();
    CreateTrayIcon();
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
    core->WriteSettingDefaults();
}

void MainWindow::FillCodePageChooser()
{
    optionsForm->FillCodePages(QTextCodec::availableCodecs());
}

void MainWindow::LoadConfiguration()
{
    const ClientCore::LoadResult result = core->LoadConfiguration();
    if (result.loaded)
        return;
    QString text = "Your client configuration data could not be loaded. Starting from scratch...";
    if (!result.keptCopyPath.isEmpty())
        text += QString("\n\nThe unreadable file was kept as %1.").arg(result.keptCopyPath);
    QMessageBox::information(this, "Error loading configuration data", text);
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

void MainWindow::ConnectOrDisconnect()
{
    if (gp_server->IsConnected())
        gp_server->Disconnect();
    else
        gp_server->Connect();
}

void MainWindow::OpenUserPassDialog()
{
    if (gp_server && gp_server->IsConnected()) {
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
    gp_server->GetOwnPrivilegesStatus();
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
    } else if (!gp_server->IsAbruptlyDisconnected()) {
        QMessageBox::information(this, "Login Failure",
                                 QString("Login failed. Reported failure reason: %1. ").arg(reason) + advice);
    }
}

void MainWindow::OnSaveFailed(const QString& reason)
{
    const QString text = QString("Your settings, shares and download queue could not be saved (%1). The last saved "
                                 "copy is kept; saving is tried again every hour and when you quit.")
                             .arg(reason);
    statusBar()->showMessage("Not saved: " + reason);
    if (trayIcon && trayIcon->isVisible())
        trayIcon->showMessage("Quillmer could not save its configuration", text, QSystemTrayIcon::Warning);
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
