#ifndef LOCALSERVER_FRAMEREADER_H
#define LOCALSERVER_FRAMEREADER_H

#include "wire/MemStream.h"

namespace localserver {

// Cuts the bytes from one client into messages: a uint32 length, then that
// many bytes holding the uint32 code and the body. A length that cannot hold a
// code or that is larger than any message this server takes is refused.
class FrameReader
{
public:
    static constexpr quint32 MinLength = 4;
    static constexpr quint32 MaxLength = 1024 * 1024;

    enum class Status
    {
        Incomplete,
        Complete,
        BadLength
    };

    void Append(const char* data, qint64 size);

    // Complete: message holds the next message (code first). BadLength: the
    // stream cannot be framed any more; BadLengthValue() tells what was read.
    Status Next(MemStream& message);

    quint32 BadLengthValue() const { return m_length; }

private:
    MemStream m_buffer;
    quint32 m_length = 0;
    bool m_haveLength = false;
    bool m_broken = false;
};

} // namespace localserver

#endif
