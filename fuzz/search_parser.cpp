// Tokenizes arbitrary search texts and matches the result against texts.
#include "search/SearchParser.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const int split = bytes.indexOf('\n');
    const QString text = QString::fromUtf8(split < 0 ? bytes : bytes.left(split));
    const QString candidate = QString::fromUtf8(split < 0 ? QByteArray() : bytes.mid(split + 1));
    SearchParser parser;
    if (parser.SetSearchText(text)) {
        parser.IsMatch(candidate);
        parser.IsMatch(text);
    }
    return 0;
}
