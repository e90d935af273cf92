#include "transfers/UploadQueue.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "shares/ShareVisibility.h"
#include "store/Data.h"
#include "transfers/DownloadQueue.h"
#include "transfers/TransferCells.h"
#include "transfers/TransferLinks.h"
#include "transfers/TransferLog.h"
#include "transfers/TransferObjects.h"
#include "transfers/TransferSchema.h"
#include "transfers/TransferUsers.h"
#include "transfers/UploadSpeedLimiter.h"
#include "transfers/UploadThread.h"

#include <QFile>
#include <QTcpSocket>

#include <memory>

namespace {

using namespace TransferStatus;

constexpr qint64 UnansweredOfferMs = 29999;
// Uploads of bigger files tell the server the speed they reached.
constexpr qint64 SpeedReportMinimumBytes = 1024 * 1024;
constexpr int MaxUploadSlots = 99;
constexpr int MinQueuedUploadsPerUser = 10;
constexpr qint64 MaxBufferedBytes = 64 * 1024;

ItemPtr StatusItem(const char* word)
{
    return d.GetType("upload_entry_status")->GetItem(Value(word));
}

bool IsActive(ItemPtr entry)
{
    return entry.GetItem("upload_entry_status").IsConnected("is_active");
}

QString UserOf(ItemPtr entry)
{
    return entry.GetItem("user").AsString();
}

QString RequestedPath(ItemPtr entry)
{
    return entry.GetItem("filename_as_requested").AsString();
}

QString FileNameOf(ItemPtr entry)
{
    return entry.GetItem("shared_file").GetItem("shared_file_name").AsString();
}

// The shared file's local path, as the index holds it.
QString LocalPath(ItemPtr entry)
{
    const ItemPtr file = entry.GetItem("shared_file");
    return file.GetItem("shared_file_folder").AsString() + '/' + file.GetItem("shared_file_name").AsString();
}

ItemSet EntriesWithStatus(const char* word)
{
    const ItemPtr status = d.GetType("upload_entry_status")->HasItem(Value(word));
    return status ? status.GetItems("upload_entry") : ItemSet();
}

// The queued entries of users who are online.
ItemSet WaitingEntries()
{
    ItemSet waiting;
    for (ItemPtr entry : EntriesWithStatus(Queued))
        if (IsUserOnline(entry.GetItem("user")))
            waiting.Insert(entry);
    return waiting;
}

bool HasActiveUpload(ItemPtr user)
{
    for (ItemPtr entry : user.GetItems("upload_entry"))
        if (IsActive(entry))
            return true;
    return false;
}

} // namespace

UploadQueue::UploadQueue(TransferLinks& transferLinks, TransferCells& transferCells, TransferObjects& transferObjects,
                         UploadSpeedLimiter& speedLimiter, std::function<void(UploadThread*)> watchThread)
    : links(transferLinks)
    , cells(transferCells)
    , objects(transferObjects)
    , limiter(speedLimiter)
    , watch(std::move(watchThread))
{
}

ItemPtr UploadQueue::SharedFileFor(const QString& user, const QString& path)
{
    QString local = path;
    local.replace('\\', '/');
    const ItemPtr file = links.GetSharedFileItem(local);
    return file && IsFileSharedWithUser(file, user) ? file : ItemPtr();
}

ItemPtr UploadQueue::NewEntry(ItemPtr user, ItemPtr file, const QString& path)
{
    const ItemPtr entry = d.GetType("upload_entry")->NewItem();
    entry += user;
    entry += file;
    entry += d.GetType("filename_as_requested")->GetItem(Value(path));
    SetUploadEntryStatus(entry, Queued);
    entry += d.GetType("upload_order")->GetItem(Value(TakeTransferOrder()));
    order.OrderNewUpload(entry);
    return entry;
}

void UploadQueue::OnQueueUploadRequested(const QString& user, const QString& path)
{
    const ItemPtr userItem = UserItem(user);
    TransferLog(1, QString("Queue upload requested by %1 for file %2").arg(user, path), userItem);
    const ItemPtr file = SharedFileFor(user, path);
    if (!file) {
        TransferLog(2, "Denied, file not shared", userItem);
        links.DenyUpload(user, path, "File not shared.");
        return;
    }
    if (const ItemPtr existing = d.GetItem(userItem, file, "upload_entry")) {
        const QString status = StatusOf(existing, "upload_entry_status");
        if (status != Queued && !IsActive(existing)) {
            TransferLog(2, QString("%1, re-queueing").arg(status), existing);
            SetUploadEntryStatus(existing, Queued);
            StartNewUploads();
        } else {
            TransferLog(2, "Already queued", existing);
        }
        return;
    }
    const int queued = int(userItem.GetItems("upload_entry").Connected(StatusItem(Queued)).Size());
    if (queued >= GetSetting("max_queued_uploads_per_user").toInt()) {
        TransferLog(2, "Denied, too many files already queued by user", userItem);
        links.DenyUpload(user, path, "Too many files");
        return;
    }
    const ItemPtr entry = NewEntry(userItem, file, path);
    TransferLog(2, "Queued", entry);
    links.TrackUser(user);
    if (IsSettingOn("check_for_empty_shares") && !userItem.GetItem("empty_share_check_status")
        && !userItem.IsConnected("in_user_list")) {
        links.GetUserSharedFiles(user);
        userItem += d.GetType("empty_share_check_status")->GetItem(Value("requested"));
    }
    StartNewUploads();
}

void UploadQueue::AddUpload(const QString& user, const QString& path)
{
    const ItemPtr userItem = UserItem(user);
    TransferLog(1, QString("Initiating upload to %1 of file %2").arg(user, path), userItem);
    const ItemPtr file = SharedFileFor(user, path);
    if (!file) {
        TransferLog(1, "Can't upload, file is either not shared or not shared with that particular user.", userItem);
        return;
    }
    links.QueueUpload(user, path, file.GetItem("shared_file_size").AsInt64());
    if (const ItemPtr existing = d.GetItem(userItem, file, "upload_entry")) {
        const QString status = StatusOf(existing, "upload_entry_status");
        if (status != Queued && !IsActive(existing)) {
            TransferLog(2, QString("%1, re-queueing").arg(status), existing);
            SetUploadEntryStatus(existing, Queued);
            StartNewUploads();
        } else {
            TransferLog(2, "Already queued", existing);
        }
        return;
    }
    const ItemPtr entry = NewEntry(userItem, file, path);
    TransferLog(2, "Queued", entry);
    links.TrackUser(user);
    StartNewUploads();
}

void UploadQueue::OnUploadPlaceInLineRequested(const QString& user, const QString& path)
{
    const ItemPtr userItem = d.GetType("user")->HasItem(Value(user));
    const ItemPtr requested = d.GetType("filename_as_requested")->HasItem(Value(path));
    const ItemPtr entry = userItem && requested ? d.GetItem(userItem, requested, "upload_entry") : ItemPtr();
    if (entry && entry.GetItem("effective_upload_order"))
        links.SendUploadPlaceInLine(user, path, UploadOrder::Position(entry));
}

bool UploadQueue::StillShared(ItemPtr entry)
{
    const ItemPtr file = entry.GetItem("shared_file");
    if (file && IsFileSharedWithUser(file, UserOf(entry)))
        return true;
    TransferLog(1,
                QString("%1 is no longer shared with %2, removing the upload").arg(RequestedPath(entry), UserOf(entry)),
                entry);
    links.DenyUpload(UserOf(entry), RequestedPath(entry), "File not shared.");
    TearDown(entry);
    entry.Remove();
    return false;
}

void UploadQueue::StartNewUploads()
{
    int free = GetSetting("upload_slots").toInt() - ActiveUploadCount();
    if (free <= 0)
        return;
    const ItemSet waiting = WaitingEntries();
    if (waiting.Empty())
        return;
    int position = 0;
    for (ItemPtr entry : waiting.SortNumericBy("effective_upload_order", true)) {
        UploadOrder::SetPosition(entry, position++);
        if (free <= 0 || HasActiveUpload(entry.GetItem("user")) || !StillShared(entry))
            continue;
        const unsigned int token = links.RequestUpload(
            UserOf(entry), RequestedPath(entry), entry.GetItem("shared_file").GetItem("shared_file_size").AsInt64());
        SetUploadEntryStatus(entry, Requesting);
        entry += d.GetType("transfer_req")->GetItem(Value(token));
        --free;
        DetermineUploadSpeedLimit();
    }
}

void UploadQueue::SetUploadEntryStatus(ItemPtr entry, const QString& status)
{
    const bool wasActive = IsActive(entry);
    const ItemPtr statusItem = d.GetType("upload_entry_status")->GetItem(Value(status));
    entry += statusItem;
    WriteDate(entry, "last_status_change_time", QDateTime::currentDateTime());
    if (!wasActive || statusItem.IsConnected("is_active"))
        return;
    TearDown(entry);
    if (status == Aborted) {
        TransferLog(1,
                    QString("Upload of %1 to %2 aborted, sending upload failed notification.")
                        .arg(FileNameOf(entry), UserOf(entry)),
                    entry);
        links.SendUploadFailed(UserOf(entry), RequestedPath(entry));
    }
    DetermineUploadSpeedLimit();
}

void UploadQueue::TearDown(ItemPtr entry)
{
    // The thread first: it gives the socket back before it ends.
    objects.StopThread(entry.GetItem("upload_thread"));
    objects.CloseFile(entry.GetItem("upload_file"));
    objects.CloseSocket(entry.GetItem("upload_socket"));
    for (const char* cell : {"read_position", "last_receipt_time", "last_speed_measurement_time", "bytes_per_second",
                             "bytes_since_last_receipt"})
        entry.GetItem(cell).Remove();
}

void UploadQueue::RemoveUpload(ItemPtr entry)
{
    TearDown(entry);
    entry.Remove();
    StartNewUploads();
}

bool UploadQueue::IsFreeToUpload() const
{
    return ActiveUploadCount() < GetSetting("upload_slots").toInt() && WaitingEntries().Empty();
}

int UploadQueue::QueuedUploadCount() const
{
    return int(EntriesWithStatus(Queued).Size());
}

int UploadQueue::ActiveUploadCount() const
{
    int count = 0;
    for (ItemPtr status : g("upload_entry_status").Connected("is_active"))
        count += int(status.GetItems("upload_entry").Size());
    return count;
}

void UploadQueue::SetUploadSlots(int count)
{
    if (count < 1 || count > MaxUploadSlots)
        return;
    const int previous = GetSetting("upload_slots").toInt();
    SetSetting("upload_slots", QString::number(count));
    if (count > previous)
        StartNewUploads();
}

void UploadQueue::EnableUploadSpeedLimit(bool on)
{
    SetSetting("upload_speed_limit_enabled", on ? "yes" : "no");
    DetermineUploadSpeedLimit();
}

void UploadQueue::DetermineUploadSpeedLimit()
{
    const int limit = GetSetting("upload_speed_limit").toInt();
    if (limit < 1 || !IsSettingOn("upload_speed_limit_enabled")) {
        limiter.SetLimits(0, 0);
        return;
    }
    limiter.SetLimits(limit, UploadSpeedLimiter::PerUploadLimit(limit, ActiveUploadCount()));
    const QDateTime now = QDateTime::currentDateTime();
    for (ItemPtr status : g("upload_entry_status").Connected("is_active")) {
        for (ItemPtr entry : status.GetItems("upload_entry")) {
            if (QDateTime* measured = cells.Time(entry.GetItem("last_speed_measurement_time")))
                *measured = now;
            if (qint64* counted = cells.Counter(entry.GetItem("bytes_since_last_receipt")))
                *counted = 0;
        }
    }
}

int UploadQueue::GetUploadSpeed() const
{
    return limiter.Total();
}

void UploadQueue::UnshareUser(const QString& user)
{
    const ItemPtr userItem = UserItem(user);
    userItem += d.GetType("unshared")->GetGlobalNullItem();
    for (ItemPtr entry : userItem.GetItems("upload_entry").ToVector()) {
        links.DenyUpload(user, RequestedPath(entry), "File not shared.");
        RemoveUpload(entry);
    }
}

void UploadQueue::ReshareUser(const QString& user)
{
    UserItem(user).Disconnect("unshared");
}

void UploadQueue::OnFileTransferResponse(const QString& user, unsigned int token, bool allowed, const QString& reason)
{
    const ItemPtr userItem = UserItem(user);
    TransferLog(1,
                QString("Received file transfer response from user %1 for req %2, transfer %3")
                    .arg(user)
                    .arg(token)
                    .arg(allowed ? "accepted" : "not accepted"),
                userItem);
    const ItemPtr request = d.GetType("transfer_req")->HasItem(Value(token));
    if (!request) {
        TransferLog(2, "req not found", userItem);
        return;
    }
    const ItemPtr entry = request.GetItem("upload_entry");
    if (!entry) {
        TransferLog(2,
                    request.GetItem("download_entry") ? "Found download, not processing"
                                                      : "Neither upload or download attached to req, weird",
                    userItem);
        return;
    }
    TransferLog(2, "Found upload", entry);
    if (UserOf(entry) != user) {
        TransferLog(2,
                    QString("Upload user %1 not the same as user who opened the connection, not doing anything")
                        .arg(UserOf(entry)),
                    entry);
        return;
    }
    if (!allowed) {
        TransferLog(2, QString("Upload was not accepted, marking denied. Reason: %1").arg(reason), entry);
        entry += d.GetType("denial_reason")->GetItem(Value(reason));
        SetUploadEntryStatus(entry, Denied);
        StartNewUploads();
        return;
    }
    const QString status = StatusOf(entry, "upload_entry_status");
    if (status != Requesting) {
        TransferLog(2,
                    QString("Upload no longer in requesting phase, instead status is %1. Not processing.").arg(status),
                    entry);
        return;
    }
    if (!StillShared(entry)) {
        StartNewUploads();
        return;
    }
    auto file = std::make_unique<QFile>(LocalPath(entry));
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        TransferLog(2,
                    "File could not be opened, marking local error and sending denial message. Shouldn't we have "
                    "done this before we requested the transfer?",
                    entry);
        links.DenyUpload(user, RequestedPath(entry), "File read error.");
        SetUploadEntryStatus(entry, LocalError);
        StartNewUploads();
        return;
    }
    TransferLog(2, "Requesting file connection to user", entry);
    links.RequestFileConnectionToUser(user);
    entry += objects.AddFile("upload_file", file.release());
    SetUploadEntryStatus(entry, Connecting);
}

void UploadQueue::OnFileConnectionAccepted(const QString& user, QTcpSocket* socket)
{
    const ItemPtr userItem = d.GetType("user")->HasItem(Value(user));
    const ItemSet connecting = userItem.GetItems("upload_entry").Connected(StatusItem(Connecting));
    const ItemPtr entry = connecting.First();
    QFile* file = objects.File(entry.GetItem("upload_file"));
    if (!file) {
        TransferLog(2, QString("No upload to %1 waits for a file connection, closing it").arg(user), userItem);
        DiscardSocket(socket);
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    entry += objects.AddSocket("upload_socket", socket);
    entry += cells.NewTime("last_receipt_time", now);
    entry += cells.NewTime("last_speed_measurement_time", now);
    entry += cells.NewSpeed(0);
    entry += cells.NewCounter("bytes_since_last_receipt", 0);
    SetUploadEntryStatus(entry, Uploading);
    entry += cells.NewCounter("read_position", 0);

    socket->disconnect();
    // The downloader sends only its offset; whatever else it sends is dropped.
    socket->setReadBufferSize(MaxBufferedBytes);
    auto* thread = new UploadThread(socket, file, entry.GetItem("transfer_req").AsUInt(), limiter);
    socket->setParent(nullptr);
    socket->moveToThread(thread);
    entry += objects.AddThread("upload_thread", thread);
    watch(thread);
    thread->start(QThread::InheritPriority);
}

ItemPtr UploadQueue::EntryOf(UploadThread* thread) const
{
    return TransferObjects::ItemOf("upload_thread", thread).GetItem("upload_entry");
}

void UploadQueue::OnUploadComplete(UploadThread* thread)
{
    const ItemPtr entry = EntryOf(thread);
    if (!entry)
        return;
    const int* speedCell = cells.Speed(entry.GetItem("bytes_per_second"));
    const int speed = speedCell ? *speedCell : 0;
    TransferLog(2, QString("Recording upload speed of %1").arg(speed), entry);
    if (entry.GetItem("shared_file").GetItem("shared_file_size").AsInt64() > SpeedReportMinimumBytes && speed > 0)
        links.SendUploadSpeed(speed);
    SetUploadEntryStatus(entry, Complete);
    StartNewUploads();
}

void UploadQueue::OnUploadError(UploadThread* thread, const QString& error)
{
    const ItemPtr entry = EntryOf(thread);
    if (!entry)
        return;
    TransferLog(1, QString("Error uploading %1 to %2. %3").arg(LocalPath(entry), UserOf(entry), error), entry);
    SetUploadEntryStatus(entry, Aborted);
    StartNewUploads();
}

void UploadQueue::OnUploadProgress(UploadThread* thread, qint64 position, int bytesPerSecond)
{
    const ItemPtr entry = EntryOf(thread);
    if (!entry)
        return;
    if (qint64* read = cells.Counter(entry.GetItem("read_position")))
        *read = position;
    if (int* speed = cells.Speed(entry.GetItem("bytes_per_second")))
        *speed = bytesPerSecond;
    if (QDateTime* receipt = cells.Time(entry.GetItem("last_receipt_time")))
        *receipt = QDateTime::currentDateTime();
    emit UploadProgressed(entry);
}

void UploadQueue::EveryHalfMinute(const QDateTime& now)
{
    bool aborted = false;
    for (const char* phase : {Requesting, Connecting, WaitingForOffset}) {
        for (ItemPtr entry : EntriesWithStatus(phase).ToVector()) {
            const QDateTime changed = ReadDate(entry, "last_status_change_time");
            if (!changed.isValid() || changed.msecsTo(now) <= UnansweredOfferMs)
                continue;
            TransferLog(1,
                        QString("Upload of %1 to %2 timed out in %3 phase, aborting")
                            .arg(FileNameOf(entry), UserOf(entry), phase),
                        entry);
            SetUploadEntryStatus(entry, Aborted);
            aborted = true;
        }
    }
    if (aborted)
        StartNewUploads();
}

void UploadQueue::OnUserShare(const QString& user, const FileInfoMap& share)
{
    const ItemPtr userItem = d.GetType("user")->HasItem(Value(user));
    if (userItem.GetItem("empty_share_check_status").AsString() != "requested")
        return;
    bool empty = true;
    for (const auto& folder : share)
        empty = empty && folder.second.empty();
    Type* checkStatus = d.GetType("empty_share_check_status");
    if (!empty) {
        userItem += checkStatus->GetItem(Value("not_empty"));
        return;
    }
    userItem += checkStatus->GetItem(Value("empty"));
    const QString message = GetSetting("empty_share_message");
    if (!IsSettingOn("check_for_empty_shares") || userItem.IsConnected("in_user_list") || message.isEmpty())
        return;
    links.SendPrivateChat(user, message);
    Log("Shared", 1, QString("Sent empty share warning message to user %1").arg(user), userItem);
    userItem += d.GetType("sent_empty_share_warning_message")->GetItem(Value("yes"));
}

void UploadQueue::DataLoaded()
{
    DetermineUploadSpeedLimit();
    if (GetSetting("upload_slots").toInt() < 1)
        SetSetting("upload_slots", "1");
    if (GetSetting("max_queued_uploads_per_user").toInt() < MinQueuedUploadsPerUser)
        SetSetting("max_queued_uploads_per_user", QString::number(MinQueuedUploadsPerUser));
}
