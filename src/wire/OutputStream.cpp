#include "wire/OutputStream.h"

#include <QByteArray>

bool OutputStream::Write(const std::string& bytes)
{
    return Write(uint32_t(bytes.size())) && WriteBuffer(bytes.data(), bytes.size());
}

bool OutputStream::Write(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    const int nul = utf8.indexOf('\0');
    if (nul >= 0)
        utf8.truncate(nul);
    return Write(uint32_t(utf8.size())) && WriteBuffer(utf8.constData(), size_t(utf8.size()));
}
