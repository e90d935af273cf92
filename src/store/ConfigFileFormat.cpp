#include "store/ConfigFileFormat.h"

#include "store/DataSaverFailures.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>

void ConfigFileEncoder::DoesNotFit()
{
    throw DataSaveFailure("a count or length does not fit in 32 bits");
}

void ConfigFileEncoder::Grow(std::size_t count)
{
    // A QByteArray holds less than 2 GiB.
    constexpr std::size_t largest = std::size_t(std::numeric_limits<int>::max()) - 64;
    if (count > largest - used)
        throw DataSaveFailure("the file would be too large");
    std::size_t wanted = std::max<std::size_t>({capacity * 2, used + count, 4096});
    if (capacity == 0)
        wanted = std::max(used + count, std::size_t(4096));
    bytes.resize(int(std::min(wanted, largest)));
    buffer = bytes.data();
    capacity = std::size_t(bytes.size());
}

QByteArray ConfigFileEncoder::Take()
{
    bytes.resize(int(used));
    QByteArray taken;
    taken.swap(bytes);
    buffer = nullptr;
    used = capacity = 0;
    return taken;
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

std::string_view ConfigFileDecoder::ReadText()
{
    qint32 length = ReadInt32();
    if (length < 0)
        throw DataLoadFailure("a string has a negative length");
    Need(length);
    const char* begin = data + position;
    position += length;
    const void* nul = std::memchr(begin, 0, static_cast<size_t>(length));
    return std::string_view(begin, nul ? std::size_t(static_cast<const char*>(nul) - begin) : std::size_t(length));
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
