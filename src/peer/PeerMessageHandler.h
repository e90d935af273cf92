#ifndef PEER_PEERMESSAGEHANDLER_H
#define PEER_PEERMESSAGEHANDLER_H

#include "shares/FileInfo.h"
#include "store/ItemPtr.h"
#include "wire/Compression.h"
#include "wire/MemStream.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <string>

// What a message on a messaging connection means: reads its body, writes
// search results into the graph and tells the rest of the program by signal.
// It sends nothing; requests that want an answer come out as signals too.
class PeerMessageHandler : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Handles one message from the user, read position behind the code.
    // False when a field the layout requires cannot be read, or a search
    // reply names another user: the connection must go. Unknown and ignored
    // codes, and bodies too large to inflate, are dropped (true).
    bool Handle(const QString& user, uint32_t code, MemStream& body);

signals:
    void SharedFileListRequested(QString user);
    void UserShare(QString user, const FileInfoMap& share, const AttributeTranslationTable& attributes);
    void SearchResults(ItemPtr results);
    void UserInfoRequested(QString user);
    void UserInfoReceived(QString user, QString description, bool hasPicture, QByteArray picture, int uploadSlots,
                          int queuedUploads, bool slotsFree);
    void SharedFilesInFolderRequested(QString user, quint32 token, QString folder);
    // The size carries no meaning unless direction is 1.
    void FileTransferRequested(QString user, int direction, uint token, std::string file, qint64 size);
    void FileTransferResponse(QString user, uint token, bool allowed, bool hasSize, qint64 size, QString reason);
    void QueueUploadRequested(QString user, QString file);
    void QueueDownloadRequested(QString user, std::string file, qint64 size);
    void UploadFailed(QString user, std::string file);
    void UploadDenied(QString user, std::string file, QString reason);
    void UploadPlaceInLineRequested(QString user, QString file);
    void DownloadPlaceInLine(QString user, std::string file, int place);

private:
    // Inflates a compressed body; false when it is corrupt (the connection
    // must go), dropped when it would be too large or memory runs out.
    enum class Inflation
    {
        Inflated,
        Drop,
        Fail,
    };
    Inflation Inflate(const QString& user, uint32_t code, MemStream& body, InflatedBody& inflated);

    bool OnSharedFileList(const QString& user, MemStream& body);
    bool OnSearchReply(const QString& user, MemStream& body);
};

#endif
