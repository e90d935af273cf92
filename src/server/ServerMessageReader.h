#ifndef SERVER_SERVERMESSAGEREADER_H
#define SERVER_SERVERMESSAGEREADER_H

#include "wire/MemStream.h"

#include <QByteArray>

#include <cstdint>

class QIODevice;

// Cuts the byte stream from the server into messages: a uint32 length, then
// that many bytes holding the uint32 code and the body. It never takes more
// from the device than the current message still lacks, so the bytes of the
// next message stay in the device.
class ServerMessageReader
{
public:
    // A length below this cannot hold a code.
    static constexpr uint32_t MinLength = 4;
    // No server message comes near this; a larger length means a broken stream.
    static constexpr uint32_t MaxLength = 4 * 1024 * 1024;

    enum class Result
    {
        NeedMore,  // the device holds no more of the current message
        Complete,  // TakeMessage() gives the whole message
        BadLength, // the length word is out of bounds; the stream is unusable
    };

    // Reads at most what the current message lacks.
    Result ReadFrom(QIODevice& device);

    // The complete message, read position at its start (before the code).
    // Starts the next message.
    MemStream TakeMessage();

    // The length word of the current message (valid after BadLength too).
    uint32_t Length() const { return length; }

    // Forgets any partly read message.
    void Reset();

private:
    bool haveLength = false;
    uint32_t length = 0;
    QByteArray message;
};

#endif
