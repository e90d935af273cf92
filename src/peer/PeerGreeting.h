#ifndef PEER_PEERGREETING_H
#define PEER_PEERGREETING_H

#include "wire/MemStream.h"

#include <QString>

#include <cstdint>

// The first frame on every peer connection, sent by the side that connected.
//
// A direct greeting (uint8 1, string user, string connection type, uint32
// token, always 0 from us) names the user and what the connection is for. An
// answer greeting (uint8 0, uint32 token) answers a brokered request: the token
// is the one the requester gave the server.
struct PeerGreeting
{
    enum class Kind
    {
        Direct,
        Answer,
        NoDirection, // not even the direction byte
        BadDirect,   // a direct greeting cut short
        BadAnswer,   // an answer greeting without its token
    };

    Kind kind = Kind::NoDirection;
    QString user;
    QString type;
    uint32_t token = 0;

    // Reads a greeting from the frame's body.
    static PeerGreeting Read(MemStream& body);
};

MemStream BuildDirectGreeting(const QString& ownUser, const QString& type);
MemStream BuildAnswerGreeting(uint32_t token);

// The connection types: messaging, file and distributed network.
constexpr const char* MessagingConnection = "P";
constexpr const char* FileConnection = "F";
constexpr const char* DNetConnection = "D";

bool IsConnectionType(const QString& type);

#endif
