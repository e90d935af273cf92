#include "TransferFixture.h"

#include "app/Settings.h"
#include "peer/PeerSchema.h"
#include "server/Server.h"
#include "shares/SharesSchema.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "store/TextDecoding.h"
#include "transfers/TransferQueueManager.h"

#include <QFile>
#include <QFileInfo>

void RecordingLinks::QueueDownload(const QString& user, const std::string& path)
{
    lines << QStringList{"43", user, ToQString(path)}.join(' ');
}

void RecordingLinks::RequestPlaceInLine(const QString& user, const std::string& path)
{
    lines << QStringList{"51", user, ToQString(path)}.join(' ');
}

unsigned int RecordingLinks::RequestUpload(const QString& user, const QString& path, qint64 size)
{
    lines << QStringList{"40", user, path, QString::number(size)}.join(' ');
    return nextToken++;
}

void RecordingLinks::AcceptTransferRequest(const QString& user, unsigned int token)
{
    lines << QStringList{"41", user, QString::number(token), "allowed"}.join(' ');
}

void RecordingLinks::DenyTransferRequest(const QString& user, unsigned int token, const QString& reason)
{
    lines << QStringList{"41", user, QString::number(token), reason}.join(' ');
}

void RecordingLinks::DenyUpload(const QString& user, const QString& path, const QString& reason)
{
    lines << QStringList{"50", user, path, reason}.join(' ');
}

void RecordingLinks::QueueUpload(const QString& user, const QString& path, qint64 size)
{
    lines << QStringList{"60", user, path, QString::number(size)}.join(' ');
}

void RecordingLinks::SendUploadPlaceInLine(const QString& user, const QString& path, int place)
{
    lines << QStringList{"44", user, path, QString::number(place)}.join(' ');
}

void RecordingLinks::SendUploadFailed(const QString& user, const QString& path)
{
    lines << QStringList{"46", user, path}.join(' ');
}

void RecordingLinks::GetUserSharedFiles(const QString& user)
{
    lines << QStringList{"4", user}.join(' ');
}

void RecordingLinks::RequestFileConnectionToUser(const QString& user)
{
    lines << QStringList{"F", user}.join(' ');
}

void RecordingLinks::TrackUser(const QString& user)
{
    lines << QStringList{"track", user}.join(' ');
}

void RecordingLinks::SendUploadSpeed(int bytesPerSecond)
{
    lines << QStringList{"speed", QString::number(bytesPerSecond)}.join(' ');
}

void RecordingLinks::SendPrivateChat(const QString& user, const QString& text)
{
    lines << QStringList{"chat", user, text}.join(' ');
}

ItemPtr RecordingLinks::GetSharedFileItem(const QString& path)
{
    const QFileInfo info(path);
    const ItemPtr folder = d.GetType("shared_file_folder")->HasItem(Value(info.path()));
    const ItemPtr name = d.GetType("shared_file_name")->HasItem(Value(info.fileName()));
    return folder && name ? d.GetItem(folder, name, "shared_file") : ItemPtr();
}

QStringList RecordingLinks::Take()
{
    QStringList taken;
    for (const QString& line : lines)
        if (!line.startsWith("track "))
            taken << line;
    lines.clear();
    return taken;
}

TransferGraph::TransferGraph()
{
    qputenv("HOME", home.path().toLocal8Bit());
    d.Clear();
    saver = std::make_unique<DataSaver>();
    DeclareSettingsSchema();
    Server::CreateData();
    DeclarePeerNetworkTypes();
    DeclareSharesSchema();
    auto recorder = std::make_unique<RecordingLinks>();
    links = recorder.get();
    queue = std::make_unique<TransferQueueManager>(std::move(recorder));
    SetSetting("download_folder", Downloads());
}

TransferGraph::~TransferGraph()
{
    queue.reset();
    saver.reset();
    d.Clear();
}

ItemPtr TransferGraph::ShareFile(const QString& relativePath, const QByteArray& bytes, bool shared)
{
    const QString root = QDir(home.path()).filePath(shared ? "share" : "private");
    const QString path = QDir(root).filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    WriteFile(path, bytes);
    const ItemPtr sharedFolder = d.GetType("shared_folder")->GetItem(Value(root));
    if (shared && !sharedFolder.IsConnected("shared_public"))
        sharedFolder.NewItem("shared_public");
    const ItemPtr fileFolder = d.GetType("shared_file_folder")->GetItem(Value(QFileInfo(path).path()));
    sharedFolder += fileFolder;
    if (const ItemPtr known = links->GetSharedFileItem(path))
        return known;
    const ItemPtr file = d.GetType("shared_file")->NewItem();
    file += d.GetType("shared_file_name")->GetItem(Value(QFileInfo(path).fileName()));
    file += d.GetType("shared_file_size")->GetItem(Value(static_cast<long long>(bytes.size())));
    file += fileFolder;
    return file;
}

void TransferGraph::SetOnline(const QString& user, bool online)
{
    const ItemPtr userItem = d.GetType("user")->GetItem(Value(user));
    if (online)
        userItem.NewItem("is_online");
    else
        userItem.Disconnect("is_online");
}

ItemPtr TransferGraph::ListUser(const QString& user, const QString& group)
{
    const ItemPtr userItem = d.GetType("user")->GetItem(Value(user));
    const ItemPtr inUserList = userItem.NewItem("in_user_list");
    if (!group.isEmpty())
        inUserList += d.GetType("user_list_group")->GetItem(Value(group));
    return userItem;
}

QString TransferGraph::Status(ItemPtr entry)
{
    const ItemPtr download = entry.GetItem("download_entry_status");
    return download ? download.AsString() : entry.GetItem("upload_entry_status").AsString();
}

SocketPair::SocketPair()
{
    listener.listen(QHostAddress::LocalHost, 0);
    far = std::make_unique<QTcpSocket>();
    far->connectToHost(QHostAddress::LocalHost, listener.serverPort());
    if (far->waitForConnected(5000) && listener.waitForNewConnection(5000)) {
        handed = listener.nextPendingConnection();
        handed->setParent(nullptr);
    }
}

SocketPair::~SocketPair() = default;

QByteArray ReadExactly(QTcpSocket& socket, qint64 count, int ms)
{
    QByteArray bytes;
    WaitUntil(
        [&] {
            bytes += socket.read(count - bytes.size());
            return bytes.size() >= count;
        },
        ms);
    return bytes;
}

QByteArray Pattern(qint64 size)
{
    QByteArray bytes(int(size), Qt::Uninitialized);
    uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state);
    }
    return bytes;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
