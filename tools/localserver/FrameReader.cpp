#include "FrameReader.h"

namespace localserver {

void FrameReader::Append(const char* data, qint64 size)
{
    m_buffer.DiscardReadBytes();
    m_buffer.WriteBuffer(data, size_t(size));
}

FrameReader::Status FrameReader::Next(MemStream& message)
{
    if (m_broken)
        return Status::BadLength;
    if (!m_haveLength) {
        if (!m_buffer.Read(m_length))
            return Status::Incomplete;
        if (m_length < MinLength || m_length > MaxLength) {
            m_broken = true;
            return Status::BadLength;
        }
        m_haveLength = true;
    }
    if (m_buffer.GetPendingReadLength() < m_length)
        return Status::Incomplete;
    message = MemStream(QByteArray(reinterpret_cast<const char*>(m_buffer.GetReadBuffer()), int(m_length)));
    m_buffer.Skip(m_length);
    m_haveLength = false;
    return Status::Complete;
}

} // namespace localserver
