#include "shares/ShareMessages.h"

#include "wire/Compression.h"

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
    return BuildCompressedMessage(SearchReplyCode, body);
}

MemStream BuildSharedFileListMessage(const ShareListing& listing)
{
    MemStream body;
    body.WriteCount(listing.size());
    for (const ListedFolder& folder : listing) {
        body.Write(folder.path);
        body.Write(folder.files);
    }
    body.Write(AttributeTranslationTable());
    return BuildCompressedMessage(SharedFileListCode, body);
}

MemStream SharedFilesInFolderMessage(uint32_t token, const QString& folder, const SharedFolderInfo& contents)
{
    MemStream body;
    body.Write(token);
    body.Write(folder);
    body.Write(uint32_t(1));
    body.Write(folder);
    body.Write(contents);
    return BuildCompressedMessage(SharedFilesInFolderCode, body);
}
