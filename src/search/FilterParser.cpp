#include "search/FilterParser.h"

#include <QVector>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 BytesPerMegabyte = 1000000;

// The number after a keyword's prefix; text that is not a number counts as 0,
// which switches the condition off.
qint64 NumberAfter(const QString& word, int prefixLength)
{
    bool ok = false;
    const qint64 number = word.midRef(prefixLength).toLongLong(&ok);
    return ok ? number : 0;
}

qint32 Int32After(const QString& word, int prefixLength)
{
    return qint32(std::clamp<qint64>(NumberAfter(word, prefixLength), std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

// Megabytes in bytes; a size too large to count in bytes asks for the
// largest size there is instead of wrapping around to a small or negative one.
qint64 MegabytesAfter(const QString& word, int prefixLength)
{
    const qint64 megabytes = NumberAfter(word, prefixLength);
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / BytesPerMegabyte;
    if (megabytes > limit)
        return std::numeric_limits<qint64>::max();
    if (megabytes < -limit)
        return std::numeric_limits<qint64>::min();
    return megabytes * BytesPerMegabyte;
}

} // namespace

void FilterParser::Parse(const QString& text)
{
    const QVector<QStringRef> words = text.splitRef(' ', Qt::SkipEmptyParts);
    for (const QStringRef& ref : words) {
        const QString word = ref.toString();
        if (word.startsWith('-')) {
            if (word.size() > 1)
                excludedWords.append(word.mid(1));
        } else if (word == QLatin1String("isvbr")) {
            isVbr = true;
            hasAttributes = true;
        } else if (word == QLatin1String("iscbr")) {
            isCbr = true;
            hasAttributes = true;
        } else if (word.startsWith(QLatin1String("minbitrate:"))) {
            minBitrate = Int32After(word, 11);
            hasAttributes = true;
        } else if (word.startsWith(QLatin1String("mbr:"))) {
            minBitrate = Int32After(word, 4);
            hasAttributes = true;
        } else if (word.startsWith(QLatin1String("minfilesize:"))) {
            minFileSize = MegabytesAfter(word, 12);
            hasAttributes = true;
        } else if (word.startsWith(QLatin1String("mfs:"))) {
            minFileSize = MegabytesAfter(word, 4);
            hasAttributes = true;
        } else if (word.startsWith(QLatin1String("minfilesinfolder:"))) {
            minFilesInFolder = Int32After(word, 17);
        } else if (word.startsWith(QLatin1String("mfif:"))) {
            minFilesInFolder = Int32After(word, 5);
        } else {
            includedWords.append(word);
        }
    }
}

bool FilterParser::FailsConditions(ItemPtr item) const
{
    const ItemPtr mode = item.GetItem("bitrate_mode");
    if (isVbr && !(mode && mode.GetValue().Bytes() == "vbr"))
        return true;
    if (isCbr && !(mode && mode.GetValue().Bytes() == "cbr"))
        return true;
    // A file without a bitrate counts as bitrate 0.
    if (item.GetItem("bitrate").AsInt64() < minBitrate)
        return true;
    return item.GetItem("file_size").AsInt64() < minFileSize;
}

void FilterParser::CopyConditionsTo(FilterParser& other) const
{
    other.minBitrate = minBitrate;
    other.isVbr = isVbr;
    other.isCbr = isCbr;
    other.minFileSize = minFileSize;
    other.minFilesInFolder = minFilesInFolder;
    other.hasAttributes = hasAttributes;
}

int FilterParser::IsMatching(const QString& text, FilterParser* remainder, ItemPtr item) const
{
    if (remainder) {
        remainder->includedWords.clear();
        remainder->excludedWords.clear();
    }
    if (item && FailsConditions(item))
        return Rejected;
    if (remainder)
        CopyConditionsTo(*remainder);
    for (const QString& word : excludedWords)
        if (text.contains(word, Qt::CaseInsensitive))
            return Rejected;
    if (remainder)
        remainder->excludedWords = excludedWords;
    for (const QString& word : includedWords) {
        if (text.contains(word, Qt::CaseInsensitive))
            continue;
        if (!remainder)
            return MissingWords;
        remainder->includedWords.append(word);
    }
    return remainder && !remainder->includedWords.isEmpty() ? MissingWords : Matches;
}

FolderFilter::FolderFilter(const FilterParser& filter, const QString& folderName)
    : folderOutcome(filter.IsMatching(folderName, &remainder, ItemPtr()))
    , whole(folderOutcome == FilterParser::Matches && !remainder.HasAttributes() && remainder.MinFilesInFolder() <= 0)
    , needed(std::max(1, filter.MinFilesInFolder()))
{
}

bool FolderFilter::Passes(const QString& fileName, ItemPtr file) const
{
    if (Rejected())
        return false;
    return whole || remainder.IsMatching(fileName, nullptr, file) == FilterParser::Matches;
}
