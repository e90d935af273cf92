#ifndef SHARES_SHAREINDEX_H
#define SHARES_SHAREINDEX_H

#include "shares/SharesSchema.h"
#include "store/Events.h"
#include "store/ItemPtr.h"
#include "store/ItemSet.h"

#include <QChar>
#include <QString>

#include <cstddef>
#include <string>
#include <vector>

class SearchParser;

// A character that ends a search word: anything but ASCII letters and digits
// and the upper half of Latin-1 (codes 128 to 255).
bool IsSearchTokenSeparator(QChar c);

// The search words of a lower-cased text: every maximal run of word characters,
// and every maximal run of characters other than space, "/" and "\", as UTF-8
// bytes, each once.
std::vector<std::string> SearchWords(const QString& lowerText);

// The share index in the item graph: the lower-case names that make lookups
// case-insensitive, the word index of shared files, lookups by path, removal of
// files with what only they used, and matching of searches against the words.
class ShareIndex : public DataHandler
{
public:
    ShareIndex();

    // Connects the file to the words of its folder path and name.
    void TokenizeSharedFile(ItemPtr file);
    // The same with the folder's words already known (see FolderWords).
    void TokenizeSharedFile(ItemPtr file, const std::vector<ItemPtr>& folderWords);
    std::vector<ItemPtr> FolderWords(const QString& folderPath);

    // The "shared_file" for a full path, found case-insensitively; null when none.
    ItemPtr GetSharedFileItem(const QString& path) const;
    // The "shared_file" with exactly this folder and name; null when none.
    ItemPtr FindSharedFile(const QString& folderPath, const QString& name) const;

    // Removes a file and the name, size, word and attribute items that only it used.
    void RemoveSharedFile(ItemPtr file);
    // Removes a folder (its files must be gone) and its lower-case name.
    void RemoveSharedFileFolder(ItemPtr folder);

    // The files whose words contain every included token of the parser and
    // whose stored name contains every part token and no excluded token (byte
    // for byte, so case matters), in one of the given shared folders. Stops at
    // `limit` files and then sets `cut`. Nothing when no included token is
    // three or more characters long or any included token is no word of the
    // index.
    std::vector<ItemPtr> Match(const SearchParser& parser, const ItemSet& sharedFolders, std::size_t limit,
                               bool& cut) const;

    const ShareTypes& Types() const { return types; }

private:
    void OnSharedFileNameAdded(ItemPtr name);
    void OnSharedFileFolderAdded(ItemPtr folder);
    void ConnectWords(ItemPtr file, const QString& lowerText);
    void RemoveIfUnused(Item* item);

    ShareTypes types;
};

#endif
