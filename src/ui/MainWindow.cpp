#include "ui/MainWindow.h"

#include "app/ClientCore.h"
#include "app/Log.h"
#include "app/ProgramVersion.h"
#include "app/Settings.h"
#include "import/ConfigurationImporter.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "services/PortForwarder.h"
#include "services/UpdateChecker.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "ui/ApplicationIcon.h"
#include "ui/AreaLogTabs.h"
#include "ui/ChatForm.h"
#include "ui/ChatIcons.h"
#include "ui/ChatLogForm.h"
#include "ui/ChatsForm.h"
#include "ui/ColourOptionsPage.h"
#include "ui/ConnectionMessages.h"
#include "ui/DiagnosticsForm.h"
#include "ui/EventToolBar.h"
#include "ui/ListeningPortDialog.h"
#include "ui/NewVersionDialog.h"
#include "ui/OptionsForm.h"
#include "ui/RoomsForm.h"
#include "ui/SearchForm.h"
#include "ui/SearchIcons.h"
#include "ui/ShareScanIndicator.h"
#include "ui/SharedFoldersView.h"
#include "ui/SharesForm.h"
#include "ui/SizeManager.h"
#include "ui/TransferIcons.h"
#include "ui/TransfersForm.h"
#include "ui/UserListForm.h"
#include "ui/UserPassDialog.h"
#include "ui/WindowGeometryProxy.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextCodec>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

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

const char* const AdminMessageArea = "Admin Messages";

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , tabs(new QTabWidget)
    , identityLabel(new QLabel)
    , listeningWarning(new QLabel)
    , sizeProxy(new WindowGeometryProxy(this))
{
    mainWindow = this;
    tabs->setObjectName("main_tabs");
    setCentralWidget(tabs);
    setWindowIcon(ApplicationIcon());
    identityLabel->setObjectName("identity");
    listeningWarning->setObjectName("listening_warning");
    listeningWarning->setStyleSheet("color: #b00020");
    listeningWarning->hide();
    statusBar()->addPermanentWidget(listeningWarning);
    statusBar()->addPermanentWidget(identityLabel);
    // Wide enough for every main tab, the diagnostics one included, and the whole tool bar.
    resize(1000, 680);
}

MainWindow::~MainWindow()
{
    // The managers go before the windows that watch them.
    if (core)
        core->Shutdown();
    core.reset();
    delete takeCentralWidget();
    roomsForm = nullptr;
    chatsForm = nullptr;
    searchForm = nullptr;
    transfersForm = nullptr;
    sharesForm = nullptr;
    userListForm = nullptr;
    optionsForm = nullptr;
    diagnosticsForm = nullptr;
    // The chat log and wall windows.
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->isWindow())
            delete child;
    for (QToolBar* toolBar : findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        delete toolBar;
    eventBar = nullptr;
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
    connect(updateChecker, &UpdateChecker::NewVersion, this, &MainWindow::OnNewVersion);

    BuildToolBar();
    DeclareWindowTypes();
    connect(gp_server, &Server::PrivateChat, this, &MainWindow::OnPrivateChat);
    sizes = std::make_unique<SizeManager>();
    diagnosticsForm = new DiagnosticsForm(tabs); // hidden until its tab is shown
    diagnosticsForm->hide();
    eventBar = new EventToolBar(this, this);
    eventBar->toggleViewAction()->setVisible(false);
    eventBar->setMovable(false);
    addToolBar(eventBar);
    connect(eventBar, &EventToolBar::TrayMessage, this, &MainWindow::OnTrayMessage);
    connect(eventBar, &EventToolBar::ApplicationIconChanged, this, &MainWindow::OnApplicationIconChanged);

    roomsForm = new RoomsForm;
    AddMainTab("rooms", roomsForm, RoomIcon(), "Rooms");
    connect(roomsForm, &RoomsForm::ChatRequested, this, &MainWindow::OpenPrivateChat);
    chatsForm = new ChatsForm;
    AddMainTab(QString(), chatsForm, ChatIcon(), "Private Chats");
    searchForm = new SearchForm;
    AddMainTab("search", searchForm, SearchIcon(), "Search");
    connect(searchForm, &SearchForm::ChatRequested, this, &MainWindow::OpenPrivateChat);
    connect(searchForm, &SearchForm::BrowseRequested, this, &MainWindow::OpenShareBrowse);
    transfersForm = new TransfersForm;
    AddMainTab("transfers", transfersForm, TransfersIcon(), "Transfers");
    sharesForm = new SharesForm;
    AddMainTab(QString(), sharesForm, style()->standardIcon(QStyle::SP_DirOpenIcon), "Browse");
    userListForm = new UserListForm;
    AddMainTab("users", userListForm, UserListIcon(), "User List");
    connect(userListForm, &UserListForm::ChatRequested, this, &MainWindow::OpenPrivateChat);
    optionsForm = new OptionsForm;
    AddMainTab(QString(), optionsForm, QIcon(), "Options");
    connect(optionsForm, &OptionsForm::UserPassRequested, this, &MainWindow::OpenUserPassDialog);
    connect(optionsForm, &OptionsForm::ListeningPortRequested, this, &MainWindow::OpenListeningPortDialog);
    connect(optionsForm, &OptionsForm::DownloadFolderRequested, this, &MainWindow::ChooseDownloadFolder);
    connect(optionsForm->Colours(), &ColourOptionsPage::PaletteColourChanged, this, [this] { ApplyPalette(); });
    scanIndicator = new ShareScanIndicator;
    scanIndicator->setObjectName("scan_indicator");
    statusBar()->addPermanentWidget(scanIndicator);
    connect(sharedFoldersManager, &SharedFoldersManager::SharedFilesRescanned, this,
            &MainWindow::OnSharedFilesRescanned);
    connect(optionsForm, &OptionsForm::MinimizeToTrayToggled, this, &MainWindow::OnMinimizeToTrayToggled);
    connect(optionsForm, &OptionsForm::ShowDiagnosticsToggled, this, &MainWindow::OnShowDiagnosticsToggled);
    connect(peerMessenger, &PeerMessenger::ListeningFailed, this, &MainWindow::OnListeningFailed);
    connect(peerMessenger, &PeerMessenger::Listening, this, [this] {
        optionsForm->ShowListeningError(QString());
        unopenedPorts.clear();
        listeningWarning->hide();
    });
    connect(optionsForm->CheckBox("use_upnp"), &QCheckBox::toggled, this, &MainWindow::OnUseUpnpToggled);
    BuildMenuBar();

    WatchUsername();
    // Queued: the boxes run their own event loop, which must not start while
    // the session is still handling the message that brought them.
    connect(gp_server, &Server::ConnectionFailed, this, &MainWindow::OnConnectionFailed, Qt::QueuedConnection);
    connect(gp_server, &Server::AdminMessage, this, &MainWindow::OnAdminMessage, Qt::QueuedConnection);

    WriteSettingDefaults();
    FillCodePageChooser();

    LoadConfiguration();
    ApplyLoadedSettings();
    core->Start();

    RunFirstRunDialogue();
    core->ConnectIfUserKnown();
    CreateTrayIcon();
    ShowIdentity();
}

void MainWindow::DeclareWindowTypes()
{
    RoomsForm::DeclareTypes();
    SearchForm::DeclareTypes();
    TransfersForm::DeclareTypes();
    ChatsForm::DeclareTypes();
    ChatLogForm::DeclareTypes();
    UserListForm::DeclareTypes();
}

void MainWindow::AddMainTab(const QString& word, QWidget* page, const QIcon& icon, const QString& title)
{
    tabs->addTab(page, icon, title);
    if (!word.isEmpty())
        namedTabs.insert(word, page);
}

QWidget* MainWindow::TabForWord(const QString& word) const
{
    return namedTabs.value(word, roomsForm);
}

void MainWindow::BuildToolBar()
{
    QToolBar* toolBar = addToolBar("Actions");
    toolBar->setObjectName("actions");
    toolBar->setMovable(false);
    toolBar->toggleViewAction()->setVisible(false);
    connectAction = toolBar->addAction("Connect", this, &MainWindow::ConnectOrDisconnect);
    connectAction->setObjectName("connect_disconnect");
    connectAction->setShortcut(QKeySequence("Ctrl+K"));
    toolBar->addSeparator();
    userNameEntry = new QLineEdit;
    userNameEntry->setObjectName("user_name_entry");
    userNameEntry->setPlaceholderText("User name");
    userNameEntry->setClearButtonEnabled(true);
    userNameEntry->setFixedWidth(150);
    toolBar->addWidget(userNameEntry);
    // Short names beside the entry they act on; the tool tips tell them in full.
    QAction* message = toolBar->addAction("Message", this, &MainWindow::MessageUser);
    message->setToolTip("Message User");
    message->setObjectName("message_user");
    connect(userNameEntry, &QLineEdit::returnPressed, message, &QAction::trigger);
    QAction* browse = toolBar->addAction("Browse", this, &MainWindow::BrowseUser);
    browse->setToolTip("Browse User's Files");
    browse->setObjectName("browse_user");
    QAction* addUser = toolBar->addAction("Add to List", this, &MainWindow::AddUser);
    addUser->setToolTip("Add User to List");
    addUser->setObjectName("add_user");
    toolBar->addSeparator();
    // The settings share one button with a menu, and the folder actions show
    // as icons named in their tool tips, so that the bar fits an ordinary window.
    auto* settingsMenu = new QMenu(this);
    QAction* userPass = settingsMenu->addAction("Username/Password", this, &MainWindow::OpenUserPassDialog);
    userPass->setObjectName("set_user_pass");
    QAction* listeningPort = settingsMenu->addAction("Listening Port", this, &MainWindow::OpenListeningPortDialog);
    listeningPort->setObjectName("set_listening_port");
    QAction* downloadFolder = settingsMenu->addAction("Download Folder", this, &MainWindow::ChooseDownloadFolder);
    downloadFolder->setObjectName("set_download_folder");
    auto* settingsButton = new QToolButton;
    settingsButton->setObjectName("settings_button");
    settingsButton->setText("Settings");
    settingsButton->setMenu(settingsMenu);
    settingsButton->setPopupMode(QToolButton::InstantPopup);
    settingsButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar->addWidget(settingsButton);
    toolBar->addSeparator();
    QAction* share = toolBar->addAction(style()->standardIcon(QStyle::SP_FileDialogNewFolder), "Share Folder", this,
                                        &MainWindow::ShareFolder);
    share->setObjectName("share_folder");
    QAction* unshare = toolBar->addAction(style()->standardIcon(QStyle::SP_TrashIcon), "Unshare Folder", this,
                                          &MainWindow::UnshareFolder);
    unshare->setObjectName("unshare_folder");
    QAction* rescan = toolBar->addAction(style()->standardIcon(QStyle::SP_BrowserReload), "Rescan Shares", this,
                                         &MainWindow::RescanShares);
    rescan->setObjectName("rescan_shares");
}

void MainWindow::BuildMenuBar()
{
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction(connectAction);
    file->addAction(findChild<QAction*>("set_user_pass"));
    file->addAction(findChild<QAction*>("set_listening_port"));
    file->addAction(findChild<QAction*>("set_download_folder"));
    file->addSeparator();
    for (const char* action : {"share_folder", "unshare_folder", "rescan_shares"})
        file->addAction(findChild<QAction*>(action));
    file->addSeparator();
    awayAction = file->addAction("&Away", this, &MainWindow::OnAwayToggled);
    awayAction->setObjectName("away");
    awayAction->setCheckable(true);
    awayAction->setShortcut(QKeySequence("Ctrl+Shift+A"));
    file->addSeparator();
    QAction* importUserList = file->addAction("&Import User List...", this, &MainWindow::OnImportUserListClicked);
    importUserList->setObjectName("import_user_list");
    file->addSeparator();
    QAction* quit = file->addAction("&Quit", this, &MainWindow::QuitRequested);
    quit->setObjectName("quit");
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu* view = menuBar()->addMenu("&View");
    const QList<QWidget*> pages
        = {roomsForm, chatsForm, searchForm, transfersForm, sharesForm, userListForm, optionsForm};
    for (int n = 0; n < pages.size(); ++n) {
        QWidget* page = pages.at(n);
        QAction* show
            = view->addAction(tabs->tabText(tabs->indexOf(page)), [this, page] { tabs->setCurrentWidget(page); });
        show->setShortcut(QKeySequence(QString("Ctrl+%1").arg(n + 1)));
    }

    QMenu* rooms = menuBar()->addMenu("&Rooms");
    rooms->addAction(roomsForm->findChild<QAction*>("create_room"));
    rooms->addAction(roomsForm->findChild<QAction*>("refresh_room_list"));
    rooms->addAction(roomsForm->findChild<QAction*>("private_room_invitations"));

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&About Quillmer", this, [this] {
        QMessageBox::about(this, "About Quillmer",
                           windowTitle()
                               + "\n\nA client for a peer-to-peer file-sharing and chat network: rooms, private "
                                 "chats and, in time, searching, sharing and transfers.");
    });
}

QMenu* MainWindow::createPopupMenu()
{
    // The tool bars hold the only way to some actions: they cannot be hidden.
    return nullptr;
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
    awayAction->setChecked(GetSetting("availability_status") == "away");
    ShowFirstOpenTab();
}

void MainWindow::ShowFirstOpenTab()
{
    tabs->setCurrentWidget(TabForWord(GetSetting("first_open_tab")));
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
    const QMessageBox::StandardButton share
        = QMessageBox::question(this, "Share a folder?",
                                "Many Quillmer users require that you share something before downloading from them. "
                                "Would you like to share a folder now?",
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (share == QMessageBox::Yes)
        optionsForm->SharedFolders()->ShareFolder();
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
    auto* menu = new QMenu(this);
    menu->addAction("Show", this, &MainWindow::ShowFromTray);
    menu->addAction("Quit", this, &MainWindow::QuitRequested);
    trayIcon->setContextMenu(menu);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::OnTrayIconActivated);
    trayIcon->setVisible(IsSettingOn("minimize_to_tray"));
}

void MainWindow::ShowIdentity()
{
    const QString username = GetSetting("username");
    const bool online = gp_server && gp_server->IsConnected();
    const QString identity = username.isEmpty() ? QString("No user name set")
                                                : QString("%1 (%2)").arg(username, online ? "online" : "offline");
    identityLabel->setText(identity);
    if (trayIcon)
        trayIcon->setToolTip(windowTitle() + "\n" + identity);
}

void MainWindow::ConnectOrDisconnect()
{
    if (gp_server->IsConnected()) {
        gp_server->Disconnect();
        return;
    }
    if (GetSetting("username").isEmpty()) {
        statusBar()->showMessage("Choose a user name and password to log in with.");
        UserPassDialog(UserPassDialog::Mode::FirstRun, this).exec();
        if (GetSetting("username").isEmpty())
            return;
    }
    gp_server->Connect();
}

void MainWindow::OpenUserPassDialog()
{
    // A login on its way counts too: the session would go on under the old name.
    if (gp_server && gp_server->GetState() != Server::StateNotConnected) {
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

void MainWindow::MessageUser()
{
    const QString user = EnteredUser("Type the user name to message into the User name box of the tool bar.");
    if (!user.isEmpty())
        OpenPrivateChat(user);
}

QString MainWindow::EnteredUser(const QString& hint)
{
    const QString user = userNameEntry->text().trimmed();
    if (user.isEmpty()) {
        statusBar()->showMessage(hint, 5000);
        userNameEntry->setFocus();
    }
    return user;
}

void MainWindow::BrowseUser()
{
    const QString user = EnteredUser("Type the user name to browse into the User name box of the tool bar.");
    if (!user.isEmpty())
        OpenShareBrowse(user);
}

void MainWindow::AddUser()
{
    const QString name = EnteredUser("Type the user name to add into the User name box of the tool bar.");
    if (name.isEmpty())
        return;
    const ItemPtr user = d.GetType("user")->GetItem(Value(name));
    // A new entry would replace the old one and lose its groups.
    if (user.IsConnected("in_user_list")) {
        statusBar()->showMessage(QString("%1 is already in your user list.").arg(name), 5000);
        return;
    }
    user.NewItem("in_user_list");
    statusBar()->showMessage(QString("%1 was added to your user list.").arg(name), 5000);
}

void MainWindow::ChooseDownloadFolder()
{
    const QString chosen
        = QFileDialog::getExistingDirectory(this, "Set Download Folder", GetSetting("download_folder"));
    if (!chosen.isEmpty())
        SetSetting("download_folder", QDir::fromNativeSeparators(chosen));
}

void MainWindow::ShareFolder()
{
    optionsForm->SharedFolders()->ShareFolder();
}

void MainWindow::UnshareFolder()
{
    if (optionsForm->SharedFolders()->UnshareSelected())
        return;
    // The folder is chosen where the shared folders are listed.
    tabs->setCurrentWidget(optionsForm);
    optionsForm->ShowPage(optionsForm->SharedFolders());
    statusBar()->showMessage("Select the folder to unshare in the list of shared folders.", 5000);
}

void MainWindow::RescanShares()
{
    sharedFoldersManager->RescanShares();
}

void MainWindow::OnSharedFilesRescanned(int added, int removed)
{
    // One box, brought up to date by later rescans, rather than a pile of them.
    if (!rescannedBox) {
        rescannedBox
            = new QMessageBox(QMessageBox::Information, "Shared Files Rescanned", QString(), QMessageBox::Ok, this);
        rescannedBox->setObjectName("shared_files_rescanned");
        rescannedBox->setAttribute(Qt::WA_DeleteOnClose);
        rescannedBox->setWindowModality(Qt::NonModal);
    }
    rescannedBox->setText(QString("%1 files added.\n%2 files removed.").arg(added).arg(removed));
    rescannedBox->show();
}

void MainWindow::OpenPrivateChat(const QString& user)
{
    tabs->setCurrentWidget(chatsForm);
    chatsForm->OpenChat(user, true);
}

void MainWindow::OpenShareBrowse(const QString& user, const QString& folder)
{
    tabs->setCurrentWidget(sharesForm);
    sharesForm->OpenShareBrowse(user, folder);
}

void MainWindow::OpenUploadBrowse(const QString& user)
{
    tabs->setCurrentWidget(sharesForm);
    sharesForm->OpenUploadBrowse(user);
}

void MainWindow::OpenUserInfo(const QString& user)
{
    tabs->setCurrentWidget(sharesForm);
    sharesForm->OpenUserInfo(user);
}

void MainWindow::OnPrivateChat(const QString& user, const QString& message, time_t, bool)
{
    chatsForm->OpenChat(user, false)->AddChat(user, message);
}

void MainWindow::OnAdminMessage(const QString& text)
{
    const QString line = "Message from the server's administrators: " + text;
    if (IsSettingOn("show_diagnostics")) {
        Log(AdminMessageArea, 1, line, ItemPtr());
    } else {
        // Kept where the diagnostics are shown once they are turned on.
        diagnosticsForm->AreaTabs()->Append(
            AdminMessageArea, QString("[%1] %2").arg(QDateTime::currentDateTime().toString(Qt::TextDate), line));
    }
    auto* box = new QMessageBox(QMessageBox::Information, "Message from the server", text, QMessageBox::Ok, this);
    box->setObjectName("admin_message");
    // The text is the server's: shown as it is, never as markup.
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void MainWindow::OnNewVersion(qint64 build, const QString& downloadAddress, const QStringList& notes)
{
    auto* dialog = new NewVersionDialog(build, downloadAddress, notes, this);
    dialog->setObjectName("new_version");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MainWindow::OnImportUserListClicked()
{
    const QString title = "Importing user list from original Quillmer client";
    QMessageBox::information(
        this, title,
        "To import your user list, your original Quillmer client must be set not to save configuration data to the "
        "registry (under Options->General), and the favlist.cfg file must then be located on your computer. The next "
        "dialog will ask you to navigate to the exact location of the favlist.cfg file.");
    const QString path = QDir::fromNativeSeparators(
        QFileDialog::getOpenFileName(this, "Find User List Configuration File", QString(), "favlist.cfg"));
    if (path.isEmpty())
        return;
    if (ConfigurationImporter::ImportUserList(path))
        QMessageBox::information(this, title, "Import successful.");
    else
        QMessageBox::information(this, title, "Import could not be completed successfully.");
}

void MainWindow::OnUseUpnpToggled(bool on)
{
    // Switched on, the router is looked for at once rather than at the next connection.
    if (on && portForwarder)
        portForwarder->Init();
}

void MainWindow::OnAwayToggled(bool away)
{
    // Kept for the next login when not connected.
    gp_server->SetAvailabilityStatus(!away);
    eventBar->ShowStateIcon();
}

void MainWindow::OnConnected()
{
    connectAction->setText("Disconnect");
    connectAction->setEnabled(true);
    statusBar()->showMessage("Connected");
    gp_server->GetOwnPrivilegesStatus();
    ShowIdentity();
    eventBar->ShowStateIcon();
}

void MainWindow::OnConnecting()
{
    connectAction->setText("Disconnect");
    // A login under way cannot be called off: the action waits for its outcome.
    connectAction->setEnabled(false);
    statusBar()->showMessage("Connecting...");
}

void MainWindow::OnDisconnected()
{
    connectAction->setText("Connect");
    connectAction->setEnabled(true);
    statusBar()->showMessage("Disconnected");
    ShowIdentity();
    eventBar->ShowStateIcon();
}

void MainWindow::OnConnectionFailed(const QString& reason)
{
    connectAction->setText("Connect");
    connectAction->setEnabled(true);
    const QString socketError = gp_server->SocketErrorText();
    const bool retrying = gp_server->IsAbruptlyDisconnected();
    statusBar()->showMessage(ConnectionMessages::FailureStatus(reason, socketError, retrying));
    const QString advice = "Please change your login settings in the Options tab and try reconnecting.";
    if (reason == "INVALIDPASS") {
        QMessageBox::information(this, "Login Failure: Wrong Password",
                                 "Login failed. The password you supplied does not match your username. " + advice);
    } else if (reason == "INVALIDUSERNAME") {
        QMessageBox::information(this, "Login Failure: Username is Invalid",
                                 "Login failed. The username you supplied is invalid. " + advice);
    } else if (!retrying) {
        QMessageBox::information(this, "Login Failure",
                                 QString("Login failed. Reported failure reason: %1. ")
                                         .arg(ConnectionMessages::FailureReason(reason, socketError))
                                     + advice);
    }
}

void MainWindow::OnListeningFailed(int port, const QString& reason)
{
    const QString error = QString("port %1 could not be opened (%2)").arg(port).arg(reason);
    optionsForm->ShowListeningError(error);
    // Both ports may fail; the warning names each.
    if (!unopenedPorts.contains(port))
        unopenedPorts << port;
    QStringList ports;
    for (int unopened : unopenedPorts)
        ports << QString::number(unopened);
    listeningWarning->setText(QString("Not listening on port%1 %2").arg(ports.size() > 1 ? "s" : "", ports.join(", ")));
    listeningWarning->setToolTip(error);
    listeningWarning->show();
    statusBar()->showMessage(QString("Other users cannot connect to you: %1. Choose another listening port in the "
                                     "Options tab; listening is tried again at every login.")
                                 .arg(error));
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
    ShowIdentity();
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

void MainWindow::OnTrayMessage(const QString& title, const QString& text)
{
    if (trayIcon && trayIcon->isVisible())
        trayIcon->showMessage(title, text, QSystemTrayIcon::Information);
}

void MainWindow::OnApplicationIconChanged(const QIcon& icon)
{
    if (trayIcon)
        trayIcon->setIcon(icon);
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
