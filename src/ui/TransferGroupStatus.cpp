#include "ui/TransferGroupStatus.h"

#include "app/Settings.h"
#include "transfers/TransferSchema.h"

TransferGroupStatus::TransferGroupStatus(bool forUploads)
    : uploads(forUploads)
{
}

void TransferGroupStatus::Add(const QString& word)
{
    ++count;
    if (word == (uploads ? TransferStatus::Uploading : TransferStatus::Downloading))
        running = true;
    else if (word == TransferStatus::Queued)
        queued = true;
    else if (word == TransferStatus::Complete)
        ++complete;
    else if (word == TransferStatus::Denied)
        denied = true;
    else if (word == TransferStatus::Aborted)
        aborted = true;
}

QString TransferGroupStatus::Word() const
{
    if (running)
        return uploads ? TransferStatus::Uploading : TransferStatus::Downloading;
    if (queued)
        return TransferStatus::Queued;
    if (count > 0 && complete == count)
        return TransferStatus::Complete;
    if (denied)
        return TransferStatus::Denied;
    if (aborted)
        return TransferStatus::Aborted;
    return QString();
}

QColor TransferStatusColour(const QString& word)
{
    using namespace TransferStatus;
    const char* setting = "color_transfer_other";
    if (word == Complete)
        setting = "color_transfer_complete";
    else if (word == Downloading || word == Uploading || word == Connecting)
        setting = "color_transfer_in_progress";
    else if (word == Queued)
        setting = "color_transfer_queued";
    else if (word == Denied || word == Aborted || word == LocalError)
        setting = "color_transfer_failed";
    return QColor(GetSetting(setting));
}
