#ifndef PEER_PEERSCHEMA_H
#define PEER_PEERSCHEMA_H

// Declares the peer network's item types and their relations: connections
// and their sockets, brokered requests from other users and our own attempts
// to reach users, the users' addresses, the messages waiting for a
// connection, and the searches with their results and related terms. The
// session's types ("user" and the settings) must be declared first.
void DeclarePeerNetworkTypes();

#endif
