#include "services/VersionFile.h"

#include <QUrl>

namespace {
// Walks the lines of the file.
class LineReader
{
public:
    explicit LineReader(const QByteArray& text)
        : file(text)
    {
    }

    // The next line, trimmed; false at the end. `complete` tells whether a
    // line feed ended it.
    bool Next(QString& line, bool& complete)
    {
        if (position >= file.size())
            return false;
        const int end = file.indexOf('\n', position);
        complete = end >= 0;
        const int stop = complete ? end : file.size();
        line = QString::fromLatin1(file.constData() + position, stop - position).trimmed();
        position = stop + 1;
        return true;
    }

    // A line read whether a line feed ends it or not; empty at the end.
    QString Next()
    {
        QString line;
        bool complete = false;
        Next(line, complete);
        return line;
    }

private:
    const QByteArray& file;
    int position = 0;
};

bool IsWebAddress(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == "https" || url.scheme() == "http") && !url.host().isEmpty();
}
} // namespace

std::optional<OfferedVersion> ReadVersionFile(const QByteArray& file, qint64 currentBuild, qint64 skippedBuild)
{
    LineReader lines(file);
    OfferedVersion offer;
    // A line that is not a number reads as 0, which is never newer.
    offer.build = lines.Next().toLongLong();
    if (offer.build <= skippedBuild || offer.build <= currentBuild)
        return std::nullopt;
    const QString base = lines.Next();
    if (base.isEmpty())
        return std::nullopt;
    const QString stem = lines.Next();
    if (stem.isEmpty())
        return std::nullopt;
    QString note;
    bool complete = false;
    while (lines.Next(note, complete) && complete)
        offer.notes << note;
    offer.downloadAddress = base + "/Linux/" + stem + "-64bit.tgz";
    if (!IsWebAddress(offer.downloadAddress))
        return std::nullopt;
    return offer;
}
