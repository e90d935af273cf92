#include "server/ServerMessageReader.h"

#include <QIODevice>
#include <QtEndian>

ServerMessageReader::Result ServerMessageReader::ReadFrom(QIODevice& device)
{
    if (!haveLength) {
        if (device.bytesAvailable() < qint64(sizeof(uint32_t)))
            return Result::NeedMore;
        uchar word[sizeof(uint32_t)];
        if (device.read(reinterpret_cast<char*>(word), sizeof word) != qint64(sizeof word))
            return Result::NeedMore;
        length = qFromLittleEndian<uint32_t>(word);
        if (length < MinLength || length > MaxLength)
            return Result::BadLength;
        haveLength = true;
        message.clear();
        message.reserve(int(length));
    }
    const qint64 missing = qint64(length) - message.size();
    const QByteArray part = device.read(missing);
    message.append(part);
    return message.size() == int(length) ? Result::Complete : Result::NeedMore;
}

MemStream ServerMessageReader::TakeMessage()
{
    MemStream complete(message);
    Reset();
    return complete;
}

void ServerMessageReader::Reset()
{
    haveLength = false;
    message.clear();
}
