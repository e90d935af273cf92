#include "wire/QFileStreamer.h"

#include <QFile>

bool QFileStreamer::ReadBuffer(void* out, size_t n)
{
    return m_file.read(static_cast<char*>(out), qint64(n)) == qint64(n);
}

bool QFileStreamer::WriteBuffer(const void* data, size_t n)
{
    return m_file.write(static_cast<const char*>(data), qint64(n)) == qint64(n);
}
