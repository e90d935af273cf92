#include "wire/QFileStreamer.h"

#include <QFile>

bool QFileStreamer::ReadBuffer(void* out, size_t n)
{
    return m_file.read(static_cast<char*>(out), qint64(n)) == qint64(n);
}

bool QFileStreamer::WriteBuffer(void const* data, size_t n)
{
    return m_file.write(static_cast<char const*>(data), qint64(n)) == qint64(n);
}
