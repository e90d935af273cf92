#ifndef TRANSFERS_TRANSFEROBJECTS_H
#define TRANSFERS_TRANSFEROBJECTS_H

#include "peer/LiveObjects.h"
#include "store/ItemPtr.h"
#include "store/Value.h"

class QFile;
class QTcpSocket;
class TransferThread;

// The live objects of running transfers (file connections, open files, transfer threads), which entries name by
// address through items of "download_socket", "upload_socket", "download_file", "upload_file", "download_thread"
// and "upload_thread". Owns them: closing one removes its item, and an item that names nothing here is only
// removed.
class TransferObjects
{
public:
    TransferObjects() = default;
    TransferObjects(const TransferObjects&) = delete;
    TransferObjects& operator=(const TransferObjects&) = delete;
    ~TransferObjects() { CloseAll(); }
    // Stops every thread and waits for it, then closes every connection and file.
    void CloseAll();

    // Registers the object (taking it) and returns the item of the type that names it.
    ItemPtr AddSocket(const char* type, QTcpSocket* socket);
    ItemPtr AddFile(const char* type, QFile* file);
    ItemPtr AddThread(const char* type, TransferThread* thread);

    QTcpSocket* Socket(ItemPtr item) const { return sockets.Find(item); }
    QFile* File(ItemPtr item) const { return files.Find(item); }
    TransferThread* Thread(ItemPtr item) const { return threads.Find(item); }
    // The item of the type that names the object, or null.
    static ItemPtr ItemOf(const char* type, const void* object);

    // Tells the thread to exit, waits for it and deletes it later.
    void StopThread(ItemPtr item);
    void CloseSocket(ItemPtr item);
    void CloseFile(ItemPtr item);

    std::size_t ThreadCount() const { return threads.Size(); }

private:
    LiveObjects<QTcpSocket> sockets;
    LiveObjects<QFile> files;
    LiveObjects<TransferThread> threads;
};

// A connection that nothing takes: closed, and deleted from the event loop.
void DiscardSocket(QTcpSocket* socket);

#endif
