#include "peer/PeerMessages.h"

#include "peer/PeerMessageCode.h"
#include "wire/FrameWriter.h"

bool UserInfoReplyMessage::Read(MemStream& in)
{
    if (!in.Read(description) || !in.Read(hasPicture))
        return false;
    if (hasPicture) {
        uint32_t length = 0;
        // The picture is taken only when its bytes are all there.
        if (!in.Read(length) || length > in.GetPendingReadLength())
            return false;
        picture = QByteArray(reinterpret_cast<const char*>(in.GetReadBuffer()), int(length));
        in.Skip(length);
    }
    return in.Read(uploadSlots) && in.Read(queuedUploads) && in.Read(slotsFree);
}

bool FolderContentsRequest::Read(MemStream& in)
{
    return in.Read(token) && in.Read(folder);
}

bool TransferRequestMessage::Read(MemStream& in)
{
    if (!in.Read(direction) || !in.Read(token) || !in.Read(file))
        return false;
    return direction != 1 || in.Read(size);
}

bool TransferResponseMessage::Read(MemStream& in)
{
    if (!in.Read(token) || !in.Read(allowed))
        return false;
    if (!allowed)
        return in.Read(reason);
    hasSize = in.Read(size);
    return true;
}

bool PlaceInLineMessage::Read(MemStream& in)
{
    return in.Read(file) && in.Read(place);
}

bool UploadDeniedMessage::Read(MemStream& in)
{
    return in.Read(file) && in.Read(reason);
}

bool UploadOfferMessage::Read(MemStream& in)
{
    return in.Read(file) && in.Read(size);
}

bool SharedFileListMessage::Read(InputStream& in)
{
    if (!in.Read(share))
        return false;
    if (!in.Read(attributes))
        attributes.clear();
    return true;
}

MemStream BuildUserInfoReply(const QString& description, const QByteArray* picture, uint32_t uploadSlots,
                             uint32_t queuedUploads, bool slotsFree)
{
    MemStream message = BuildMessage(uint32_t(PM_USER_INFO_REPLY), description, picture != nullptr);
    if (picture) {
        message.Write(uint32_t(picture->size()));
        message.WriteBuffer(picture->constData(), size_t(picture->size()));
    }
    message.Write(uploadSlots);
    message.Write(queuedUploads);
    message.Write(slotsFree);
    return message;
}

MemStream BuildTransferRequest(uint32_t token, const QString& file, uint64_t size)
{
    return BuildMessage(uint32_t(PM_TRANSFER_REQUEST), uint32_t(1), token, file, size);
}

MemStream BuildTransferAcceptance(uint32_t token, bool withSize, uint64_t size)
{
    MemStream message = BuildMessage(uint32_t(PM_TRANSFER_RESPONSE), token, uint8_t(1));
    if (withSize)
        message.Write(size);
    return message;
}

MemStream BuildTransferRefusal(uint32_t token, const QString& reason)
{
    return BuildMessage(uint32_t(PM_TRANSFER_RESPONSE), token, uint8_t(0), reason);
}

MemStream BuildQueueDownload(const std::string& file)
{
    return BuildMessage(uint32_t(PM_QUEUE_UPLOAD), file);
}

MemStream BuildUploadPlaceInLine(const QString& file, uint32_t place)
{
    return BuildMessage(uint32_t(PM_UPLOAD_PLACE_IN_LINE), file, place);
}

MemStream BuildUploadDenied(const QString& file, const QString& reason)
{
    return BuildMessage(uint32_t(PM_UPLOAD_DENIED), file, reason);
}

MemStream BuildUploadOffer(const QString& file, uint64_t size)
{
    return BuildMessage(uint32_t(PM_UPLOAD_OFFER), file, size);
}
