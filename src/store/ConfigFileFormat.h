#ifndef STORE_CONFIGFILEFORMAT_H
#define STORE_CONFIGFILEFORMAT_H

#include <QByteArray>
#include <QtGlobal>
#include <string>

// The configuration file is built from little-endian int32 fields, one-byte flags and strings
// (int32 byte count, then the bytes).
class ConfigFileEncoder
{
public:
    void WriteInt32(qint64 value);
    void WriteFlag(bool value);
    void WriteString(const std::string& value);
    const QByteArray& Bytes() const;

private:
    QByteArray bytes;
};

// Reads the fields of a configuration file held in memory. Every read that runs past the end, and every
// count or length that the remaining bytes cannot hold, throws DataLoadFailure.
class ConfigFileDecoder
{
public:
    ConfigFileDecoder(const char* data, qint64 size);

    qint32 ReadInt32();
    bool ReadFlag();
    // The text up to the first NUL byte.
    std::string ReadString();
    // A record count, at most as many records of minRecordBytes each as the rest of the file can hold.
    qint32 ReadCount(qint64 minRecordBytes);

private:
    void Need(qint64 byteCount) const;

    const char* data;
    qint64 size;
    qint64 position = 0;
};

#endif
