#ifndef WIRE_FRAMEREADER_H
#define WIRE_FRAMEREADER_H

#include "wire/MemStream.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

class QIODevice;

// Undoes what a connection does to its frames on the way: a clear header in
// front of every frame, then a transform over the length word and, continuing
// the same stream, the body.
class FrameTransform
{
public:
    virtual ~FrameTransform() = default;

    // Bytes in clear in front of each length word.
    virtual size_t HeaderSize() const = 0;
    // A frame starts with these HeaderSize() bytes.
    virtual void Begin(const uint8_t* header) = 0;
    // Turns the next bytes of the frame back into clear text, in place.
    virtual void Apply(uint8_t* bytes, size_t n) = 0;
};

// Cuts a byte stream into frames: a uint32 length, then that many bytes of
// body (with a transform, its header comes first). A length outside the bounds
// makes the stream unusable: the owner closes the connection.
//
// The owner either pulls from a device (ReadFrom) or appends what it received
// (Append, then Next), not both. From a device the reader takes at most what the
// current frame still lacks, so whatever follows a frame stays in the device.
// A frame's memory grows with the bytes that actually arrived, never with the
// length that was announced.
class FrameReader
{
public:
    enum class Result
    {
        NeedMore,  // the current frame is not complete yet
        Complete,  // the frame's body is handed out
        BadLength, // the length is out of bounds; nothing more will be read
    };

    // Lengths from minLength to maxLength, both included, are accepted. The
    // reader owns the transform; without one the frames are plain.
    explicit FrameReader(uint32_t maxLength, uint32_t minLength = 0,
                         std::unique_ptr<FrameTransform> transform = nullptr);
    ~FrameReader();

    // On Complete, body holds the whole body, read position at its start.
    Result ReadFrom(QIODevice& device, MemStream& body);

    // Keeps bytes for Next().
    void Append(const char* data, size_t size);
    // The next frame out of the appended bytes.
    Result Next(MemStream& body);

    // The length word of the current frame (also after BadLength).
    uint32_t Length() const { return m_length; }
    // Body bytes of the current frame received so far; 0 between frames.
    uint64_t BodyReceived() const { return m_body ? m_body->GetLength() : 0; }
    // Applies from the next length word on.
    void SetMaxLength(uint32_t maxLength) { m_maxLength = maxLength; }

    // Forgets any partly read frame, appended bytes and a bad length.
    void Reset();

private:
    template <class Source>
    Result Step(Source& source, MemStream& body);

    uint32_t m_maxLength;
    const uint32_t m_minLength;
    std::unique_ptr<FrameTransform> m_transform;
    const size_t m_headerSize;
    bool m_haveLength = false;
    bool m_broken = false;
    uint32_t m_length = 0;
    // Only while a frame is being read: an idle reader holds no body.
    std::optional<MemStream> m_body;
    QByteArray m_input;
    size_t m_inputOffset = 0;
};

#endif
