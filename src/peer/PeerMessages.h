#ifndef PEER_PEERMESSAGES_H
#define PEER_PEERMESSAGES_H

#include "shares/FileInfo.h"
#include "wire/MemStream.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

// The bodies of the messages on a messaging connection, after the code. Each
// Read returns false when a field the layout requires is missing or out of
// bounds; the connection is then closed. Fields named "file" that are
// std::string travel as raw bytes and are passed on unconverted.

// 16: what a user tells about itself.
struct UserInfoReplyMessage
{
    QString description;
    bool hasPicture = false;
    QByteArray picture;
    uint32_t uploadSlots = 0;
    uint32_t queuedUploads = 0;
    bool slotsFree = false;
    bool Read(MemStream& in);
};

// 36: the files of one shared folder are asked for.
struct FolderContentsRequest
{
    uint32_t token = 0;
    QString folder;
    bool Read(MemStream& in);
};

// 40: a transfer is ready to start; only direction 1 carries the size.
struct TransferRequestMessage
{
    uint32_t direction = 0;
    uint32_t token = 0;
    std::string file;
    uint64_t size = 0;
    bool Read(MemStream& in);
};

// 41: the answer to 40; an acceptance may leave out the size.
struct TransferResponseMessage
{
    uint32_t token = 0;
    bool allowed = false;
    bool hasSize = false;
    uint64_t size = 0;
    QString reason;
    bool Read(MemStream& in);
};

// 44: a downloader's place in the sender's upload queue.
struct PlaceInLineMessage
{
    std::string file;
    uint32_t place = 0;
    bool Read(MemStream& in);
};

// 50: an upload refused, with the reason.
struct UploadDeniedMessage
{
    std::string file;
    QString reason;
    bool Read(MemStream& in);
};

// 60: a file the sender offers to upload, with its size.
struct UploadOfferMessage
{
    std::string file;
    uint64_t size = 0;
    bool Read(MemStream& in);
};

// 5, inflated: a user's shared files. A missing attribute table is empty.
struct SharedFileListMessage
{
    FileInfoMap share;
    AttributeTranslationTable attributes;
    bool Read(InputStream& in);
};

// The messages this client sends, each starting with its code.
MemStream BuildUserInfoReply(const QString& description, const QByteArray* picture, uint32_t uploadSlots,
                             uint32_t queuedUploads, bool slotsFree);
MemStream BuildTransferRequest(uint32_t token, const QString& file, uint64_t size);
MemStream BuildTransferAcceptance(uint32_t token, bool withSize, uint64_t size);
MemStream BuildTransferRefusal(uint32_t token, const QString& reason);
MemStream BuildQueueDownload(const std::string& file);
MemStream BuildUploadPlaceInLine(const QString& file, uint32_t place);
MemStream BuildUploadDenied(const QString& file, const QString& reason);
MemStream BuildUploadOffer(const QString& file, uint64_t size);

#endif
