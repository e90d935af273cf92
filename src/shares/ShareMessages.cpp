#include "shares/ShareMessages.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

namespace {
MemStream Compressed(ShareMessageCode code, const MemStream& body)
{
    const QByteArray plain = body.GetPendingBytes();
    uLongf length = compressBound(uLong(plain.size()));
    auto packed = std::make_unique<Bytef[]>(length);
    MemStream message;
    message.Write(uint32_t(code));
    // Only memory can run out here; the message then goes without a body.
    if (compress2(packed.get(), &length, reinterpret_cast<const Bytef*>(plain.constData()), uLong(plain.size()), 9)
        == Z_OK)
        message.WriteBuffer(packed.get(), length);
    return message;
}
} // namespace

MemStream SearchReplyMessage(const QString& ownUser, uint32_t token, const std::set<FileInfo>& files,
                             const UploadQueueStatus& uploads, uint32_t uploadSpeed)
{
    MemStream body;
    body.Write(ownUser);
    body.Write(token);
    body.Write(files);
    body.Write(uploads.freeToUpload);
    body.Write(uploadSpeed);
    body.Write(uploads.queuedUploads);
    body.Write(AttributeTranslationTable());
    return Compressed(SearchReplyCode, body);
}

MemStream SharedFileListMessage(const FileInfoMap& share)
{
    MemStream body;
    body.Write(share);
    body.Write(AttributeTranslationTable());
    return Compressed(SharedFileListCode, body);
}

MemStream SharedFilesInFolderMessage(uint32_t token, const QString& folder, const SharedFolderInfo& contents)
{
    MemStream body;
    body.Write(token);
    body.Write(folder);
    body.Write(uint32_t(1));
    body.Write(folder);
    body.Write(contents);
    return Compressed(SharedFilesInFolderCode, body);
}

bool InflateBody(const QByteArray& compressed, QByteArray& body)
{
    body.clear();
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.constData()));
    stream.avail_in = uInt(compressed.size());
    // Grow with what actually comes out, never by what the sender claims.
    int result = Z_OK;
    while (result == Z_OK) {
        const int used = body.size();
        const int room = std::min(std::max(used, 64 * 1024), MaxInflatedBodyBytes - used);
        if (room <= 0)
            break;
        body.resize(used + room);
        stream.next_out = reinterpret_cast<Bytef*>(body.data() + used);
        stream.avail_out = uInt(room);
        result = inflate(&stream, Z_NO_FLUSH);
        body.resize(used + room - int(stream.avail_out));
        if (result == Z_BUF_ERROR && stream.avail_out > 0)
            break; // the input ended before the stream did
        if (result == Z_BUF_ERROR)
            result = Z_OK;
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END) {
        body.clear();
        return false;
    }
    return true;
}

bool ReadSharedFileList(const QByteArray& compressed, FileInfoMap& share, AttributeTranslationTable& attributes)
{
    share.clear();
    attributes.clear();
    QByteArray body;
    if (!InflateBody(compressed, body))
        return false;
    MemStream in(body);
    if (!in.Read(share)) {
        share.clear();
        return false;
    }
    if (!in.Read(attributes))
        attributes.clear();
    return true;
}
