// Reads arbitrary version files; whatever is offered is newer and on the web.
#include "services/VersionFile.h"

#include <QByteArray>
#include <QUrl>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr qint64 Current = 20261207;
    constexpr qint64 Skipped = 20270101;
    const std::optional<OfferedVersion> offer
        = ReadVersionFile(QByteArray(reinterpret_cast<const char*>(data), int(size)), Current, Skipped);
    if (!offer)
        return 0;
    const QString scheme = QUrl(offer->downloadAddress).scheme();
    if (offer->build <= Skipped || (scheme != "https" && scheme != "http"))
        std::abort();
    return 0;
}
