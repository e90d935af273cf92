#include "transfers/DownloadQueue.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "store/TextDecoding.h"
#include "transfers/DownloadThread.h"
#include "transfers/FileConnectionStart.h"
#include "transfers/TransferCells.h"
#include "transfers/TransferLinks.h"
#include "transfers/TransferLog.h"
#include "transfers/TransferObjects.h"
#include "transfers/TransferPaths.h"
#include "transfers/TransferSchema.h"
#include "transfers/TransferUsers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

#include <memory>

namespace {

using namespace TransferStatus;

constexpr qint64 FirstPlaceInLineDelayMs = 10 * 1000;
constexpr qint64 RequeuedPlaceInLineDelayMs = 30 * 1000;
constexpr qint64 QueueRequestIntervalMs = 600 * 1000;
constexpr qint64 PlaceInLineIntervalMs = 600 * 1000;
// What a file connection may hold unread: a few pieces, whatever the peer sends and however slow the disk.
constexpr qint64 MaxBufferedBytes = 4 * DownloadThread::PieceBytes;

ItemPtr StatusItem(const char* word)
{
    return d.GetType("download_entry_status")->GetItem(Value(word));
}

bool IsActive(ItemPtr entry)
{
    return entry.GetItem("download_entry_status").IsConnected("is_active");
}

QString FileNameOf(ItemPtr entry)
{
    return ToQString(entry.GetItem("file_name").AsStdString());
}

QString UserOf(ItemPtr entry)
{
    return entry.GetItem("user").AsString();
}

void RemoveCells(ItemPtr entry)
{
    for (const char* cell : {"write_position", "last_receipt_time", "last_speed_measurement_time", "bytes_per_second",
                             "bytes_since_last_receipt"})
        entry.GetItem(cell).Remove();
}

} // namespace

QString DownloadRoot()
{
    const QString root = GetSetting("download_folder");
    return QDir::cleanPath(root.isEmpty() ? QDir::homePath() + "/Quillmer Downloads" : root);
}

std::string RemotePathOf(ItemPtr entry)
{
    return RemotePath(entry.GetItem("remote_folder").AsStdString(), entry.GetItem("file_name").AsStdString());
}

QString StatusOf(ItemPtr entry, const char* statusType)
{
    return entry.GetItem(statusType).AsString();
}

DownloadQueue::DownloadQueue(TransferLinks& transferLinks, TransferCells& transferCells,
                             TransferObjects& transferObjects, std::function<void(DownloadThread*)> watchThread)
    : links(transferLinks)
    , cells(transferCells)
    , objects(transferObjects)
    , watch(std::move(watchThread))
{
}

ItemPtr DownloadQueue::GetDownloadEntry(const QString& user, const std::string& fileName,
                                        const std::string& remoteFolder) const
{
    const ItemPtr userItem = d.GetType("user")->HasItem(Value(user));
    const ItemPtr name = d.GetType("file_name")->HasItem(Value(fileName));
    const ItemPtr folder = d.GetType("remote_folder")->HasItem(Value(remoteFolder));
    if (!userItem || !name || !folder)
        return ItemPtr();
    return d.GetItem(ItemSet{userItem, name, folder}, "download_entry");
}

ItemPtr DownloadQueue::NewEntry(const QString& user, const std::string& fileName, const std::string& remoteFolder,
                                qint64 size, bool single, int subfolderLevel)
{
    const ItemPtr entry = d.GetType("download_entry")->NewItem();
    entry += UserItem(user);
    entry += d.GetType("file_name")->GetItem(Value(fileName));
    entry += d.GetType("remote_folder")->GetItem(Value(remoteFolder));
    entry += d.GetType("file_size")->GetItem(Value(static_cast<long long>(size)));
    entry += d.GetType("subfolder_save_level")->GetItem(Value(subfolderLevel));
    if (single)
        entry.NewItem("single_download");
    entry += d.GetType("download_order")->GetItem(Value(TakeTransferOrder()));
    return entry;
}

ItemPtr DownloadQueue::AddDownload(const QString& user, const std::string& fileName, const std::string& remoteFolder,
                                   qint64 size, bool single, int subfolderLevel)
{
    if (const ItemPtr existing = GetDownloadEntry(user, fileName, remoteFolder))
        return existing;
    const ItemPtr entry = NewEntry(user, fileName, remoteFolder, size, single, subfolderLevel);
    links.TrackUser(user);
    if (DoesDownloadItemCompleteFilenameExist(entry)) {
        SetDownloadEntryStatus(entry, Complete);
        return entry;
    }
    SetDownloadEntryStatus(entry, Queued);
    const ItemPtr userItem = entry.GetItem("user");
    if (IsUserOnline(userItem))
        SendQueueRequest(entry);
    WriteDate(userItem, "next_place_in_line_request_time",
              QDateTime::currentDateTime().addMSecs(FirstPlaceInLineDelayMs));
    return entry;
}

void DownloadQueue::SendQueueRequest(ItemPtr entry)
{
    links.QueueDownload(UserOf(entry), RemotePathOf(entry));
}

void DownloadQueue::SetDownloadEntryStatus(ItemPtr entry, const QString& status)
{
    const bool wasActive = IsActive(entry);
    const ItemPtr statusItem = d.GetType("download_entry_status")->GetItem(Value(status));
    entry += statusItem;
    WriteDate(entry, "last_status_change_time", QDateTime::currentDateTime());
    if (wasActive && !statusItem.IsConnected("is_active")) {
        TearDown(entry);
        WriteDate(entry.GetItem("user"), "last_queue_request_time", QDateTime::currentDateTime());
    }
}

void DownloadQueue::TearDown(ItemPtr entry)
{
    // The thread first: it gives the socket back and closes the file before it ends.
    objects.StopThread(entry.GetItem("download_thread"));
    objects.CloseFile(entry.GetItem("download_file"));
    objects.CloseSocket(entry.GetItem("download_socket"));
    RemoveCells(entry);
}

void DownloadQueue::RequeueDownload(ItemPtr entry)
{
    const QString status = StatusOf(entry, "download_entry_status");
    if (status == Complete || IsActive(entry))
        return;
    if (DoesDownloadItemCompleteFilenameExist(entry)) {
        SetDownloadEntryStatus(entry, Complete);
        return;
    }
    SendQueueRequest(entry);
    SetDownloadEntryStatus(entry, Queued);
    TransferLog(2, QString("Queueing %1").arg(FileNameOf(entry)), entry);
}

void DownloadQueue::RequeueUserDownloads(ItemPtr user)
{
    const ItemSet entries = user.GetItems("download_entry");
    if (entries.Empty())
        return;
    TransferLog(1, QString("Requeueing downloads from user %1").arg(user.AsString()), user);
    for (ItemPtr entry : entries.SortNumericBy("download_order", true)) {
        const QString status = StatusOf(entry, "download_entry_status");
        if (status != Complete && status != Denied)
            RequeueDownload(entry);
    }
    const QDateTime now = QDateTime::currentDateTime();
    WriteDate(user, "last_queue_request_time", now);
    WriteDate(user, "next_place_in_line_request_time", now.addMSecs(RequeuedPlaceInLineDelayMs));
}

void DownloadQueue::QueueDownloadIfUserOnline(ItemPtr entry)
{
    const QString path = ToQString(RemotePathOf(entry));
    const QString status = StatusOf(entry, "download_entry_status");
    if (status == LocalError) {
        TransferLog(1, QString("Download status %1, not re-queueing %2").arg(status, path), entry);
        return;
    }
    if (!IsUserOnline(entry.GetItem("user"))) {
        TransferLog(1, QString("User %1 offline, not re-queueing %2").arg(UserOf(entry), path), entry);
        return;
    }
    TransferLog(1, QString("User %1 appears to still be online, re-queueing %2").arg(UserOf(entry), path), entry);
    SendQueueRequest(entry);
}

void DownloadQueue::RemoveDownload(ItemPtr entry)
{
    TearDown(entry);
    entry.Remove();
}

void DownloadQueue::RequestDownloadPlaceInLine(ItemPtr entry)
{
    TransferLog(1, QString("Requesting place in line for download of %1 from %2").arg(FileNameOf(entry), UserOf(entry)),
                entry);
    links.RequestPlaceInLine(UserOf(entry), RemotePathOf(entry));
}

QStringList DownloadQueue::Subfolders(ItemPtr entry, bool forLayout) const
{
    const std::string remoteFolder = entry.GetItem("remote_folder").AsStdString();
    if (remoteFolder.empty())
        return QStringList();
    if (forLayout && IsSettingOn("dont_create_subfolders_for_single_downloads") && entry.IsConnected("single_download"))
        return QStringList();
    return DownloadSubfolders(remoteFolder, entry.GetItem("subfolder_save_level").AsInt());
}

QString DownloadQueue::NativeTargetFolder(ItemPtr entry, bool complete) const
{
    QStringList parts = Subfolders(entry, true);
    parts.prepend(complete ? "complete" : "downloading");
    parts.prepend(DownloadRoot());
    return parts.join('/');
}

QString DownloadQueue::NativeTargetPath(ItemPtr entry, bool complete) const
{
    return NativeTargetFolder(entry, complete) + '/' + SafePathComponent(FileNameOf(entry));
}

QString DownloadQueue::GetDownloadTargetFolder(ItemPtr entry, bool complete) const
{
    return NativeTargetFolder(entry, complete).replace('/', '\\');
}

QString DownloadQueue::GetDownloadTargetPath(ItemPtr entry, bool complete) const
{
    return NativeTargetPath(entry, complete).replace('/', '\\');
}

QString DownloadQueue::GetDownloadRelativeDownloadFolder(ItemPtr entry) const
{
    return Subfolders(entry, false).join('\\');
}

bool DownloadQueue::DoesDownloadItemCompleteFilenameExist(ItemPtr entry) const
{
    return QFileInfo::exists(NativeTargetPath(entry, true));
}

void DownloadQueue::RemoveDownloadDownloadingFolderIfAppropriate(ItemPtr entry)
{
    if (entry.IsConnected("single_download"))
        return;
    for (ItemPtr sibling : entry.GetItem("remote_folder").GetItems("download_entry"))
        if (StatusOf(sibling, "download_entry_status") != Complete)
            return;
    // Only the entry's own folders below the downloading area go, and only while empty.
    QString folder = NativeTargetFolder(entry, false);
    for (int level = Subfolders(entry, true).size(); level > 0; --level) {
        if (!IsInsideFolder(folder, DownloadRoot()) || !QDir().rmdir(folder))
            return;
        folder = QFileInfo(folder).path();
    }
}

bool DownloadQueue::HasExcludedDownloadExtension(const QString& name)
{
    for (ItemPtr extension : g("excluded_download_extension")) {
        const QString text = extension.AsString();
        if (!text.isEmpty() && name.endsWith(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool DownloadQueue::IsActivelyDownloadingFromUser(const QString& user) const
{
    const ItemPtr userItem = d.GetType("user")->HasItem(Value(user));
    const ItemPtr downloading = d.GetType("download_entry_status")->HasItem(Value(Downloading));
    return userItem && downloading && !userItem.GetItems("download_entry").Connected(downloading).Empty();
}

int DownloadQueue::ActiveDownloadCount() const
{
    int count = 0;
    for (ItemPtr status : g("download_entry_status").Connected("is_active"))
        count += int(status.GetItems("download_entry").Size());
    return count;
}

void DownloadQueue::OnUserOnline(ItemPtr user)
{
    TransferLog(1, QString("User %1 went online").arg(user.AsString()), user);
    RequeueUserDownloads(user);
}

void DownloadQueue::OnQueueDownloadRequested(const QString& user, const std::string& path, qint64 size)
{
    if (size < 0 || !CanAcceptUserInitiatedUploadsFrom(user))
        return;
    AddDownload(user, GetFileName(path), GetFolder(path), size, false, 0);
}

void DownloadQueue::OnUploadDeniedNotification(const QString& user, const std::string& path, const QString& reason)
{
    const ItemPtr userItem = UserItem(user);
    TransferLog(1,
                QString("Received peer notification from %1 that upload of %2 was denied, reason: %3")
                    .arg(user, ToQString(path), reason),
                userItem);
    const ItemPtr entry = GetDownloadEntry(user, GetFileName(path), GetFolder(path));
    if (!entry) {
        TransferLog(2, "Download not found.", userItem);
        return;
    }
    TransferLog(2, "Download found, marking as denied.", entry);
    entry += d.GetType("denial_reason")->GetItem(Value(reason));
    SetDownloadEntryStatus(entry, Denied);
}

void DownloadQueue::OnUploadFailedNotification(const QString& user, const std::string& path)
{
    const ItemPtr userItem = UserItem(user);
    TransferLog(1, QString("Received peer notification from %1 that upload of %2 failed").arg(user, ToQString(path)),
                userItem);
    const ItemPtr entry = GetDownloadEntry(user, GetFileName(path), GetFolder(path));
    if (!entry) {
        TransferLog(2, "Download not found.", userItem);
        return;
    }
    TransferLog(2, "Download found!", entry);
    QueueDownloadIfUserOnline(entry);
    WriteDate(userItem, "last_queue_request_time", QDateTime::currentDateTime());
}

void DownloadQueue::OnDownloadPlaceInLine(const QString& user, const std::string& path, int place)
{
    if (const ItemPtr entry = GetDownloadEntry(user, GetFileName(path), GetFolder(path)))
        entry += d.GetType("place_in_line")->GetItem(Value(place));
}

void DownloadQueue::OnFileTransferRequest(const QString& user, unsigned int token, const std::string& path, qint64 size)
{
    const ItemPtr userItem = UserItem(user);
    TransferLog(1, QString("Received upload request from %1 for file %2, req %3").arg(user, ToQString(path)).arg(token),
                userItem);
    const std::string fileName = GetFileName(path);
    const std::string folder = GetFolder(path);
    ItemPtr entry = GetDownloadEntry(user, fileName, folder);
    if (!entry) {
        if (size < 0 || !CanAcceptUserInitiatedUploadsFrom(user)) {
            TransferLog(2, "Denied, Cancelled", userItem);
            links.DenyTransferRequest(user, token, "Cancelled");
            return;
        }
        entry = NewEntry(user, fileName, folder, size, false, 0);
        links.TrackUser(user);
        SetDownloadEntryStatus(entry, DoesDownloadItemCompleteFilenameExist(entry) ? Complete : Queued);
    }
    if (StatusOf(entry, "download_entry_status") == Complete) {
        TransferLog(2, "Denied, Complete", entry);
        links.DenyTransferRequest(user, token, "Complete");
        return;
    }
    const ItemPtr request = d.GetType("remote_transfer_req")->GetItem(Value(token));
    for (ItemPtr other : request.GetItems("download_entry").Connected(userItem))
        other.Disconnect(request);
    entry += request;
    if (StatusOf(entry, "download_entry_status") == Downloading) {
        TransferLog(2, "Transfer is already downloading, cancelling...", entry);
        SetDownloadEntryStatus(entry, Aborted);
    }
    links.AcceptTransferRequest(user, token);
    TransferLog(2, "Accepted", entry);
}

void DownloadQueue::OnFileConnection(const QString& user, QTcpSocket* socket, unsigned int token)
{
    const ItemPtr userItem = d.GetType("user")->HasItem(Value(user));
    TransferLog(1, QString("File connection created by user %1 for req %2").arg(user).arg(token), userItem);
    const ItemPtr request = d.GetType("remote_transfer_req")->HasItem(Value(token));
    const ItemPtr entry = userItem && request ? d.GetItem(userItem, request, "download_entry") : ItemPtr();
    if (!entry) {
        DiscardSocket(socket);
        TransferLog(2, "Download not found, aborting", userItem);
        return;
    }
    if (IsActive(entry)) {
        // A second connection for a running transfer would write the same file at once.
        DiscardSocket(socket);
        TransferLog(2, "Download already running, closing the new connection", entry);
        return;
    }
    const QString folder = NativeTargetFolder(entry, false);
    const QString path = NativeTargetPath(entry, false);
    auto file = std::make_unique<QFile>(path);
    if (!IsInsideFolder(path, DownloadRoot()) || !QDir().mkpath(folder)
        || !file->open(QIODevice::Append | QIODevice::Unbuffered)) {
        SetDownloadEntryStatus(entry, LocalError);
        DiscardSocket(socket);
        TransferLog(2, QString("Could not open file, aborting (%1: %2)").arg(path, file->errorString()), entry);
        return;
    }
    const qint64 offset = file->size();
    socket->write(FileConnectionStart::EncodeOffset(offset));
    socket->flush();

    const QDateTime now = QDateTime::currentDateTime();
    QFile* partial = file.release();
    entry += objects.AddSocket("download_socket", socket);
    entry += objects.AddFile("download_file", partial);
    entry += cells.NewCounter("write_position", offset);
    SetDownloadEntryStatus(entry, Downloading);
    entry += cells.NewTime("last_receipt_time", now);
    entry += cells.NewTime("last_speed_measurement_time", now);
    entry += cells.NewSpeed(0);
    entry += cells.NewCounter("bytes_since_last_receipt", 0);

    socket->disconnect();
    socket->setReadBufferSize(MaxBufferedBytes);
    auto* thread = new DownloadThread(socket, partial, entry.GetItem("file_size").AsInt64(), offset);
    socket->setParent(nullptr);
    socket->moveToThread(thread);
    entry += objects.AddThread("download_thread", thread);
    watch(thread);
    thread->start(QThread::InheritPriority);
    TransferLog(2, "Downloading", entry);
}

ItemPtr DownloadQueue::EntryOf(DownloadThread* thread) const
{
    return TransferObjects::ItemOf("download_thread", thread).GetItem("download_entry");
}

QString DownloadQueue::MoveToComplete(ItemPtr entry)
{
    const QString from = NativeTargetPath(entry, false);
    const QString folder = NativeTargetFolder(entry, true);
    const QString to = NativeTargetPath(entry, true);
    if (!IsInsideFolder(to, DownloadRoot()))
        return QString("%1 is not inside the downloads folder").arg(to);
    if (!QDir().mkpath(folder))
        return QString("the folder %1 could not be made").arg(folder);
    if (QFileInfo(to).exists() || QFileInfo(to).isSymLink())
        return QString("%1 already exists").arg(to);
    QFile file(from);
    if (!file.rename(to))
        return file.errorString();
    return QString();
}

void DownloadQueue::OnDownloadComplete(DownloadThread* thread)
{
    const ItemPtr entry = EntryOf(thread);
    if (!entry)
        return;
    thread->wait();
    const QString failure = MoveToComplete(entry);
    if (!failure.isEmpty()) {
        TransferLog(1,
                    QString("Could not move %1 from %2 to the complete folder: %3")
                        .arg(FileNameOf(entry), UserOf(entry), failure),
                    entry);
        SetDownloadEntryStatus(entry, LocalError);
        return;
    }
    SetDownloadEntryStatus(entry, Complete);
    RemoveDownloadDownloadingFolderIfAppropriate(entry);
    RecordCompleteDownload(entry);
    // Last: whoever hears it may remove the entry.
    emit DownloadComplete(entry);
}

void DownloadQueue::RecordCompleteDownload(ItemPtr entry)
{
    const ItemPtr user = entry.GetItem("user");
    const QString folder = GetDownloadTargetFolder(entry, true);
    const QString fileName = SafePathComponent(FileNameOf(entry));
    const ItemPtr folderItem = d.GetType("complete_download_folder")->HasItem(Value(folder));
    const ItemPtr nameItem = d.GetType("complete_download_filename")->HasItem(Value(fileName));
    if (folderItem && nameItem && d.GetItem(ItemSet{user, folderItem, nameItem}, "complete_download"))
        return;
    const ItemPtr record = d.GetType("complete_download")->NewItem();
    record += user;
    record += d.GetType("complete_download_folder")->GetItem(Value(folder));
    record += d.GetType("complete_download_filename")->GetItem(Value(fileName));
    record += d.GetType("complete_download_relative_folder")->GetItem(Value(GetDownloadRelativeDownloadFolder(entry)));
    record += d.GetType("complete_download_file_size")->GetItem(entry.GetItem("file_size").GetValue());
    WriteDate(record, "complete_download_completion_time", QDateTime::currentDateTime());
    Type* searchText = d.HasType("search_request_text");
    if (searchText && d.GetType("download_entry")->IsRelated(searchText))
        record += entry.GetItem("search_request_text");
    emit CompleteDownloadAdded(record);
}

void DownloadQueue::OnDownloadError(DownloadThread* thread, const QString& error)
{
    const ItemPtr entry = EntryOf(thread);
    if (!entry)
        return;
    TransferLog(1, QString("Error downloading %1 from %2. %3").arg(FileNameOf(entry), UserOf(entry), error), entry);
    SetDownloadEntryStatus(entry, Aborted);
}

void DownloadQueue::OnDownloadProgress(DownloadThread* thread, qint64 position, int bytesPerSecond)
{
    const ItemPtr entry = EntryOf(thread);
    if (!entry)
        return;
    if (qint64* written = cells.Counter(entry.GetItem("write_position")))
        *written = position;
    if (int* speed = cells.Speed(entry.GetItem("bytes_per_second")))
        *speed = bytesPerSecond;
    if (QDateTime* receipt = cells.Time(entry.GetItem("last_receipt_time")))
        *receipt = QDateTime::currentDateTime();
    emit DownloadProgressed(entry);
}

void DownloadQueue::EveryHalfMinute(const QDateTime& now)
{
    const ItemPtr queued = d.GetType("download_entry_status")->HasItem(Value(Queued));
    if (!queued)
        return;
    std::vector<QString> candidates;
    for (ItemPtr user : queued.GetItems("download_entry").GetItems("user").Connected("is_online"))
        candidates.push_back(user.AsString());
    for (const QString& name : candidates) {
        const ItemPtr user = UserItem(name);
        if (IsActivelyDownloadingFromUser(name))
            continue;
        const QDateTime asked = ReadDate(user, "last_queue_request_time");
        if (!asked.isValid() || asked.msecsTo(now) >= QueueRequestIntervalMs)
            RequeueUserDownloads(user);
    }
    for (const QString& name : candidates) {
        const ItemPtr user = UserItem(name);
        if (IsActivelyDownloadingFromUser(name))
            continue;
        const QDateTime next = ReadDate(user, "next_place_in_line_request_time");
        if (next.isValid() && now < next)
            continue;
        for (ItemPtr entry : user.GetItems("download_entry").Connected(queued).SortNumericBy("download_order", true))
            RequestDownloadPlaceInLine(entry);
        WriteDate(user, "next_place_in_line_request_time", now.addMSecs(PlaceInLineIntervalMs));
    }
}

void DownloadQueue::DataLoaded()
{
    const ItemPtr queued = StatusItem(Queued);
    for (ItemPtr entry : g("download_entry")) {
        if (StatusOf(entry, "download_entry_status") != Complete)
            entry += queued;
    }
    for (ItemPtr user : g("download_entry").GetItems("user"))
        links.TrackUser(user.AsString());
}
