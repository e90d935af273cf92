#ifndef TESTS_TRANSFERS_TRANSFERFIXTURE_H
#define TESTS_TRANSFERS_TRANSFERFIXTURE_H

#include "store/ItemPtr.h"
#include "transfers/TransferLinks.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

class DataSaver;
class TransferQueueManager;

// What the transfer queue asked of the rest of the client, one line per call:
// the peer message code (or the request's name), the user, then the fields.
class RecordingLinks : public TransferLinks
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
    // Exact folder and name, as the index holds them.
    ItemPtr GetSharedFileItem(const QString& path) override;

    // The lines so far, emptied; tracking requests left out.
    QStringList Take();

    QStringList lines;
    unsigned int nextToken = 100;
};

// A fresh graph with the types of the managers that come before the
// transfers, a transfer queue over it whose links are recorded, and a
// temporary home with the downloads folder and a folder to share from.
class TransferGraph
{
public:
    TransferGraph();
    ~TransferGraph();

    TransferQueueManager& Queue() { return *queue; }
    RecordingLinks& Links() { return *links; }

    // A file of the bytes in the shared folder, in the index as shared with everybody (or nobody).
    ItemPtr ShareFile(const QString& relativePath, const QByteArray& bytes, bool shared = true);
    QString SharedPath(const QString& relativePath) const
    {
        return QDir(home.path()).filePath("share/" + relativePath);
    }
    QString Downloads() const { return QDir(home.path()).filePath("Downloads"); }

    static void SetOnline(const QString& user, bool online);
    static ItemPtr ListUser(const QString& user, const QString& group = QString());
    static QString Status(ItemPtr entry);

    QTemporaryDir home;

private:
    std::unique_ptr<DataSaver> saver;
    RecordingLinks* links;
    std::unique_ptr<TransferQueueManager> queue;
};

// Processes events until the condition holds, for at most the given time.
template <class Condition>
bool WaitUntil(Condition condition, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

// A connected pair of sockets on loopback: `handed` is made to be handed over (no parent), `far` is the test's.
struct SocketPair
{
    SocketPair();
    ~SocketPair();
    QTcpSocket* handed = nullptr;
    std::unique_ptr<QTcpSocket> far;

private:
    QTcpServer listener;
};

// Reads exactly `count` bytes from the socket, waiting (bounded).
QByteArray ReadExactly(QTcpSocket& socket, qint64 count, int ms = 10000);
// Bytes that differ from position to position.
QByteArray Pattern(qint64 size);
QByteArray ReadFile(const QString& path);
bool WriteFile(const QString& path, const QByteArray& bytes);

#endif
