#include "peer/PeerGreeting.h"

#include "wire/FrameWriter.h"

PeerGreeting PeerGreeting::Read(MemStream& body)
{
    PeerGreeting greeting;
    uint8_t direction = 0;
    if (!body.Read(direction))
        return greeting;
    if (direction == 0) {
        greeting.kind = body.Read(greeting.token) ? Kind::Answer : Kind::BadAnswer;
        return greeting;
    }
    const bool complete = body.Read(greeting.user) && body.Read(greeting.type) && body.Read(greeting.token);
    greeting.kind = complete ? Kind::Direct : Kind::BadDirect;
    return greeting;
}

MemStream BuildDirectGreeting(const QString& ownUser, const QString& type)
{
    return BuildMessage(uint8_t(1), ownUser, type, uint32_t(0));
}

MemStream BuildAnswerGreeting(uint32_t token)
{
    return BuildMessage(uint8_t(0), token);
}

bool IsConnectionType(const QString& type)
{
    return type == MessagingConnection || type == FileConnection || type == DNetConnection;
}
