#ifndef SERVER_PORTMAPPER_H
#define SERVER_PORTMAPPER_H

class QTcpSocket;

// What the session asks of the router port forwarding. This default maps
// nothing; the port forwarder replaces it (Server::SetPortMapper).
class PortMapper
{
public:
    virtual ~PortMapper() = default;

    // Starts looking for the router.
    virtual void Init() { }
    // Forwards the port to this machine, whose address is the local address
    // of the given connected socket.
    virtual void AddPortMapping(QTcpSocket* socket, int port)
    {
        (void)socket;
        (void)port;
    }
};

#endif
