#ifndef WIRE_QFILESTREAMER_H
#define WIRE_QFILESTREAMER_H

#include "wire/Stream.h"

class QFile;

// Reads and writes the wire words over a file that the caller has opened.
// A read or write succeeds only when all n bytes were transferred.
class QFileStreamer : public Stream
{
public:
    explicit QFileStreamer(QFile& file)
        : m_file(file)
    {
    }

    bool ReadBuffer(void* out, size_t n) override;
    bool WriteBuffer(const void* data, size_t n) override;

private:
    QFile& m_file;
};

#endif
