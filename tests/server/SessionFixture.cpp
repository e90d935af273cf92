#include "SessionFixture.h"

#include "app/Settings.h"
#include "server/ServerMessageCode.h"

SessionFixture::SessionFixture()
{
    qputenv("HOME", home.path().toLocal8Bit());
    graph = std::make_unique<SessionGraph>();
    far = std::make_unique<ScriptedServer>();
    server = std::make_unique<Server>();
    SetSetting("username", "me");
    SetSetting("password", "secret");
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", QString::number(far->Port()));
}

SessionFixture::~SessionFixture()
{
    server.reset();
    far.reset();
    graph.reset();
}

bool SessionFixture::ConnectAndReadLogin(MemStream& login)
{
    server->Connect();
    uint32_t code = 0;
    return far->AcceptClient() && far->ReadMessage(code, login) && code == SM_LOGIN;
}

bool SessionFixture::LogIn(bool privileged)
{
    MemStream login;
    if (!ConnectAndReadLogin(login))
        return false;
    far->SendLoginAccepted(privileged);
    return WaitUntil([this] { return server->IsConnected(); });
}

QByteArray SessionFixture::NextSent()
{
    uint32_t code = 0;
    MemStream body;
    if (!far->ReadMessage(code, body))
        return QByteArray();
    return Bytes(code) + body.GetPendingBytes();
}
