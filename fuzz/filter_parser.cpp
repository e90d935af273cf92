// Parses arbitrary filter texts and applies them, in both levels, to names and
// to a file item with arbitrary attribute values.
#include "search/FilterParser.h"
#include "store/Data.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

// The attribute types the filter reads, on a file type of their own.
void DeclareTypes()
{
    Type* file = d.NewType("fuzz_file", Primary, true, true);
    for (const char* name : {"bitrate_mode", "bitrate", "file_size"})
        file->RelateToType(d.NewType(name, Tertiary, false, true), Many, One, false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool declared = (DeclareTypes(), true);
    (void)declared;
    // Lines: the filter, a folder name, a file name, then the file's bitrate
    // mode, bitrate and size.
    const QStringList lines = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size)).split('\n');
    FilterParser filter;
    filter.Parse(lines.value(0));
    ItemPtr file = d.GetType("fuzz_file")->NewItem();
    const char* attributes[] = {"bitrate_mode", "bitrate", "file_size"};
    for (int index = 0; index < 3; ++index)
        if (lines.size() > 3 + index)
            file += d.GetType(attributes[index])->GetItem(Value(lines.at(3 + index)));
    FilterParser remainder;
    filter.IsMatching(lines.value(1), &remainder, ItemPtr());
    remainder.IsMatching(lines.value(2), nullptr, file);
    const FolderFilter rule(filter, lines.value(1));
    rule.Shows(rule.Passes(lines.value(2), file) ? 1 : 0);
    file.Remove();
    d.RemoveDisconnectedItems();
    return 0;
}
