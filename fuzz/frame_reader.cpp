// The frame reader over arbitrary bytes, plain or obfuscated, from appended
// bytes or from a device that delivers them in pieces. The first byte picks:
//   bit 0: obfuscated frames;
//   bit 1: pulled from a device rather than appended;
//   bit 2: a lower bound of 4 (a code) instead of 0;
//   bits 3 to 7: the size of the pieces in which the bytes arrive.
// The next two bytes are the upper bound. Every frame must respect the bounds,
// a device must keep every byte after the frames taken, and each body framed
// again must read back the same.
#include "wire/FrameReader.h"
#include "wire/FrameWriter.h"
#include "wire/Obfuscation.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Hands out what has been delivered so far, like a socket.
class PieceDevice : public QIODevice
{
public:
    PieceDevice() { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_delivered - m_taken + QIODevice::bytesAvailable(); }
    void Deliver(qint64 count) { m_delivered += count; }
    void SetBytes(const QByteArray& bytes) { m_bytes = bytes; }
    qint64 Taken() const { return m_taken; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 count = std::min(max, m_delivered - m_taken);
        std::copy_n(m_bytes.constData() + m_taken, count, out);
        m_taken += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_delivered = 0;
    qint64 m_taken = 0;
};

std::unique_ptr<FrameReader> NewReader(bool obfuscated, uint32_t maxLength, uint32_t minLength)
{
    return std::make_unique<FrameReader>(maxLength, minLength, obfuscated ? std::make_unique<Descrambler>() : nullptr);
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const bool obfuscated = data[0] & 1;
    const bool fromDevice = data[0] & 2;
    const uint32_t minLength = data[0] & 4 ? 4 : 0;
    const int piece = 1 + (data[0] >> 3) * 8;
    const uint32_t maxLength = qFromLittleEndian<uint16_t>(data + 1);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 3), int(size - 3));
    const qint64 headerSize = obfuscated ? 8 : 4;

    const std::unique_ptr<FrameReader> reader = NewReader(obfuscated, maxLength, minLength);
    PieceDevice device;
    device.SetBytes(bytes);
    qint64 framedBytes = 0;
    MemStream body;
    for (int at = 0; at < bytes.size(); at += piece) {
        const int count = std::min(piece, bytes.size() - at);
        if (fromDevice)
            device.Deliver(count);
        else
            reader->Append(bytes.constData() + at, size_t(count));
        for (;;) {
            const FrameReader::Result result = fromDevice ? reader->ReadFrom(device, body) : reader->Next(body);
            if (result == FrameReader::Result::NeedMore)
                break;
            if (result == FrameReader::Result::BadLength) {
                Check(reader->Length() < minLength || reader->Length() > maxLength);
                return 0;
            }
            const uint64_t length = body.GetPendingReadLength();
            Check(length == reader->Length() && length >= minLength && length <= maxLength);
            framedBytes += headerSize + qint64(length);
            // A device gives up no byte beyond the frames taken.
            Check(!fromDevice || device.Taken() == framedBytes);

            const QByteArray again = obfuscated ? FrameMessage(body, uint32_t(framedBytes)) : FrameMessage(body);
            const std::unique_ptr<FrameReader> rereader = NewReader(obfuscated, maxLength, minLength);
            rereader->Append(again.constData(), size_t(again.size()));
            MemStream reread;
            Check(rereader->Next(reread) == FrameReader::Result::Complete
                  && reread.GetPendingBytes() == body.GetPendingBytes());
        }
    }
    return 0;
}
