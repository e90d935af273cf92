#include "app/ClientCore.h"

#include "app/DelayedInvoker.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "dnet/DNetManager.h"
#include "peer/PeerMessenger.h"
#include "server/PrivateMessageSchema.h"
#include "server/Server.h"
#include "services/PortForwarder.h"
#include "services/UpdateChecker.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "transfers/TransferQueueManager.h"
#include "wire/ExtendedAsciiTranslator.h"

#include <QDir>

namespace {

const char* const LogArea = "Configuration Data";

void LogConfiguration(const QString& text)
{
    Log(LogArea, 1, text, ItemPtr());
}

// The defaults of the settings that no window owns.
const struct
{
    const char* setting;
    const char* value;
} SettingDefaults[] = {
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

ClientCore::ClientCore(TickIntervals tickIntervals, QObject* parent)
    : QObject(parent)
    , intervals(tickIntervals)
{
}

ClientCore::~ClientCore()
{
    Shutdown();
}

QString ClientCore::ConfigurationPath()
{
    return QDir::homePath() + "/.Quillmer";
}

void ClientCore::CreateManagers()
{
    timers = std::make_unique<TimerManager>(intervals.halfMinuteMs, intervals.fiveMinutesMs, intervals.hourMs);
    saver = std::make_unique<DataSaver>();
    saver->SetReporter(LogConfiguration);
    server = std::make_unique<Server>();
    server->SetPortMapper(std::make_unique<PortForwarder>());

    DeclareSettingsSchema();
    Server::CreateData();
    qRegisterMetaType<ItemPtr>("ItemPtr");
    DeclarePrivateMessageTypes();
    messenger = std::make_unique<PeerMessenger>();

    invoker = std::make_unique<DelayedInvoker>();
    dnet = std::make_unique<DNetManager>();
    shares = std::make_unique<SharedFoldersManager>();
    ConnectSharing();
    ConnectDistributedNetwork();
    transfers = std::make_unique<TransferQueueManager>();
    ConnectTransfers();
    wishes = std::make_unique<WishListSearcher>(nullptr, intervals.wishListSecondMs);
    translator = std::make_unique<ExtendedAsciiTranslator>();
    // The address is the packager's; without one no check is made.
    updates = std::make_unique<UpdateChecker>(QUrl(QStringLiteral(QUILLMER_VERSION_FILE_URL)));
}

void ClientCore::ConnectSharing()
{
    SharedFoldersManager* sharing = shares.get();
    PeerMessenger* peers = messenger.get();
    connect(peers, &PeerMessenger::SharedFileListRequested, sharing, &SharedFoldersManager::OnSharedFileListRequested);
    connect(peers, &PeerMessenger::SharedFilesInFolderRequested, sharing,
            &SharedFoldersManager::OnFilesInFoldersRequested);
    const auto send = [peers](QString user, MemStream message) { peers->SendMessageToUser(user, message); };
    connect(sharing, &SharedFoldersManager::SearchReplyReady, peers, send);
    connect(sharing, &SharedFoldersManager::FolderContentsReady, peers, send);
    connect(sharing, &SharedFoldersManager::SharedFileListReady, peers, send);
}

void ClientCore::ConnectDistributedNetwork()
{
    DNetManager* tree = dnet.get();
    PeerMessenger* peers = messenger.get();
    connect(peers, &PeerMessenger::DNetConnectionRequested, tree, &DNetManager::OnDNetConnectionRequested);
    connect(peers, &PeerMessenger::DNetConnectionAccepted, tree, &DNetManager::OnDNetConnectionAccepted);
    connect(peers, &PeerMessenger::ConnectionToUserFailed, tree, &DNetManager::OnConnectionToUserFailed);
    connect(tree, &DNetManager::RequestDNetConnection, peers, &PeerMessenger::RequestDNetConnection);
    connect(tree, &DNetManager::DNetSearchRequest, shares.get(), &SharedFoldersManager::OnDNetSearchRequest);
}

void ClientCore::ConnectTransfers()
{
    TransferQueueManager* queue = transfers.get();
    messenger->SetUploadAvailabilitySource([queue] {
        return UploadAvailability{queue->QueuedUploadCount(), queue->IsFreeToUpload()};
    });
    shares->SetUploadQueueStatus([queue] {
        return UploadQueueStatus{queue->IsFreeToUpload(), uint32_t(queue->QueuedUploadCount())};
    });

    PeerMessenger* peers = messenger.get();
    connect(peers, &PeerMessenger::FileTransferRequested, queue, &TransferQueueManager::OnFileTransferRequest);
    connect(peers, &PeerMessenger::FileTransferResponse, queue, &TransferQueueManager::OnFileTransferResponse);
    connect(peers, &PeerMessenger::QueueUploadRequested, queue, &TransferQueueManager::OnQueueUploadRequested);
    connect(peers, &PeerMessenger::QueueDownloadRequested, queue, &TransferQueueManager::OnQueueDownloadRequested);
    connect(peers, &PeerMessenger::UploadFailed, queue, &TransferQueueManager::OnUploadFailedNotification);
    connect(peers, &PeerMessenger::UploadDenied, queue, &TransferQueueManager::OnUploadDeniedNotification);
    connect(peers, &PeerMessenger::UploadPlaceInLineRequested, queue,
            &TransferQueueManager::OnUploadPlaceInLineRequested);
    connect(peers, &PeerMessenger::DownloadPlaceInLine, queue, &TransferQueueManager::OnDownloadPlaceInLine);
    connect(peers, &PeerMessenger::UserShare, queue, &TransferQueueManager::OnUserShare);
    connect(peers, &PeerMessenger::FileConnectionRequested, queue, &TransferQueueManager::OnFileConnection);
    connect(peers, &PeerMessenger::FileConnectionAccepted, queue, &TransferQueueManager::OnFileConnectionAccepted);
}

void ClientCore::WriteSettingDefaults()
{
    for (const auto& setting : SettingDefaults)
        SetSetting(setting.setting, setting.value);
}

ClientCore::LoadResult ClientCore::LoadConfiguration()
{
    const QString path = ConfigurationPath();
    LogConfiguration(QString("Loading configuration data from %1").arg(path));
    loadAttempted = true;
    try {
        saver->Load(path);
        LogConfiguration("Data loaded successfully.");
        return LoadResult();
    } catch (const DataLoadFailure& failure) {
        LogConfiguration("Failure to load configuration data.");
        return LoadResult{false, failure.KeptCopyPath()};
    }
}

void ClientCore::Start()
{
    SetSetting("data_version", "1");
    connect(timers.get(), &TimerManager::FiveMinutesTick, this, &ClientCore::EveryFiveMinutes);
    connect(timers.get(), &TimerManager::HourTick, this, &ClientCore::EveryHour);
    shares->Init();
    updates->Init();
}

void ClientCore::ConnectIfUserKnown()
{
    if (!GetSetting("username").isEmpty())
        server->Connect();
}

bool ClientCore::SaveConfiguration()
{
    QString reason;
    const bool saved = saver->Save(ConfigurationPath(), &reason);
    if (!saved && !saveFailing)
        emit SaveFailed(reason);
    saveFailing = !saved;
    return saved;
}

void ClientCore::EveryFiveMinutes()
{
    d.RemoveDisconnectedItems();
}

void ClientCore::EveryHour()
{
    LogConfiguration(QString("Saving configuration data to %1").arg(ConfigurationPath()));
    SaveConfiguration();
}

void ClientCore::Shutdown()
{
    if (shutDown || !timers)
        return;
    shutDown = true;
    server->Disconnect();
    if (loadAttempted) {
        d.RemoveDisconnectedItems();
        SaveConfiguration();
    }
    updates.reset();
    wishes.reset();
    // First: it stops the transfer threads and waits for them.
    transfers.reset();
    shares.reset();
    invoker.reset();
    dnet.reset();
    messenger.reset();
    server.reset();
    saver.reset();
    timers.reset();
    translator.reset();
}
