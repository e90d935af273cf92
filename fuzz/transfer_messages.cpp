// The transfer messages of a messaging connection (offers and their answers,
// queue requests, places in line, failures and refusals, pushed files) from
// one user, read by the peer message handler and handled by the transfer
// queue, on a graph that holds a shared file, a queued download and an offered
// upload for that user. The input is a list of bodies (uint16 length, then the
// bytes: the code and the fields). Whatever arrives, the graph must stay
// sound, and no download may be placed outside the downloads folder.
#include "app/Settings.h"
#include "peer/PeerMessageHandler.h"
#include "peer/PeerSchema.h"
#include "server/Server.h"
#include "shares/SharesSchema.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "transfers/TransferLinks.h"
#include "transfers/TransferPaths.h"
#include "transfers/TransferQueueManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Sends nothing; the share index lookup is exact.
class QuietLinks : public TransferLinks
{
public:
    void QueueDownload(const QString&, const std::string&) override { }
    void RequestPlaceInLine(const QString&, const std::string&) override { }
    unsigned int RequestUpload(const QString&, const QString&, qint64) override { return nextToken++; }
    void AcceptTransferRequest(const QString&, unsigned int) override { }
    void DenyTransferRequest(const QString&, unsigned int, const QString&) override { }
    void DenyUpload(const QString&, const QString&, const QString&) override { }
    void QueueUpload(const QString&, const QString&, qint64) override { }
    void SendUploadPlaceInLine(const QString&, const QString&, int) override { }
    void SendUploadFailed(const QString&, const QString&) override { }
    void GetUserSharedFiles(const QString&) override { }
    void RequestFileConnectionToUser(const QString&) override { }
    void TrackUser(const QString&) override { }
    void SendUploadSpeed(int) override { }
    void SendPrivateChat(const QString&, const QString&) override { }
    ItemPtr GetSharedFileItem(const QString& path) override
    {
        const QFileInfo info(path);
        const ItemPtr folder = d.GetType("shared_file_folder")->HasItem(Value(info.path()));
        const ItemPtr name = d.GetType("shared_file_name")->HasItem(Value(info.fileName()));
        return folder && name ? d.GetItem(folder, name, "shared_file") : ItemPtr();
    }

private:
    unsigned int nextToken = 100;
};

class Harness
{
public:
    Harness()
    {
        qputenv("HOME", home.path().toUtf8());
        QDir().mkpath(home.filePath("share"));
        QFile file(home.filePath("share/a.mp3"));
        if (file.open(QIODevice::WriteOnly))
            file.write("abc");
    }

    void Run(const uint8_t* data, size_t size)
    {
        NewGraph();
        for (size_t at = 0; at + 2 <= size;) {
            const size_t length = std::min<size_t>(qFromLittleEndian<uint16_t>(data + at), size - at - 2);
            at += 2;
            MemStream body;
            body.WriteBuffer(data + at, length);
            at += length;
            uint32_t code = 0;
            if (!body.Read(code) || !handler->Handle("bob", code, body))
                break;
            CheckDownloadsStayInside();
        }
        QCoreApplication::processEvents();
        d.RemoveDisconnectedItems();
        handler.reset();
        queue.reset();
        saver.reset();
        d.Clear();
    }

private:
    void NewGraph()
    {
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        Server::CreateData();
        DeclarePeerNetworkTypes();
        DeclareSharesSchema();
        queue = std::make_unique<TransferQueueManager>(std::make_unique<QuietLinks>());
        root = home.filePath("Downloads");
        SetSetting("download_folder", root);
        SetSetting("accept_userlist_uploads", "yes");

        const ItemPtr bob = d.GetType("user")->GetItem(Value("bob"));
        bob.NewItem("is_online");
        bob.NewItem("in_user_list");
        const ItemPtr sharedFolder = d.GetType("shared_folder")->GetItem(Value(home.filePath("share")));
        sharedFolder.NewItem("shared_public");
        const ItemPtr fileFolder = d.GetType("shared_file_folder")->GetItem(Value(home.filePath("share")));
        sharedFolder += fileFolder;
        const ItemPtr file = d.GetType("shared_file")->NewItem();
        file += d.GetType("shared_file_name")->GetItem(Value("a.mp3"));
        file += d.GetType("shared_file_size")->GetItem(Value(3));
        file += fileFolder;

        queue->AddDownload("bob", "b.mp3", "Music\\Band", 10, false, 1);
        queue->OnQueueUploadRequested("bob", QString(home.filePath("share/a.mp3")).replace('/', '\\'));

        handler = std::make_unique<PeerMessageHandler>();
        TransferQueueManager* q = queue.get();
        PeerMessageHandler* h = handler.get();
        QObject::connect(h, &PeerMessageHandler::FileTransferRequested, q,
                         &TransferQueueManager::OnFileTransferRequest);
        QObject::connect(h, &PeerMessageHandler::FileTransferResponse, q,
                         &TransferQueueManager::OnFileTransferResponse);
        QObject::connect(h, &PeerMessageHandler::QueueUploadRequested, q,
                         &TransferQueueManager::OnQueueUploadRequested);
        QObject::connect(h, &PeerMessageHandler::QueueDownloadRequested, q,
                         &TransferQueueManager::OnQueueDownloadRequested);
        QObject::connect(h, &PeerMessageHandler::UploadFailed, q, &TransferQueueManager::OnUploadFailedNotification);
        QObject::connect(h, &PeerMessageHandler::UploadDenied, q, &TransferQueueManager::OnUploadDeniedNotification);
        QObject::connect(h, &PeerMessageHandler::UploadPlaceInLineRequested, q,
                         &TransferQueueManager::OnUploadPlaceInLineRequested);
        QObject::connect(h, &PeerMessageHandler::DownloadPlaceInLine, q, &TransferQueueManager::OnDownloadPlaceInLine);
        QObject::connect(h, &PeerMessageHandler::UserShare, q, &TransferQueueManager::OnUserShare);
    }

    void CheckDownloadsStayInside() const
    {
        for (ItemPtr entry : g("download_entry"))
            for (bool complete : {false, true})
                if (!IsInsideFolder(queue->GetDownloadTargetPath(entry, complete).replace('\\', '/'), root))
                    std::abort();
    }

    QTemporaryDir home;
    QString root;
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<TransferQueueManager> queue;
    std::unique_ptr<PeerMessageHandler> handler;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_transfer_messages";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static Harness harness;
    harness.Run(data, size);
    return 0;
}
