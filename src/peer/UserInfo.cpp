#include "peer/UserInfo.h"

#include "app/Settings.h"
#include "peer/PeerMessages.h"

#include <QFile>

#include <optional>

namespace {

std::optional<QByteArray> ReadPicture(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxUserPictureBytes)
        return std::nullopt;
    const QByteArray bytes = file.read(MaxUserPictureBytes + 1);
    if (bytes.size() != file.size() || !file.atEnd())
        return std::nullopt;
    return bytes;
}

} // namespace

MemStream BuildOwnUserInfo(const UploadAvailability& availability)
{
    const std::optional<QByteArray> picture = ReadPicture(GetSetting("user_picture_file"));
    return BuildUserInfoReply(GetSetting("user_description"), picture ? &*picture : nullptr,
                              GetSetting("upload_slots").toUInt(), uint32_t(availability.queuedUploads),
                              availability.freeToUpload);
}
