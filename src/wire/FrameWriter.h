#ifndef WIRE_FRAMEWRITER_H
#define WIRE_FRAMEWRITER_H

#include "wire/MemStream.h"

#include <QByteArray>

#include <cstdint>
#include <type_traits>

// A fresh message: the code, then each field in order, each written at the
// width of its type (see OutputStream::Write). The code's type is the width of
// the protocol's code: uint32 on the server and peer connections, uint8 on the
// distributed network.
template <class Code, class... Fields>
MemStream BuildMessage(Code code, const Fields&... fields)
{
    static_assert(std::is_integral_v<Code> || std::is_enum_v<Code>, "a message starts with its code");
    MemStream message;
    message.Write(code);
    (message.Write(fields), ...);
    return message;
}

// The unread bytes of the message behind their uint32 length, in one buffer,
// so that a frame goes out in one write.
QByteArray FrameMessage(const MemStream& message);

// The same frame for an obfuscated connection: the key in clear, then the
// frame scrambled with it (see ObfuscationStream).
QByteArray FrameMessage(const MemStream& message, uint32_t key);

#endif
