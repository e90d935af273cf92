#include "ui/TransferBatch.h"

#include "store/Data.h"
#include "store/TextDecoding.h"
#include "transfers/TransferQueueManager.h"
#include "ui/SizeText.h"

#include <QCoreApplication>

#include <algorithm>

TransferBatch::Summary TransferBatch::Start(Kind kind, const QString& user, std::vector<File> files,
                                            const QString& searchText)
{
    Summary summary;
    if (!transferQueueManager)
        return summary;
    if (kind == Kind::Folder) {
        const auto excluded = std::remove_if(files.begin(), files.end(), [](const File& file) {
            return transferQueueManager->HasExcludedDownloadExtension(ToQString(file.name));
        });
        summary.skipped = int(files.end() - excluded);
        files.erase(excluded, files.end());
    }
    summary.queued = int(files.size());
    if (files.empty())
        return summary;
    auto* batch = new TransferBatch(kind, user, std::move(files), searchText);
    batch->QueueSlice();
    return summary;
}

QString TransferBatch::Describe(Kind kind, const QString& user, const Summary& summary)
{
    const QString count = GroupedBytes(quint64(summary.queued));
    QString text = kind == Kind::Upload
        ? QString("%1 %2 queued for upload to %3.").arg(count, summary.queued == 1 ? "file" : "files", user)
        : QString("%1 %2 queued for download from %3.").arg(count, summary.queued == 1 ? "file" : "files", user);
    if (summary.skipped > 0)
        text += QString(" %1 left out (excluded extension).").arg(GroupedBytes(quint64(summary.skipped)));
    return text;
}

TransferBatch::TransferBatch(Kind batchKind, const QString& batchUser, std::vector<File> batchFiles,
                             const QString& batchSearchText)
    : QObject(QCoreApplication::instance())
    , kind(batchKind)
    , user(batchUser)
    , files(std::move(batchFiles))
    , searchText(batchSearchText)
{
    slice.setInterval(0);
    connect(&slice, &QTimer::timeout, this, &TransferBatch::QueueSlice);
}

void TransferBatch::QueueSlice()
{
    const std::size_t end = std::min(files.size(), next + FilesPerSlice);
    // The transfers window relates downloads to search texts when both are there.
    Type* searchTextType = d.HasType("search_request_text");
    const bool remember
        = !searchText.isEmpty() && searchTextType && d.GetType("download_entry")->IsRelated(searchTextType);
    for (; transferQueueManager && next < end; ++next) {
        const File& file = files[next];
        if (kind == Kind::Upload) {
            transferQueueManager->AddUpload(user, ToQString(file.folder) + '\\' + ToQString(file.name));
            continue;
        }
        const ItemPtr entry = transferQueueManager->AddDownload(user, file.name, file.folder, file.size,
                                                                kind == Kind::Files, file.subfolderLevel);
        if (remember && entry)
            entry += searchTextType->GetItem(Value(searchText));
    }
    if (transferQueueManager && next < files.size()) {
        slice.start();
        return;
    }
    slice.stop();
    deleteLater();
}
