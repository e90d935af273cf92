#ifndef STORE_TEXTDECODING_H
#define STORE_TEXTDECODING_H

#include <QString>
#include <string>

// Decodes 8-bit text received from the network or read from stored data.
// The bytes up to the first NUL are taken as UTF-8 when they are valid UTF-8
// (decoding and re-encoding gives the same bytes); otherwise they go through
// the fallback decoder, or Latin-1 when none is installed.
QString ToQString(const std::string& bytes);

// Decodes text that is not UTF-8; the code-page translator, which follows the
// user's setting, installs itself as one.
class FallbackTextDecoder
{
public:
    virtual ~FallbackTextDecoder() = default;
    // Safe from any thread.
    virtual QString Translate(const std::string& bytes) const = 0;
};

// Installs the decoder (null for none); the caller keeps it alive while it is installed.
void SetFallbackTextDecoder(const FallbackTextDecoder* decoder);
const FallbackTextDecoder* GetFallbackTextDecoder();

#endif
