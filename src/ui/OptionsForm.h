#ifndef UI_OPTIONSFORM_H
#define UI_OPTIONSFORM_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QWidget>

class ColourOptionsPage;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class SharedFoldersView;
class SoundOptionsPage;
class UserInfoOptionsPage;

// The "Options" tab: the settings the user edits directly. Each control is
// set from its setting by LoadSettings and writes it back on every change:
// check boxes "yes"/"no", the spin box and the port field decimal numbers,
// the choosers their entry's word.
class OptionsForm : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    // Needs the settings schema; registers handlers on the port settings.
    explicit OptionsForm(QWidget* parent = nullptr);

    // "[None]" first, then the codec names.
    void FillCodePages(const QList<QByteArray>& codecNames);
    // Sets every control from its setting, then starts writing changes back.
    void LoadSettings();
    void ShowUsername(const QString& username);

    QCheckBox* CheckBox(const QString& setting) const { return checkBoxes.value(setting); }
    QSpinBox* MaxQueuedUploadsBox() const { return maxQueuedUploads; }
    QComboBox* ChatTimestampsChooser() const { return chatTimestamps; }
    QComboBox* FirstOpenTabChooser() const { return firstOpenTab; }
    QComboBox* CodePageChooser() const { return codePages; }
    QLineEdit* ServerHostEdit() const { return serverHost; }
    QLineEdit* ServerPortEdit() const { return serverPort; }
    QLabel* ObfuscatedPortLabel() const { return obfuscatedPortLabel; }
    QLabel* ListeningPortLabel() const { return listeningPortLabel; }
    QLabel* DownloadFolderLabel() const { return downloadFolderLabel; }

    // Why the client is not listening (empty while it listens): shown on the port line.
    void ShowListeningError(const QString& error);
    SoundOptionsPage* Sounds() const { return sounds; }
    ColourOptionsPage* Colours() const { return colours; }
    UserInfoOptionsPage* UserInfo() const { return userInfo; }
    SharedFoldersView* SharedFolders() const { return sharedFolders; }
    QTabWidget* Pages() const { return pages; }
    // Brings the page to the front.
    void ShowPage(QWidget* page);

    // Opens the excluded download extensions dialog.
    void OpenExcludedExtensions();

    // The words the choosers write, by entry.
    static QString ChatTimestampsWord(int index);
    static QString FirstOpenTabWord(int index);

signals:
    void UserPassRequested();
    void ListeningPortRequested();
    void DownloadFolderRequested();
    void MinimizeToTrayToggled(bool on);
    void ShowDiagnosticsToggled(bool on);

private slots:
    void OnCheckBoxToggled(bool checked);
    void OnMaxQueuedUploadsChanged(int value);
    void OnChatTimestampsSelected(int index);
    void OnFirstOpenTabSelected(int index);
    void OnCodePageSelected(int index);
    void OnServerHostEdited();
    void OnServerPortEdited();
    void OnEmptyShareMessageEdited();

private:
    QWidget* NewPage(const QString& title);
    void AddCheckBox(QWidget* page, const QString& setting, const QString& label);
    void OnPortSettingChanged(ItemPtr setting);
    void OnLoginSettingChanged(ItemPtr setting);
    void OnDownloadFolderChanged(ItemPtr setting);
    void ShowPorts();
    void ConnectChanges();

    QTabWidget* pages;
    QMap<QString, QCheckBox*> checkBoxes;
    QLabel* usernameLabel;
    QLineEdit* serverHost;
    QLineEdit* serverPort;
    QLabel* listeningPortLabel;
    QString listeningError;
    QLabel* obfuscatedPortLabel;
    QLabel* downloadFolderLabel;
    QSpinBox* maxQueuedUploads;
    QLineEdit* emptyShareMessage;
    QComboBox* chatTimestamps;
    QComboBox* firstOpenTab;
    QComboBox* codePages;
    SoundOptionsPage* sounds;
    ColourOptionsPage* colours;
    UserInfoOptionsPage* userInfo;
    SharedFoldersView* sharedFolders;
    bool changesConnected = false;
};

#endif
