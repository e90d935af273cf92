#include "ui/OptionsForm.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "ui/ColourOptionsPage.h"
#include "ui/ExcludedExtensionsDialog.h"
#include "ui/SharedFoldersView.h"
#include "ui/SoundOptionsPage.h"
#include "ui/UserInfoOptionsPage.h"
#include "wire/ExtendedAsciiTranslator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char* const NoCodePage = "[None]";

const QStringList ChatTimestampsWords = {"activity_based", "per_message_short", "per_message_long", "no_timestamps"};
const QStringList FirstOpenTabWords = {"transfers", "rooms", "search", "users"};

// Shown until the upload queue has written its own value.
constexpr int DefaultMaxQueuedUploads = 200;
// The upload queue raises anything lower to this at load.
constexpr int MinMaxQueuedUploads = 10;

// An unknown word selects the last entry, which stands for "anything else".
int IndexOfWord(const QStringList& words, const QString& word)
{
    const int index = words.indexOf(word);
    return index >= 0 ? index : words.size() - 1;
}

QString WordAt(const QStringList& words, int index)
{
    return words.value(qBound(0, index, words.size() - 1));
}

} // namespace

OptionsForm::OptionsForm(QWidget* parent)
    : QWidget(parent)
    , pages(new QTabWidget)
    , usernameLabel(new QLabel)
    , serverHost(new QLineEdit)
    , serverPort(new QLineEdit)
    , listeningPortLabel(new QLabel)
    , obfuscatedPortLabel(new QLabel)
    , downloadFolderLabel(new QLabel)
    , maxQueuedUploads(new QSpinBox)
    , emptyShareMessage(new QLineEdit)
    , chatTimestamps(new QComboBox)
    , firstOpenTab(new QComboBox)
    , codePages(new QComboBox)
    , sounds(new SoundOptionsPage)
    , colours(new ColourOptionsPage)
    , userInfo(new UserInfoOptionsPage)
    , sharedFolders(new SharedFoldersView)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);

    QWidget* login = NewPage("Login");
    auto* loginForm = static_cast<QFormLayout*>(login->layout());
    auto* userPassButton = new QPushButton("Set Username/Password");
    loginForm->addRow(usernameLabel, userPassButton);
    serverHost->setObjectName("server_host");
    serverHost->setPlaceholderText("the network's server");
    loginForm->addRow("Server host:", serverHost);
    serverPort->setObjectName("server_port");
    serverPort->setValidator(new QIntValidator(1, 65535, serverPort));
    serverPort->setPlaceholderText("2242");
    loginForm->addRow("Server port:", serverPort);
    connect(userPassButton, &QPushButton::clicked, this, &OptionsForm::UserPassRequested);

    QWidget* network = NewPage("Network");
    auto* networkForm = static_cast<QFormLayout*>(network->layout());
    auto* portButton = new QPushButton("Change Listening Port");
    networkForm->addRow(listeningPortLabel, portButton);
    networkForm->addRow(obfuscatedPortLabel);
    AddCheckBox(network, "use_upnp", "Map the listening ports on the router (UPnP)");
    connect(portButton, &QPushButton::clicked, this, &OptionsForm::ListeningPortRequested);

    QWidget* transfers = NewPage("Transfers");
    auto* transfersForm = static_cast<QFormLayout*>(transfers->layout());
    downloadFolderLabel->setObjectName("download_folder");
    downloadFolderLabel->setWordWrap(true);
    downloadFolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* downloadFolderButton = new QPushButton("Set Download Folder...");
    transfersForm->addRow("Download folder:", downloadFolderLabel);
    transfersForm->addRow(QString(), downloadFolderButton);
    connect(downloadFolderButton, &QPushButton::clicked, this, &OptionsForm::DownloadFolderRequested);
    auto* excludedButton = new QPushButton("Excluded Download Extensions...");
    excludedButton->setObjectName("excluded_extensions");
    transfersForm->addRow("Skipped in folder downloads:", excludedButton);
    connect(excludedButton, &QPushButton::clicked, this, &OptionsForm::OpenExcludedExtensions);
    AddCheckBox(transfers, "dont_create_subfolders_for_single_downloads",
                "Save single downloads directly into the downloads folder");
    AddCheckBox(transfers, "accept_userlist_uploads", "Let users on my list send me files");
    maxQueuedUploads->setRange(MinMaxQueuedUploads, 1000000);
    transfersForm->addRow("Queued uploads per user:", maxQueuedUploads);
    AddCheckBox(transfers, "check_for_empty_shares", "Check whether users who queue files share anything");
    transfersForm->addRow("Message to users sharing nothing:", emptyShareMessage);

    pages->addTab(sharedFolders, "File Sharing");
    pages->addTab(userInfo, "User Info");

    QWidget* display = NewPage("Interface");
    auto* displayForm = static_cast<QFormLayout*>(display->layout());
    AddCheckBox(display, "minimize_to_tray", "Close and minimize to the system tray");
    AddCheckBox(display, "expand_new_shares", "Expand newly listed shared folders");
    AddCheckBox(display, "use_old_style_search_results", "Show search results as a flat list");
    AddCheckBox(display, "show_event_buttons", "Show event buttons");
    AddCheckBox(display, "show_away_status_in_application_icon", "Show away status in the application icon");
    AddCheckBox(display, "open_groups_on_user_add", "Open groups when a user is added");
    chatTimestamps->addItems(
        {"Based on activity", "Short time on every message", "Long time on every message", "No time stamps"});
    displayForm->addRow("Chat time stamps:", chatTimestamps);
    firstOpenTab->addItems({"Transfers", "Rooms", "Search", "Users"});
    displayForm->addRow("Tab shown at start:", firstOpenTab);
    displayForm->addRow("Code page for non-UTF-8 text:", codePages);

    pages->addTab(colours, "Colours");

    pages->addTab(sounds, "Sounds");

    QWidget* logs = NewPage("Logs");
    AddCheckBox(logs, "log_room_chat", "Write room chat to log files");
    AddCheckBox(logs, "log_private_chat", "Write private chat to log files");
    AddCheckBox(logs, "show_diagnostics", "Show the diagnostics log");
    AddCheckBox(logs, "user_level_logging", "Keep a log for each user and transfer");

    for (const char* name : {"listening_port", "obfuscated_listening_port", "new_listening_port"}) {
        auto* root = new PathNode(d.GetType("global")->GetItem(name));
        new PathNode(root, "global_value", PathOnConnect);
        d.AddPathEventHandler(
            root, AddDataHandler(new EventHandler<OptionsForm, ItemPtr>(this, &OptionsForm::OnPortSettingChanged)));
    }
    for (const char* name : {"server_host", "server_port"}) {
        auto* root = new PathNode(d.GetType("global")->GetItem(name));
        new PathNode(root, "global_value", PathOnConnect);
        d.AddPathEventHandler(
            root, AddDataHandler(new EventHandler<OptionsForm, ItemPtr>(this, &OptionsForm::OnLoginSettingChanged)));
    }
    auto* downloadFolder = new PathNode(d.GetType("global")->GetItem("download_folder"));
    new PathNode(downloadFolder, "global_value", PathOnConnect);
    d.AddPathEventHandler(
        downloadFolder,
        AddDataHandler(new EventHandler<OptionsForm, ItemPtr>(this, &OptionsForm::OnDownloadFolderChanged)));
    ShowPorts();
}

QWidget* OptionsForm::NewPage(const QString& title)
{
    auto* page = new QWidget;
    new QFormLayout(page);
    pages->addTab(page, title);
    return page;
}

void OptionsForm::AddCheckBox(QWidget* page, const QString& setting, const QString& label)
{
    auto* box = new QCheckBox(label);
    box->setObjectName(setting);
    static_cast<QFormLayout*>(page->layout())->addRow(box);
    checkBoxes.insert(setting, box);
}

void OptionsForm::FillCodePages(const QList<QByteArray>& codecNames)
{
    const QSignalBlocker blocker(codePages);
    codePages->clear();
    codePages->addItem(NoCodePage);
    for (const QByteArray& name : codecNames)
        codePages->addItem(QString::fromLatin1(name));
}

void OptionsForm::LoadSettings()
{
    for (auto box = checkBoxes.cbegin(); box != checkBoxes.cend(); ++box) {
        const QSignalBlocker blocker(box.value());
        box.value()->setChecked(IsSettingOn(box.key()));
    }
    {
        const QSignalBlocker blocker(maxQueuedUploads);
        const QString stored = GetSetting("max_queued_uploads_per_user");
        maxQueuedUploads->setValue(stored.isEmpty() ? DefaultMaxQueuedUploads : stored.toInt());
    }
    {
        const QSignalBlocker blocker(chatTimestamps);
        chatTimestamps->setCurrentIndex(IndexOfWord(ChatTimestampsWords, GetSetting("chat_timestamps")));
    }
    {
        const QSignalBlocker blocker(firstOpenTab);
        firstOpenTab->setCurrentIndex(IndexOfWord(FirstOpenTabWords, GetSetting("first_open_tab")));
    }
    {
        const QSignalBlocker blocker(codePages);
        const int stored = codePages->findText(GetSetting("extended_ascii_codepage"));
        codePages->setCurrentIndex(stored > 0 ? stored : 0);
    }
    serverHost->setText(GetSetting("server_host"));
    serverPort->setText(GetSetting("server_port"));
    emptyShareMessage->setText(GetSetting("empty_share_message"));
    sounds->LoadSettings();
    colours->LoadSettings();
    userInfo->LoadSettings();
    OnDownloadFolderChanged(ItemPtr());
    ShowUsername(GetSetting("username"));
    ShowPorts();
    ConnectChanges();
}

void OptionsForm::ConnectChanges()
{
    if (changesConnected)
        return;
    changesConnected = true;
    for (QCheckBox* box : checkBoxes)
        connect(box, &QCheckBox::toggled, this, &OptionsForm::OnCheckBoxToggled);
    connect(maxQueuedUploads, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &OptionsForm::OnMaxQueuedUploadsChanged);
    connect(chatTimestamps, QOverload<int>::of(&QComboBox::activated), this, &OptionsForm::OnChatTimestampsSelected);
    connect(firstOpenTab, QOverload<int>::of(&QComboBox::activated), this, &OptionsForm::OnFirstOpenTabSelected);
    connect(codePages, QOverload<int>::of(&QComboBox::activated), this, &OptionsForm::OnCodePageSelected);
    // Stored on every edit: Connect right after typing uses what was typed.
    connect(serverHost, &QLineEdit::textEdited, this, &OptionsForm::OnServerHostEdited);
    connect(serverPort, &QLineEdit::textEdited, this, &OptionsForm::OnServerPortEdited);
    connect(emptyShareMessage, &QLineEdit::editingFinished, this, &OptionsForm::OnEmptyShareMessageEdited);
}

void OptionsForm::ShowUsername(const QString& username)
{
    usernameLabel->setText(username.isEmpty() ? QString("No user name set") : "User name: " + username);
}

QString OptionsForm::ChatTimestampsWord(int index)
{
    return WordAt(ChatTimestampsWords, index);
}

QString OptionsForm::FirstOpenTabWord(int index)
{
    return WordAt(FirstOpenTabWords, index);
}

void OptionsForm::OnCheckBoxToggled(bool checked)
{
    const QString setting = sender()->objectName();
    SetSetting(setting, checked ? "yes" : "no");
    if (setting == "minimize_to_tray")
        emit MinimizeToTrayToggled(checked);
    else if (setting == "show_diagnostics")
        emit ShowDiagnosticsToggled(checked);
}

void OptionsForm::OnMaxQueuedUploadsChanged(int value)
{
    SetSetting("max_queued_uploads_per_user", QString::number(value));
}

void OptionsForm::OnChatTimestampsSelected(int index)
{
    SetSetting("chat_timestamps", ChatTimestampsWord(index));
}

void OptionsForm::OnFirstOpenTabSelected(int index)
{
    SetSetting("first_open_tab", FirstOpenTabWord(index));
}

void OptionsForm::OnCodePageSelected(int index)
{
    extendedAsciiTranslator->SetCodePage(index > 0 ? codePages->itemText(index).toStdString() : std::string());
}

void OptionsForm::OnServerHostEdited()
{
    SetSetting("server_host", serverHost->text().trimmed());
}

void OptionsForm::OnServerPortEdited()
{
    // An empty field means the default; a number being typed that is not a
    // port yet (a lone 0) is not stored.
    const QString text = serverPort->text().trimmed();
    if (text.isEmpty())
        SetSetting("server_port", QString());
    else if (serverPort->hasAcceptableInput())
        SetSetting("server_port", QString::number(text.toInt()));
}

void OptionsForm::OnLoginSettingChanged(ItemPtr)
{
    // Another window (the first-run dialogue) may have changed them.
    const QString host = GetSetting("server_host");
    if (serverHost->text().trimmed() != host)
        serverHost->setText(host);
    const QString port = GetSetting("server_port");
    if (serverPort->text().trimmed() != port && (serverPort->hasAcceptableInput() || !port.isEmpty()))
        serverPort->setText(port);
}

void OptionsForm::OnEmptyShareMessageEdited()
{
    SetSetting("empty_share_message", emptyShareMessage->text());
}

void OptionsForm::OnPortSettingChanged(ItemPtr)
{
    ShowPorts();
}

void OptionsForm::ShowListeningError(const QString& error)
{
    listeningError = error;
    ShowPorts();
}

void OptionsForm::ShowPorts()
{
    const QString listening = GetSetting("listening_port");
    const QString pending = GetSetting("new_listening_port");
    QString text = listening.isEmpty() ? QString("Listening port: not chosen yet") : "Listening port: " + listening;
    if (!pending.isEmpty() && pending != listening)
        text += QString(" (%1 after a restart)").arg(pending);
    if (!listeningError.isEmpty())
        text += QString("\nNot listening: %1. Other users cannot connect to you; choose another port.")
                    .arg(listeningError);
    listeningPortLabel->setText(text);

    const QString obfuscated = GetSetting("obfuscated_listening_port");
    obfuscatedPortLabel->setVisible(!obfuscated.isEmpty());
    obfuscatedPortLabel->setText(
        QString("Obfuscated port is %1, if you're manually forwarding\nyour ports be sure to open it as well.")
            .arg(obfuscated));
}

void OptionsForm::OnDownloadFolderChanged(ItemPtr)
{
    downloadFolderLabel->setText(QDir::toNativeSeparators(GetSetting("download_folder")));
}

void OptionsForm::ShowPage(QWidget* page)
{
    pages->setCurrentWidget(page);
}

void OptionsForm::OpenExcludedExtensions()
{
    ExcludedExtensionsDialog(this).exec();
}
