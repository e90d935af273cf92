#ifndef TESTS_SHARES_SHAREGRAPH_H
#define TESTS_SHARES_SHAREGRAPH_H

#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "wire/Compression.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class DataSaver;

// A fresh graph with the settings and the server session's types, a sharing
// manager over it, a temporary home and a temporary folder to share from.
class ShareGraph
{
public:
    // With a server session, made before the manager so that the manager
    // hangs its login work on it; it is pointed at 127.0.0.1 and the port.
    explicit ShareGraph(quint16 serverPort = 0);
    ~ShareGraph();

    // A file under the share folder with the given bytes (folders made as needed).
    QString Write(const QString& relativePath, const QByteArray& bytes = QByteArray("x"));
    QString Path(const QString& relativePath) const { return files.filePath(relativePath); }
    // Shares a folder below the temporary folder and waits until it is indexed.
    ItemPtr Share(const QString& relativePath = QString());
    // Waits until every walk has been applied.
    bool Settle();

    // The "shared_file" of a path (exact), and its property of a type.
    static ItemPtr File(const QString& path);
    static QString Property(ItemPtr item, const char* type);
    // A "shared_folder" marked as shared with everybody.
    static void MakePublic(ItemPtr sharedFolder);
    // A file put straight into the index (no disk) under a shared folder, with its words.
    ItemPtr AddFile(ItemPtr sharedFolder, const QString& folder, const QString& name, qint64 size = 1);
    // A user on the user list, in the given groups.
    static ItemPtr ListUser(const QString& user, const QStringList& groups = {});
    // The inflated body of a compressed message with that code.
    static bool Inflate(MemStream message, uint32_t code, InflatedBody& body);

    QTemporaryDir home;
    QTemporaryDir files;
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<Server> server;
    std::unique_ptr<SharedFoldersManager> manager;
};

#endif
