#ifndef SERVER_TCPADDRESS_H
#define SERVER_TCPADDRESS_H

#include <QMetaType>
#include <QString>

#include <cstdint>
#include <list>
#include <utility>

// A peer address as the server sends it: the IPv4 address as a uint32 in the
// byte order in which it arrived, and the port.
struct TCPAddress
{
    uint32_t address = 0;
    int32_t port = 0;
};

using PossibleParentList = std::list<std::pair<QString, TCPAddress>>;

#endif
