#ifndef TESTS_TRANSFERS_TESTCLIENT_H
#define TESTS_TRANSFERS_TESTCLIENT_H

#include "app/ClientCore.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// A client core started as the program starts it, in the given home folder
// (kept, so that the core can be started again over what it saved), its
// session pointed at a server on 127.0.0.1, listening for peers on loopback
// only. Destroying it shuts the core down as the program does. One per
// process at a time.
class TestClient
{
public:
    struct Options
    {
        QString user;
        QString home;
        quint16 serverPort = 0;
        quint16 port = 0;
        quint16 obfuscatedPort = 0;
        // Runs after the settings are written, before the data is loaded.
        std::function<void()> beforeLoad;
    };

    explicit TestClient(const Options& options);
    ~TestClient();

    // Logs in (the server must accept).
    void Connect();
    bool IsLoggedIn() const;

private:
    std::unique_ptr<ClientCore> core;
};

// Ports on 127.0.0.1 that were free a moment ago.
std::vector<quint16> FreePorts(int count);

#endif
