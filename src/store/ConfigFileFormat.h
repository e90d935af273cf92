#ifndef STORE_CONFIGFILEFORMAT_H
#define STORE_CONFIGFILEFORMAT_H

#include <QByteArray>
#include <QtEndian>
#include <QtGlobal>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

// The configuration file is built from little-endian int32 fields, one-byte flags and strings
// (int32 byte count, then the bytes). A large share writes millions of fields, so each is a few stores into
// one growing buffer.
class ConfigFileEncoder
{
public:
    // Room for the expected size is taken at once: growing a large buffer copies it and touches fresh memory.
    explicit ConfigFileEncoder(std::size_t expectedBytes = 0)
    {
        if (expectedBytes > 0)
            Grow(expectedBytes);
    }

    // Throws DataSaveFailure when the value does not fit in 32 bits.
    void WriteInt32(qint64 value) { qToLittleEndian<qint32>(Checked(value), Room(4)); }
    void WriteFlag(bool value) { *Room(1) = value ? '\1' : '\0'; }
    void WriteString(const std::string& value)
    {
        WriteInt32(static_cast<qint64>(value.size()));
        if (!value.empty())
            std::memcpy(Room(value.size()), value.data(), value.size());
    }
    // Leaves room for an int32 known only later (a count written before its records); returns its place.
    std::size_t ReserveInt32()
    {
        Room(4);
        return used - 4;
    }
    void PatchInt32(std::size_t place, qint64 value) { qToLittleEndian<qint32>(Checked(value), buffer + place); }
    // Appends room for fields that the caller fills in place (with PatchInt32), in any order.
    std::size_t Extend(std::size_t byteCount)
    {
        Room(byteCount);
        return used - byteCount;
    }
    // The bytes written; the encoder is empty afterwards.
    QByteArray Take();

private:
    static qint32 Checked(qint64 value)
    {
        if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
            DoesNotFit();
        return static_cast<qint32>(value);
    }
    [[noreturn]] static void DoesNotFit();
    char* Room(std::size_t count)
    {
        if (count > capacity - used)
            Grow(count);
        char* place = buffer + used;
        used += count;
        return place;
    }
    void Grow(std::size_t count);

    // Sized to the capacity; only the first `used` bytes are written.
    QByteArray bytes;
    char* buffer = nullptr;
    std::size_t used = 0;
    std::size_t capacity = 0;
};

// Reads the fields of a configuration file held in memory. Every read that runs past the end, and every
// count or length that the remaining bytes cannot hold, throws DataLoadFailure.
class ConfigFileDecoder
{
public:
    ConfigFileDecoder(const char* data, qint64 size);

    qint32 ReadInt32();
    bool ReadFlag();
    // The text up to the first NUL byte, within the decoded bytes.
    std::string_view ReadText();
    // A record count, at most as many records of minRecordBytes each as the rest of the file can hold.
    qint32 ReadCount(qint64 minRecordBytes);

private:
    void Need(qint64 byteCount) const;

    const char* data;
    qint64 size;
    qint64 position = 0;
};

#endif
