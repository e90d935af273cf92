#include "transfers/FileConnectionStart.h"

#include <QtEndian>

namespace FileConnectionStart {

QByteArray EncodeToken(uint32_t token)
{
    QByteArray bytes(TokenBytes, Qt::Uninitialized);
    qToLittleEndian(token, bytes.data());
    return bytes;
}

QByteArray EncodeOffset(qint64 offset)
{
    QByteArray bytes(OffsetBytes, Qt::Uninitialized);
    qToLittleEndian(offset, bytes.data());
    return bytes;
}

uint32_t DecodeToken(const char* bytes)
{
    return qFromLittleEndian<uint32_t>(bytes);
}

qint64 DecodeOffset(const char* bytes)
{
    return qFromLittleEndian<qint64>(bytes);
}

QString RefuseOffset(qint64 offset, qint64 size)
{
    if (offset < 0 || offset > size)
        return QString("Won't seek to offset %1 in file of size %2").arg(offset).arg(size);
    return QString();
}

} // namespace FileConnectionStart
