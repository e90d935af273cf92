#ifndef WIRE_PERSISTENT_H
#define WIRE_PERSISTENT_H

class InputStream;
class OutputStream;

// A record that parses itself from a stream. Read returns false on short or
// out-of-bounds data; the record's contents are then unspecified and the
// caller abandons the message.
class StreamReadable
{
public:
    virtual ~StreamReadable() = default;
    virtual bool Read(InputStream& in) = 0;
};

// A record that writes itself to a stream; false when the stream refused bytes.
class StreamWritable
{
public:
    virtual ~StreamWritable() = default;
    virtual bool Write(OutputStream& out) const = 0;
};

class Persistent : public StreamReadable, public StreamWritable
{
};

#endif
