#ifndef WIRE_STREAM_H
#define WIRE_STREAM_H

#include "wire/InputStream.h"
#include "wire/OutputStream.h"

// A stream that can be both read and written.
class Stream : public virtual InputStream, public virtual OutputStream
{
};

#endif
