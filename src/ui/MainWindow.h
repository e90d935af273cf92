#ifndef UI_MAINWINDOW_H
#define UI_MAINWINDOW_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QSystemTrayIcon>

#include <ctime>
#include <memory>

class ChatsForm;
class ClientCore;
class DiagnosticsForm;
class EventToolBar;
class OptionsForm;
class QAction;
class QLabel;
class QLineEdit;
class QTabWidget;
class RoomsForm;
class SearchForm;
class ShareScanIndicator;
class SharesForm;
class SizeManager;
class TransfersForm;
class UserListForm;
class WindowGeometryProxy;

// The main window: starts the client core (the managers, the configuration
// file, the periodic work), adds the windows to it, hosts one tab per window of
// the user interface, and shuts everything down in order when destroyed.
class MainWindow : public QMainWindow, public DataHandler
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    // The orderly shut-down: collect, save, delete the managers.
    ~MainWindow() override;

    // Called once, after the window has been made visible.
    void Init();

    QTabWidget* Tabs() const { return tabs; }
    RoomsForm* Rooms() const { return roomsForm; }
    ChatsForm* Chats() const { return chatsForm; }
    SearchForm* Search() const { return searchForm; }
    TransfersForm* Transfers() const { return transfersForm; }
    SharesForm* Shares() const { return sharesForm; }
    UserListForm* UserList() const { return userListForm; }
    OptionsForm* Options() const { return optionsForm; }
    DiagnosticsForm* Diagnostics() const { return diagnosticsForm; }
    EventToolBar* Events() const { return eventBar; }
    QLineEdit* UserNameEntry() const { return userNameEntry; }
    QSystemTrayIcon* TrayIcon() const { return trayIcon; }
    QLabel* ListeningWarning() const { return listeningWarning; }
    ShareScanIndicator* ScanIndicator() const { return scanIndicator; }
    // The box that tells the counts of the last rescan, while it is open.
    QMessageBox* RescannedBox() const { return rescannedBox; }
    ClientCore* Core() const { return core.get(); }

    // The main tab a first_open_tab word names; the rooms tab stands in for
    // the tabs that do not exist.
    QWidget* TabForWord(const QString& word) const;
    // None: the tool bars hold the only way to some actions, so they cannot be hidden.
    QMenu* createPopupMenu() override;

public slots:
    // The tool actions, by action name: connect_disconnect, set_user_pass,
    // set_listening_port, message_user, browse_user, add_user,
    // set_download_folder, share_folder, unshare_folder, rescan_shares.
    void ConnectOrDisconnect();
    void OpenUserPassDialog();
    void OpenListeningPortDialog();
    void MessageUser();
    void BrowseUser();
    void AddUser();
    void ChooseDownloadFolder();
    void ShareFolder();
    void UnshareFolder();
    void RescanShares();
    // Brings the private chat with the user to the front.
    void OpenPrivateChat(const QString& user);
    // Bring the user's share browser (moved to the folder when one is given),
    // the own shares to upload to the user, or the user's information to the front.
    void OpenShareBrowse(const QString& user, const QString& folder = QString());
    void OpenUploadBrowse(const QString& user);
    void OpenUserInfo(const QString& user);

signals:
    // The user closed the window (not to the tray) or chose Quit.
    void QuitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private slots:
    void OnConnected();
    void OnConnecting();
    void OnDisconnected();
    void OnConnectionFailed(const QString& reason);
    void OnPrivateChat(const QString& user, const QString& message, time_t timeStamp, bool flag);
    void OnAdminMessage(const QString& text);
    void OnNewVersion(qint64 build, const QString& downloadAddress, const QStringList& notes);
    void OnImportUserListClicked();
    void OnUseUpnpToggled(bool on);
    void OnAwayToggled(bool away);
    void OnSaveFailed(const QString& reason);
    void OnListeningFailed(int port, const QString& reason);
    void OnMinimizeToTrayToggled(bool on);
    void OnShowDiagnosticsToggled(bool on);
    void OnTrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void OnTrayMessage(const QString& title, const QString& text);
    void OnApplicationIconChanged(const QIcon& icon);
    void OnSharedFilesRescanned(int added, int removed);
    void ShowFromTray();

private:
    void DeclareWindowTypes();
    void BuildToolBar();
    void BuildMenuBar();
    void AddMainTab(const QString& word, QWidget* page, const QIcon& icon, const QString& title);
    void WatchUsername();
    void WriteSettingDefaults();
    void FillCodePageChooser();
    void LoadConfiguration();
    void ApplyLoadedSettings();
    void ApplyPalette();
    void RunFirstRunDialogue();
    void CreateTrayIcon();
    void ShowFirstOpenTab();
    void OnUsernameChanged(ItemPtr setting);
    void ShowIdentity();
    bool HidesToTray() const;
    // The user name typed into the tool bar; empty (and the entry focused,
    // with a hint) when there is none.
    QString EnteredUser(const QString& hint);

    std::unique_ptr<ClientCore> core;
    std::unique_ptr<SizeManager> sizes;
    QTabWidget* tabs;
    // The main tabs by the first_open_tab word that names them.
    QMap<QString, QWidget*> namedTabs;
    QAction* connectAction = nullptr;
    QAction* awayAction = nullptr;
    QLineEdit* userNameEntry = nullptr;
    EventToolBar* eventBar = nullptr;
    RoomsForm* roomsForm = nullptr;
    ChatsForm* chatsForm = nullptr;
    SearchForm* searchForm = nullptr;
    TransfersForm* transfersForm = nullptr;
    SharesForm* sharesForm = nullptr;
    UserListForm* userListForm = nullptr;
    OptionsForm* optionsForm = nullptr;
    DiagnosticsForm* diagnosticsForm = nullptr;
    QLabel* identityLabel;
    // Shown while other users cannot connect because a listening port could not be opened.
    QLabel* listeningWarning;
    // The ports that failed since the client last listened.
    QList<int> unopenedPorts;
    ShareScanIndicator* scanIndicator = nullptr;
    QPointer<QMessageBox> rescannedBox;
    WindowGeometryProxy* sizeProxy;
    QSystemTrayIcon* trayIcon = nullptr;
};

extern MainWindow* mainWindow;

#endif
