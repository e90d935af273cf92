#include "wire/FrameReader.h"

#include <QIODevice>
#include <QVarLengthArray>
#include <QtEndian>

#include <algorithm>

namespace {

// Bytes moved from the source per step: large frames arrive in pieces of this
// size, so the body never grows by more than what was there.
constexpr qint64 ChunkSize = 16 * 1024;

constexpr size_t LengthWordSize = sizeof(uint32_t);

class DeviceSource
{
public:
    explicit DeviceSource(QIODevice& device)
        : m_device(device)
    {
    }
    qint64 Available() const { return m_device.bytesAvailable(); }
    qint64 Read(char* out, qint64 n) { return m_device.read(out, n); }

private:
    QIODevice& m_device;
};

class BufferSource
{
public:
    BufferSource(const QByteArray& bytes, size_t& offset)
        : m_bytes(bytes)
        , m_offset(offset)
    {
    }
    qint64 Available() const { return qint64(size_t(m_bytes.size()) - m_offset); }
    qint64 Read(char* out, qint64 n)
    {
        const qint64 taken = std::min(n, Available());
        std::copy_n(m_bytes.constData() + m_offset, taken, out);
        m_offset += size_t(taken);
        return taken;
    }

private:
    const QByteArray& m_bytes;
    size_t& m_offset;
};

} // namespace

FrameReader::FrameReader(uint32_t maxLength, uint32_t minLength, std::unique_ptr<FrameTransform> transform)
    : m_maxLength(maxLength)
    , m_minLength(minLength)
    , m_transform(std::move(transform))
    , m_headerSize(m_transform ? m_transform->HeaderSize() : 0)
{
}

FrameReader::~FrameReader() = default;

FrameReader::Result FrameReader::ReadFrom(QIODevice& device, MemStream& body)
{
    DeviceSource source(device);
    return Step(source, body);
}

void FrameReader::Append(const char* data, size_t size)
{
    if (m_broken)
        return;
    if (m_inputOffset > 0) {
        m_input.remove(0, int(m_inputOffset));
        m_inputOffset = 0;
    }
    m_input.append(data, int(size));
}

FrameReader::Result FrameReader::Next(MemStream& body)
{
    BufferSource source(m_input, m_inputOffset);
    const Result result = Step(source, body);
    if (m_inputOffset == size_t(m_input.size())) {
        m_input.clear();
        m_inputOffset = 0;
    }
    return result;
}

void FrameReader::Reset()
{
    m_haveLength = false;
    m_broken = false;
    m_length = 0;
    m_body.reset();
    m_input.clear();
    m_inputOffset = 0;
}

template <class Source>
FrameReader::Result FrameReader::Step(Source& source, MemStream& body)
{
    if (m_broken)
        return Result::BadLength;
    if (!m_haveLength) {
        QVarLengthArray<uint8_t, 16> header(int(m_headerSize + LengthWordSize));
        const qint64 wanted = header.size();
        // The header is taken whole or not at all.
        if (source.Available() < wanted || source.Read(reinterpret_cast<char*>(header.data()), wanted) != wanted)
            return Result::NeedMore;
        uint8_t* lengthWord = header.data() + m_headerSize;
        if (m_transform) {
            m_transform->Begin(header.data());
            m_transform->Apply(lengthWord, LengthWordSize);
        }
        m_length = qFromLittleEndian<uint32_t>(lengthWord);
        if (m_length < m_minLength || m_length > m_maxLength) {
            m_broken = true;
            return Result::BadLength;
        }
        m_haveLength = true;
        m_body.emplace();
    }
    char chunk[ChunkSize];
    for (;;) {
        const qint64 missing = qint64(m_length) - qint64(m_body->GetLength());
        if (missing == 0)
            break;
        const qint64 wanted = std::min({missing, ChunkSize, source.Available()});
        if (wanted <= 0)
            return Result::NeedMore;
        const qint64 got = source.Read(chunk, wanted);
        if (got <= 0)
            return Result::NeedMore;
        if (m_transform)
            m_transform->Apply(reinterpret_cast<uint8_t*>(chunk), size_t(got));
        m_body->WriteBuffer(chunk, size_t(got));
    }
    body = *m_body;
    m_body.reset();
    m_haveLength = false;
    return Result::Complete;
}
