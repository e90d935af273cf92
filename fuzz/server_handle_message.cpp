// Hands arbitrary message bodies, under every code of the catalogue, to a
// logged-in session. Whatever the body holds, the handler must neither read
// out of bounds nor allocate without bound nor break the graph, and no type
// may appear. The first byte chooses the code.
#include "app/Settings.h"
#include "peer/PeerSchema.h"
#include "server/Server.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "wire/MemStream.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdlib>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {
class Harness
{
public:
    Harness()
    {
        qputenv("HOME", home.path().toUtf8());
        codes = ServerMessageCodes();
    }

    // A fresh graph and a session that has just logged in. Nothing listens on
    // the port and no event loop runs, so the socket never leaves its
    // connecting state and nothing goes out.
    void StartSession()
    {
        server.reset();
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        Server::CreateData();
        DeclarePeerNetworkTypes();
        SetSetting("username", "fuzz");
        SetSetting("password", "fuzz");
        SetSetting("server_host", "127.0.0.1");
        SetSetting("server_port", "9");
        server = std::make_unique<Server>();
        server->Connect();
        MemStream accepted;
        accepted.Write(true);
        accepted.Write(std::string("welcome"));
        accepted.Write(uint32_t(0));
        accepted.Write(std::string("digest"));
        accepted.Write(false);
        server->HandleMessage(SM_LOGIN, accepted);
    }

    void Run(const uint8_t* data, size_t size)
    {
        if (size < 1)
            return;
        StartSession();
        const size_t typeCount = TypeCount();
        const int code = codes[data[0] % codes.size()];
        MemStream body(QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1)));
        server->HandleMessage(code, body);
        if (TypeCount() != typeCount)
            std::abort();
        d.RemoveDisconnectedItems();
    }

private:
    static size_t TypeCount()
    {
        std::map<std::string, Type*> types;
        d.GetTypes(types);
        return types.size();
    }

    QTemporaryDir home;
    std::vector<int> codes;
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<Server> server;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_server_handle_message";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static Harness harness;
    harness.Run(data, size);
    return 0;
}
