#include "peer/PeerMessageHandler.h"

#include "app/Log.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerMessages.h"
#include "peer/SearchResults.h"
#include "store/Data.h"
#include "wire/Compression.h"

namespace {

// Reads the body into the message record; the second step runs only when all
// required fields were there.
template <class Message, class Then>
bool ReadThen(MemStream& body, Then then)
{
    Message message;
    if (!message.Read(body))
        return false;
    then(message);
    return true;
}

} // namespace

bool PeerMessageHandler::Handle(const QString& user, uint32_t code, MemStream& body)
{
    switch (code) {
    case PM_GET_SHARED_FILE_LIST: emit SharedFileListRequested(user); return true;
    case PM_SHARED_FILE_LIST: return OnSharedFileList(user, body);
    case PM_FILE_SEARCH_RESULT: return OnSearchReply(user, body);
    case PM_USER_INFO_REQUEST: emit UserInfoRequested(user); return true;
    case PM_USER_INFO_REPLY:
        return ReadThen<UserInfoReplyMessage>(body, [&](const UserInfoReplyMessage& m) {
            emit UserInfoReceived(user, m.description, m.hasPicture, m.picture, int(m.uploadSlots),
                                  int(m.queuedUploads), m.slotsFree);
        });
    case PM_GET_SHARED_FILES_IN_FOLDER:
        return ReadThen<FolderContentsRequest>(
            body, [&](const FolderContentsRequest& m) { emit SharedFilesInFolderRequested(user, m.token, m.folder); });
    case PM_TRANSFER_REQUEST:
        return ReadThen<TransferRequestMessage>(body, [&](const TransferRequestMessage& m) {
            emit FileTransferRequested(user, int(m.direction), m.token, m.file, qint64(m.size));
        });
    case PM_TRANSFER_RESPONSE:
        return ReadThen<TransferResponseMessage>(body, [&](const TransferResponseMessage& m) {
            emit FileTransferResponse(user, m.token, m.allowed, m.hasSize, qint64(m.size), m.reason);
        });
    case PM_QUEUE_UPLOAD: {
        QString file;
        if (!body.Read(file))
            return false;
        emit QueueUploadRequested(user, file);
        return true;
    }
    case PM_UPLOAD_PLACE_IN_LINE:
        return ReadThen<PlaceInLineMessage>(
            body, [&](const PlaceInLineMessage& m) { emit DownloadPlaceInLine(user, m.file, int(m.place)); });
    case PM_UPLOAD_FAILED: {
        std::string file;
        if (!body.Read(file))
            return false;
        emit UploadFailed(user, file);
        return true;
    }
    case PM_UPLOAD_DENIED:
        return ReadThen<UploadDeniedMessage>(
            body, [&](const UploadDeniedMessage& m) { emit UploadDenied(user, m.file, m.reason); });
    case PM_UPLOAD_PLACE_IN_LINE_REQUEST: {
        QString file;
        if (!body.Read(file))
            return false;
        emit UploadPlaceInLineRequested(user, file);
        return true;
    }
    case PM_UPLOAD_OFFER:
        return ReadThen<UploadOfferMessage>(
            body, [&](const UploadOfferMessage& m) { emit QueueDownloadRequested(user, m.file, qint64(m.size)); });
    default: return true;
    }
}

PeerMessageHandler::Inflation PeerMessageHandler::Inflate(const QString& user, uint32_t code, MemStream& body,
                                                          InflatedBody& inflated)
{
    switch (InflateBody(body, inflated)) {
    case InflateResult::Inflated: return Inflation::Inflated;
    case InflateResult::Corrupt: return Inflation::Fail;
    case InflateResult::TooLarge:
        Log("Peer Messenger", 1,
            QString("Dropped %1 message from user %2: it inflates to more than %3 bytes")
                .arg(PeerMessageCodeName(int(code)), user)
                .arg(MaxInflatedBodyLength),
            ItemPtr());
        return Inflation::Drop;
    case InflateResult::OutOfMemory:
        Log("Peer Messenger", 1,
            QString("Dropped %1 message from user %2: out of memory while inflating")
                .arg(PeerMessageCodeName(int(code)), user),
            ItemPtr());
        return Inflation::Drop;
    }
    return Inflation::Fail;
}

bool PeerMessageHandler::OnSharedFileList(const QString& user, MemStream& body)
{
    InflatedBody inflated;
    const Inflation inflation = Inflate(user, PM_SHARED_FILE_LIST, body, inflated);
    if (inflation != Inflation::Inflated)
        return inflation == Inflation::Drop;
    SharedFileListMessage listing;
    if (!listing.Read(inflated))
        return false;
    emit UserShare(user, listing.share, listing.attributes);
    return true;
}

bool PeerMessageHandler::OnSearchReply(const QString& user, MemStream& body)
{
    // Results of a user this client has unshared are not wanted.
    if (d.HasType("unshared") && d.GetType("user")->HasItem(user).IsConnected("unshared"))
        return true;
    InflatedBody inflated;
    const Inflation inflation = Inflate(user, PM_FILE_SEARCH_RESULT, body, inflated);
    if (inflation != Inflation::Inflated)
        return inflation == Inflation::Drop;
    const SearchReplyOutcome outcome = WriteSearchReply(user, inflated);
    if (outcome.kind == SearchReplyOutcome::Written)
        emit SearchResults(outcome.results);
    return outcome.kind != SearchReplyOutcome::Malformed;
}
