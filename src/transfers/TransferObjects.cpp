#include "transfers/TransferObjects.h"

#include "store/Data.h"
#include "transfers/TransferThread.h"

#include <QFile>
#include <QTcpSocket>

#include <vector>

void TransferObjects::CloseAll()
{
    std::vector<TransferThread*> running;
    threads.ForEach([&](TransferThread* thread) { running.push_back(thread); });
    for (TransferThread* thread : running)
        thread->SignalExit();
    for (TransferThread* thread : running) {
        thread->wait();
        threads.Remove(thread);
        delete thread;
    }
    std::vector<QTcpSocket*> open;
    sockets.ForEach([&](QTcpSocket* socket) { open.push_back(socket); });
    for (QTcpSocket* socket : open) {
        sockets.Remove(socket);
        socket->disconnect();
        delete socket;
    }
    std::vector<QFile*> openFiles;
    files.ForEach([&](QFile* file) { openFiles.push_back(file); });
    for (QFile* file : openFiles) {
        files.Remove(file);
        delete file;
    }
}

ItemPtr TransferObjects::AddSocket(const char* type, QTcpSocket* socket)
{
    return d.GetType(type)->NewItem(sockets.Add(socket));
}

ItemPtr TransferObjects::AddFile(const char* type, QFile* file)
{
    return d.GetType(type)->NewItem(files.Add(file));
}

ItemPtr TransferObjects::AddThread(const char* type, TransferThread* thread)
{
    return d.GetType(type)->NewItem(threads.Add(thread));
}

ItemPtr TransferObjects::ItemOf(const char* type, const void* object)
{
    return object ? d.GetType(type)->HasItem(Value(object)) : ItemPtr();
}

void TransferObjects::StopThread(ItemPtr item)
{
    if (!item)
        return;
    TransferThread* thread = threads.Find(item);
    threads.Remove(item.GetValue());
    item.Remove();
    if (!thread)
        return;
    thread->SignalExit();
    thread->wait();
    thread->deleteLater();
}

void TransferObjects::CloseSocket(ItemPtr item)
{
    if (!item)
        return;
    QTcpSocket* socket = sockets.Find(item);
    sockets.Remove(item.GetValue());
    item.Remove();
    if (socket)
        DiscardSocket(socket);
}

void TransferObjects::CloseFile(ItemPtr item)
{
    if (!item)
        return;
    QFile* file = files.Find(item);
    files.Remove(item.GetValue());
    item.Remove();
    delete file;
}

void DiscardSocket(QTcpSocket* socket)
{
    socket->disconnect();
    socket->close();
    socket->deleteLater();
}
