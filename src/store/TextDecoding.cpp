#include "store/TextDecoding.h"

#include <QByteArray>

#include <algorithm>
#include <atomic>

namespace {
// Transfer and scanner threads decode names too.
std::atomic<const FallbackTextDecoder*> fallbackDecoder{nullptr};
} // namespace

void SetFallbackTextDecoder(const FallbackTextDecoder* decoder)
{
    fallbackDecoder = decoder;
}

const FallbackTextDecoder* GetFallbackTextDecoder()
{
    return fallbackDecoder.load();
}

QString ToQString(const std::string& bytes)
{
    const std::string text = bytes.substr(0, bytes.find('\0'));
    const QString decoded = QString::fromUtf8(text.data(), int(text.size()));
    const QByteArray reencoded = decoded.toUtf8();
    if (reencoded.size() == int(text.size()) && std::equal(text.begin(), text.end(), reencoded.constData()))
        return decoded;
    if (const FallbackTextDecoder* decoder = fallbackDecoder.load())
        return decoder->Translate(text);
    return QString::fromLatin1(text.data(), int(text.size()));
}
