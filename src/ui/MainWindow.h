#ifndef UI_MAINWINDOW_H
#define UI_MAINWINDOW_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QMainWindow>
#include <QSystemTrayIcon>

#include <memory>

class ClientCore;
class DiagnosticsForm;
class OptionsForm;
class QAction;
class QTabWidget;
class SizeManager;

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
    OptionsForm* Options() const { return optionsForm; }
    DiagnosticsForm* Diagnostics() const { return diagnosticsForm; }
    QSystemTrayIcon* TrayIcon() const { return trayIcon; }
    ClientCore* Core() const { return core.get(); }

public slots:
    // Tool actions set_user_pass and set_listening_port.
    void ConnectOrDisconnect();
    void OpenUserPassDialog();
    void OpenListeningPortDialog();

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
    void OnSaveFailed(const QString& reason);
    void OnMinimizeToTrayToggled(bool on);
    void OnShowDiagnosticsToggled(bool on);
    void OnTrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void ShowFromTray();

private:
    class SizeProxy;

    void BuildToolBar();
    void WatchUsername();
    void WriteSettingDefaults();
    void FillCodePageChooser();
    void LoadConfiguration();
    void ApplyLoadedSettings();
    void ApplyPalette();
    void RunFirstRunDialogue();
    void CreateTrayIcon();
    void OnUsernameChanged(ItemPtr setting);
    bool HidesToTray() const;

    std::unique_ptr<ClientCore> core;
    std::unique_ptr<SizeManager> sizes;
    QTabWidget* tabs;
    QAction* connectAction = nullptr;
    OptionsForm* optionsForm = nullptr;
    DiagnosticsForm* diagnosticsForm = nullptr;
    SizeProxy* sizeProxy;
    QSystemTrayIcon* trayIcon = nullptr;
};

extern MainWindow* mainWindow;

#endif
