#ifndef TESTS_SERVER_OPERATIONLAYOUTS_H
#define TESTS_SERVER_OPERATIONLAYOUTS_H

#include <QByteArray>

#include <functional>
#include <vector>

class Server;

// One outgoing operation of a logged-in session, called once on a fresh
// session, with the bytes (code and body) it must send.
struct OperationLayout
{
    const char* name;
    std::function<void(Server&)> operation;
    QByteArray bytes;
};

// Every operation but the login, the keep-alive and the searches.
std::vector<OperationLayout> OperationLayouts();

#endif
