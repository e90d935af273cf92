#include "store/ConfigFileFormat.h"

#include "store/DataSaverFailures.h"

#include <QtEndian>
#include <cstring>
#include <limits>

void ConfigFileEncoder::WriteInt32(qint64 value)
{
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        throw DataSaveFailure("a count or length does not fit in 32 bits");
    char field[4];
    qToLittleEndian<qint32>(static_cast<qint32>(value), field);
    bytes.append(field, sizeof field);
}

void ConfigFileEncoder::WriteFlag(bool value)
{
    bytes.append(value ? '\1' : '\0');
}

void ConfigFileEncoder::WriteString(const std::string& value)
{
    WriteInt32(static_cast<qint64>(value.size()));
    bytes.append(value.data(), static_cast<int>(value.size()));
}

const QByteArray& ConfigFileEncoder::Bytes() const
{
    return bytes;
}

ConfigFileDecoder::ConfigFileDecoder(const char* bytes, qint64 byteCount)
    : data(bytes)
    , size(byteCount)
{
}

void ConfigFileDecoder::Need(qint64 byteCount) const
{
    if (byteCount < 0 || byteCount > size - position)
        throw DataLoadFailure("the file ends in the middle of a record");
}

qint32 ConfigFileDecoder::ReadInt32()
{
    Need(4);
    qint32 value = qFromLittleEndian<qint32>(data + position);
    position += 4;
    return value;
}

bool ConfigFileDecoder::ReadFlag()
{
    Need(1);
    char flag = data[position++];
    if (flag != 0 && flag != 1)
        throw DataLoadFailure("a null flag is neither 0 nor 1");
    return flag == 1;
}

std::string ConfigFileDecoder::ReadString()
{
    qint32 length = ReadInt32();
    if (length < 0)
        throw DataLoadFailure("a string has a negative length");
    Need(length);
    const char* begin = data + position;
    position += length;
    const void* nul = std::memchr(begin, 0, static_cast<size_t>(length));
    return std::string(begin, nul ? static_cast<const char*>(nul) : begin + length);
}

qint32 ConfigFileDecoder::ReadCount(qint64 minRecordBytes)
{
    qint32 count = ReadInt32();
    if (count < 0)
        throw DataLoadFailure("a record count is negative");
    if (count > (size - position) / minRecordBytes)
        throw DataLoadFailure("a record count is larger than the rest of the file can hold");
    return count;
}
