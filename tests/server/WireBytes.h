#ifndef TESTS_SERVER_WIREBYTES_H
#define TESTS_SERVER_WIREBYTES_H

#include "server/UserStats.h"
#include "wire/MemStream.h"

#include <QByteArray>

#include <cstdint>

// Message bodies and expected bytes, written the way the server writes them.
template <class... Fields>
MemStream Body(const Fields&... fields)
{
    MemStream body;
    (body.Write(fields), ...);
    return body;
}

template <class... Fields>
QByteArray Bytes(const Fields&... fields)
{
    return Body(fields...).GetPendingBytes();
}

// A string field holding these UTF-8 bytes.
inline QByteArray Str(const QByteArray& utf8)
{
    return Bytes(uint32_t(utf8.size())) + utf8;
}

inline UserStats Stats(uint32_t speed, uint32_t files)
{
    UserStats stats;
    stats.averageSpeed = speed;
    stats.fileCount = files;
    return stats;
}

#endif
