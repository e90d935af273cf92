#ifndef UI_MAINWINDOW_H
#define UI_MAINWINDOW_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QMainWindow>
#include <QSystemTrayIcon>

#include <memory>

class DataSaver;
class DelayedInvoker;
class DiagnosticsForm;
class ExtendedAsciiTranslator;
class OptionsForm;
class QAction;
class QTabWidget;
class Server;
class SizeManager;
class TimerManager;

// The main window: creates the managers in their fixed order, declares the
// settings with their defaults, loads the configuration file, hosts one tab
// per window of the user interface, saves the configuration every hour, and
// shuts everything down in order when destroyed.
class MainWindow : public QMainWindow, public DataHandler
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    // The orderly shut-down: collect, save, delete the managers.
    ~MainWindow() override;

    // Called once, after the window has been made visible.
    void Init();

    // The configuration file, recomputed on every use.
    static QString ConfigurationPath();

    QTabWidget* Tabs() const { return tabs; }
    OptionsForm* Options() const { return optionsForm; }
    DiagnosticsForm* Diagnostics() const { return diagnosticsForm; }
    QSystemTrayIcon* TrayIcon() const { return trayIcon; }

public slots:
    void EveryHalfMinute();
    void EveryFiveMinutes();
    void EveryHour();
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
    void OnMinimizeToTrayToggled(bool on);
    void OnShowDiagnosticsToggled(bool on);
    void OnTrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void ShowFromTray();

private:
    class SizeProxy;

    void DeclareWishListTypes();
    void DeclareUserNoteTypes();
    void BuildToolBar();
    void WatchUsername();
    void WriteSettingDefaults();
    void FillCodePageChooser();
    void LoadConfiguration();
    void ApplyLoadedSettings();
    void ApplyPalette();
    void RunFirstRunDialogue();
    void ConnectTicks();
    void CreateTrayIcon();
    void OnUsernameChanged(ItemPtr setting);
    bool HidesToTray() const;

    std::unique_ptr<TimerManager> timers;
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<Server> server;
    std::unique_ptr<DelayedInvoker> invoker;
    std::unique_ptr<SizeManager> sizes;
    std::unique_ptr<ExtendedAsciiTranslator> translator;
    QTabWidget* tabs;
    QAction* connectAction = nullptr;
    OptionsForm* optionsForm = nullptr;
    DiagnosticsForm* diagnosticsForm = nullptr;
    SizeProxy* sizeProxy;
    QSystemTrayIcon* trayIcon = nullptr;
    // Set once loading was tried: only then may the file be overwritten.
    bool configurationLoaded = false;
};

extern MainWindow* mainWindow;

#endif
