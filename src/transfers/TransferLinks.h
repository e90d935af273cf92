#ifndef TRANSFERS_TRANSFERLINKS_H
#define TRANSFERS_TRANSFERLINKS_H

#include "store/ItemPtr.h"

#include <QString>

#include <string>

// Everything the transfers ask of the rest of the client: the peer messages
// they send, the requests to the server and the share index lookup. The
// client's managers answer them (ClientTransferLinks); tests put a recorder in
// their place.
class TransferLinks
{
public:
    virtual ~TransferLinks() = default;

    // Peer messages, by code: 43, 51, 40 (returns the new token), 41 both ways,
    // 50, 60, 44, 46, 4, and an "F" connection to the user.
    virtual void QueueDownload(const QString& user, const std::string& path) = 0;
    virtual void RequestPlaceInLine(const QString& user, const std::string& path) = 0;
    virtual unsigned int RequestUpload(const QString& user, const QString& path, qint64 size) = 0;
    virtual void AcceptTransferRequest(const QString& user, unsigned int token) = 0;
    virtual void DenyTransferRequest(const QString& user, unsigned int token, const QString& reason) = 0;
    virtual void DenyUpload(const QString& user, const QString& path, const QString& reason) = 0;
    virtual void QueueUpload(const QString& user, const QString& path, qint64 size) = 0;
    virtual void SendUploadPlaceInLine(const QString& user, const QString& path, int place) = 0;
    virtual void SendUploadFailed(const QString& user, const QString& path) = 0;
    virtual void GetUserSharedFiles(const QString& user) = 0;
    virtual void RequestFileConnectionToUser(const QString& user) = 0;

    // Server requests.
    virtual void TrackUser(const QString& user) = 0;
    virtual void SendUploadSpeed(int bytesPerSecond) = 0;
    virtual void SendPrivateChat(const QString& user, const QString& text) = 0;

    // The "shared_file" item of a local path, or null.
    virtual ItemPtr GetSharedFileItem(const QString& path) = 0;
};

// The links through the client's managers (`peerMessenger`, `gp_server`,
// `sharedFoldersManager`); a request to a manager that does not exist goes
// nowhere.
class ClientTransferLinks : public TransferLinks
{
public:
    void QueueDownload(const QString& user, const std::string& path) override;
    void RequestPlaceInLine(const QString& user, const std::string& path) override;
    unsigned int RequestUpload(const QString& user, const QString& path, qint64 size) override;
    void AcceptTransferRequest(const QString& user, unsigned int token) override;
    void DenyTransferRequest(const QString& user, unsigned int token, const QString& reason) override;
    void DenyUpload(const QString& user, const QString& path, const QString& reason) override;
    void QueueUpload(const QString& user, const QString& path, qint64 size) override;
    void SendUploadPlaceInLine(const QString& user, const QString& path, int place) override;
    void SendUploadFailed(const QString& user, const QString& path) override;
    void GetUserSharedFiles(const QString& user) override;
    void RequestFileConnectionToUser(const QString& user) override;
    void TrackUser(const QString& user) override;
    void SendUploadSpeed(int bytesPerSecond) override;
    void SendPrivateChat(const QString& user, const QString& text) override;
    ItemPtr GetSharedFileItem(const QString& path) override;
};

#endif
