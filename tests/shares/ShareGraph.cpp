#include "ShareGraph.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/DataSaver.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

ShareGraph::ShareGraph(quint16 serverPort)
{
    qputenv("HOME", home.path().toLocal8Bit());
    d.Clear();
    saver = std::make_unique<DataSaver>();
    DeclareSettingsSchema();
    Server::CreateData();
    SetSetting("username", "me");
    SetSetting("password", "secret");
    SetSetting("server_host", "127.0.0.1");
    SetSetting("use_upnp", "no");
    if (serverPort) {
        SetSetting("server_port", QString::number(serverPort));
        server = std::make_unique<Server>();
    }
    manager = std::make_unique<SharedFoldersManager>();
}

ShareGraph::~ShareGraph()
{
    manager.reset();
    server.reset();
    saver.reset();
    d.Clear();
}

QString ShareGraph::Write(const QString& relativePath, const QByteArray& bytes)
{
    const QString path = Path(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

ItemPtr ShareGraph::Share(const QString& relativePath)
{
    const ItemPtr folder = manager->AddSharedFolder(relativePath.isEmpty() ? files.path() : Path(relativePath));
    Settle();
    return folder;
}

bool ShareGraph::Settle()
{
    return QTest::qWaitFor([this] { return !manager->IsScanning(); }, 10000);
}

ItemPtr ShareGraph::File(const QString& path)
{
    const QFileInfo info(path);
    const ItemPtr folder = d.GetType("shared_file_folder")->HasItem(Value(info.path()));
    const ItemPtr name = d.GetType("shared_file_name")->HasItem(Value(info.fileName()));
    return folder && name ? d.GetItem(folder, name, "shared_file") : ItemPtr();
}

QString ShareGraph::Property(ItemPtr item, const char* type)
{
    return QString::fromStdString(item.GetItem(type).AsStdString());
}

void ShareGraph::MakePublic(ItemPtr sharedFolder)
{
    sharedFolder.NewItem("shared_public");
}

ItemPtr ShareGraph::AddFile(ItemPtr sharedFolder, const QString& folder, const QString& name, qint64 size)
{
    const ItemPtr fileFolder = d.GetType("shared_file_folder")->GetItem(Value(folder));
    sharedFolder += fileFolder;
    const ItemPtr file = d.GetType("shared_file")->NewItem();
    file += d.GetType("shared_file_name")->GetItem(Value(name));
    file += d.GetType("shared_file_size")->GetItem(Value(size));
    file += fileFolder;
    manager->TokenizeSharedFile(file);
    return file;
}

ItemPtr ShareGraph::ListUser(const QString& user, const QStringList& groups)
{
    const ItemPtr userItem = d.GetType("user")->GetItem(Value(user));
    const ItemPtr inUserList = userItem.NewItem("in_user_list");
    for (const QString& group : groups)
        inUserList += d.GetType("user_list_group")->GetItem(Value(group));
    return userItem;
}

bool ShareGraph::Inflate(MemStream message, uint32_t code, InflatedBody& body)
{
    uint32_t read = 0;
    return message.Read(read) && read == code && InflateBody(message, body) == InflateResult::Inflated;
}
