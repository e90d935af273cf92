#ifndef PEER_PEERFRAMING_H
#define PEER_PEERFRAMING_H

#include "wire/FrameReader.h"
#include "wire/MemStream.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class QIODevice;

// The longest frame body a peer may send; one byte more closes the connection.
constexpr uint32_t MaxPeerFrameLength = 10 * 1024 * 1024;

// A long message keeps its connection alive each time this many more of its
// bytes have arrived.
constexpr uint64_t ActivityStepBytes = 100 * 1024;

// One message as it goes out on a peer connection, ready for a single write:
// the length word and the body, or, obfuscated, a fresh random key in clear
// and the frame scrambled with it.
QByteArray FramePeerMessage(const MemStream& message, bool obfuscated);

// The read state of one peer socket: its frames, plain or obfuscated, and the
// raw transfer token that follows the greeting of a file connection. Memory
// grows with the bytes that arrive, never with an announced length, and only
// what the next step needs is taken from the socket.
class PeerReadState
{
public:
    enum class Event
    {
        NeedMore,  // wait for more bytes
        Message,   // a whole frame body
        FileToken, // the raw token of a file connection
        BadLength, // a frame longer than MaxPeerFrameLength: the connection must go
    };

    struct Step
    {
        Event event = Event::NeedMore;
        MemStream body;     // Message
        uint32_t token = 0; // FileToken
        // Another ActivityStepBytes of the current message arrived.
        bool activity = false;
    };

    explicit PeerReadState(bool obfuscated);

    // The next event from the bytes available in the device.
    Step Next(QIODevice& device);

    // The next four raw bytes are the token of the user's file connection.
    void AwaitFileToken(const QString& user);
    bool AwaitingFileToken() const { return awaitingFileToken; }
    const QString& User() const { return user; }

    bool IsObfuscated() const { return obfuscated; }

private:
    FrameReader reader;
    bool obfuscated;
    bool awaitingFileToken = false;
    QString user;
};

#endif
