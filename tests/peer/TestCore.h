#ifndef TESTS_PEER_TESTCORE_H
#define TESTS_PEER_TESTCORE_H

#include "app/ClientCore.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class PeerMessenger;
class Server;

// A client core started as the program starts it, in a home folder of its
// own, its session pointed at a server on 127.0.0.1, listening for peers on
// loopback only at the given ports. One per process at a time.
class TestCore
{
public:
    struct Options
    {
        QString user;
        quint16 serverPort = 0;
        quint16 port = 0;
        quint16 obfuscatedPort = 0;
        // Runs after the settings are written, before the data is loaded.
        std::function<void()> beforeLoad;
    };

    explicit TestCore(const Options& options);
    ~TestCore();

    // Logs in (the server must accept).
    void Connect();
    PeerMessenger& Messenger();
    Server& Session();

private:
    QTemporaryDir home;
    std::unique_ptr<ClientCore> core;
};

#endif
