#include "transfers/TransferLinks.h"

#include "app/Settings.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "wire/FrameWriter.h"

void ClientTransferLinks::QueueDownload(const QString& user, const std::string& path)
{
    if (peerMessenger)
        peerMessenger->QueueDownload(user, path);
}

void ClientTransferLinks::RequestPlaceInLine(const QString& user, const std::string& path)
{
    if (!peerMessenger)
        return;
    MemStream message = BuildMessage(uint32_t(PM_UPLOAD_PLACE_IN_LINE_REQUEST), path);
    peerMessenger->SendMessage(user, message);
}

unsigned int ClientTransferLinks::RequestUpload(const QString& user, const QString& path, qint64 size)
{
    if (peerMessenger)
        return peerMessenger->RequestUpload(user, path, size);
    // Nothing goes out, but the token is used up all the same.
    const unsigned int token = GetSetting("transfer_req_counter").toUInt();
    SetSetting("transfer_req_counter", QString::number(token + 1));
    return token;
}

void ClientTransferLinks::AcceptTransferRequest(const QString& user, unsigned int token)
{
    if (peerMessenger)
        peerMessenger->AcceptTransferRequest(user, token, false, 0);
}

void ClientTransferLinks::DenyTransferRequest(const QString& user, unsigned int token, const QString& reason)
{
    if (peerMessenger)
        peerMessenger->DenyTransferRequest(user, token, reason);
}

void ClientTransferLinks::DenyUpload(const QString& user, const QString& path, const QString& reason)
{
    if (peerMessenger)
        peerMessenger->DenyUpload(user, path, reason);
}

void ClientTransferLinks::QueueUpload(const QString& user, const QString& path, qint64 size)
{
    if (peerMessenger)
        peerMessenger->QueueUpload(user, path, size);
}

void ClientTransferLinks::SendUploadPlaceInLine(const QString& user, const QString& path, int place)
{
    if (peerMessenger)
        peerMessenger->SendUploadPlaceInLine(user, path, place);
}

void ClientTransferLinks::SendUploadFailed(const QString& user, const QString& path)
{
    if (!peerMessenger)
        return;
    MemStream message = BuildMessage(uint32_t(PM_UPLOAD_FAILED), path);
    peerMessenger->SendMessage(user, message);
}

void ClientTransferLinks::GetUserSharedFiles(const QString& user)
{
    if (peerMessenger)
        peerMessenger->GetUserSharedFiles(user);
}

void ClientTransferLinks::RequestFileConnectionToUser(const QString& user)
{
    if (peerMessenger)
        peerMessenger->RequestFileConnectionToUser(user);
}

void ClientTransferLinks::TrackUser(const QString& user)
{
    if (gp_server)
        gp_server->TrackUser(user);
}

void ClientTransferLinks::SendUploadSpeed(int bytesPerSecond)
{
    if (gp_server)
        gp_server->SendUploadSpeed(bytesPerSecond);
}

void ClientTransferLinks::SendPrivateChat(const QString& user, const QString& text)
{
    if (gp_server)
        gp_server->SendPrivateChat(user, text);
}

ItemPtr ClientTransferLinks::GetSharedFileItem(const QString& path)
{
    return sharedFoldersManager ? sharedFoldersManager->GetSharedFileItem(path) : ItemPtr();
}
