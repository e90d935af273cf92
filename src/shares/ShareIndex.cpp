#include "shares/ShareIndex.h"

#include "search/SearchParser.h"
#include "store/Data.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

bool IsSearchTokenSeparator(QChar c)
{
    const ushort code = c.unicode();
    if (code >= 128)
        return code > 255;
    return !((code >= '0' && code <= '9') || (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z'));
}

namespace {
bool IsPathSeparator(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('/') || c == QLatin1Char('\\');
}

template <typename Separator>
void AddRuns(const QString& text, Separator isSeparator, std::vector<std::string>& words)
{
    int start = -1;
    for (int i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isSeparator(text[i])) {
            if (start < 0)
                start = i;
        } else if (start >= 0) {
            words.push_back(text.mid(start, i - start).toUtf8().toStdString());
            start = -1;
        }
    }
}

QString Utf8Text(const Item* item)
{
    return item ? QString::fromStdString(item->GetValue().Bytes()) : QString();
}
} // namespace

std::vector<std::string> SearchWords(const QString& lowerText)
{
    std::vector<std::string> words;
    AddRuns(lowerText, IsSearchTokenSeparator, words);
    AddRuns(lowerText, IsPathSeparator, words);
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}

ShareIndex::ShareIndex()
{
    types.sharedFileName->itemCreated.Add(
        AddDataHandler(new EventHandler<ShareIndex, ItemPtr>(this, &ShareIndex::OnSharedFileNameAdded)));
    types.sharedFileFolder->itemCreated.Add(
        AddDataHandler(new EventHandler<ShareIndex, ItemPtr>(this, &ShareIndex::OnSharedFileFolderAdded)));
}

void ShareIndex::OnSharedFileNameAdded(ItemPtr name)
{
    name += types.sharedFileLowercaseName->GetItem(Value(Utf8Text(name.Get()).toLower()));
}

void ShareIndex::OnSharedFileFolderAdded(ItemPtr folder)
{
    folder += types.sharedFileFolderLowercaseName->GetItem(Value(Utf8Text(folder.Get()).toLower()));
}

void ShareIndex::ConnectWords(ItemPtr file, const QString& lowerText)
{
    for (const std::string& word : SearchWords(lowerText))
        file += types.searchToken->GetItem(Value(word));
}

void ShareIndex::TokenizeSharedFile(ItemPtr file)
{
    // "\" separates words in both passes, so the words of the path are those
    // of the folder and those of the name.
    ConnectWords(file,
                 (Utf8Text(file->GetItem(types.sharedFileFolder)) + QLatin1Char('\\')
                  + Utf8Text(file->GetItem(types.sharedFileName)))
                     .toLower());
}

void ShareIndex::TokenizeSharedFile(ItemPtr file, const std::vector<ItemPtr>& folderWords)
{
    for (ItemPtr word : folderWords)
        file += word;
    ConnectWords(file, Utf8Text(file->GetItem(types.sharedFileName)).toLower());
}

std::vector<ItemPtr> ShareIndex::FolderWords(const QString& folderPath)
{
    std::vector<ItemPtr> words;
    for (const std::string& word : SearchWords(folderPath.toLower()))
        words.push_back(types.searchToken->GetItem(Value(word)));
    return words;
}

ItemPtr ShareIndex::GetSharedFileItem(const QString& path) const
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const int separator = std::max(clean.lastIndexOf(QLatin1Char('/')), clean.lastIndexOf(QLatin1Char('\\')));
    if (separator < 0)
        return ItemPtr();
    const QString folder = separator == 0 ? clean.left(1) : clean.left(separator);
    const ItemPtr lowerFolder = types.sharedFileFolderLowercaseName->HasItem(Value(folder.toLower()));
    const ItemPtr lowerName = types.sharedFileLowercaseName->HasItem(Value(clean.mid(separator + 1).toLower()));
    if (!lowerFolder || !lowerName)
        return ItemPtr();
    // Walk the folders' files: a folder holds few files, a name may be in thousands of folders.
    ItemPtr found;
    for (ItemPtr fileFolder : lowerFolder.GetItems("shared_file_folder")) {
        const ItemSet* files = fileFolder->ConnectedSet(types.sharedFile);
        if (!files)
            continue;
        for (ItemPtr file : *files) {
            const Item* name = file->GetItem(types.sharedFileName);
            if (name && name->GetItem(types.sharedFileLowercaseName) == lowerName.Get() && (!found || file < found))
                found = file;
        }
    }
    return found;
}

ItemPtr ShareIndex::FindSharedFile(const QString& folderPath, const QString& name) const
{
    const ItemPtr folder = types.sharedFileFolder->HasItem(Value(folderPath));
    const ItemPtr fileName = types.sharedFileName->HasItem(Value(name));
    if (!folder || !fileName)
        return ItemPtr();
    return d.GetItem(folder, fileName, "shared_file");
}

void ShareIndex::RemoveIfUnused(Item* item)
{
    if (item->GetType() == types.sharedFileName) {
        if (item->IsConnected(types.sharedFile))
            return;
        Item* lowerName = item->GetItem(types.sharedFileLowercaseName);
        item->Remove();
        if (lowerName && lowerName->IsDisconnectedFromAll())
            lowerName->Remove();
        return;
    }
    // Null items are marks (such as "is_scanned") that other items share.
    if (!item->GetType()->IsNull() && item->IsDisconnectedFromAll())
        item->Remove();
}

void ShareIndex::RemoveSharedFile(ItemPtr file)
{
    std::vector<Item*> used;
    for (const TypeItemsMap::Entry& entry : file->Connections())
        if (entry.GetType() != types.sharedFileFolder)
            for (ItemPtr item : entry.Set())
                used.push_back(item.Get());
    file.Remove();
    d.ForEachPresent(used, [this](Item* item) { RemoveIfUnused(item); });
}

void ShareIndex::RemoveSharedFileFolder(ItemPtr folder)
{
    std::vector<Item*> used;
    if (Item* lowerName = folder->GetItem(types.sharedFileFolderLowercaseName))
        used.push_back(lowerName);
    folder.Remove();
    d.ForEachPresent(used, [this](Item* item) { RemoveIfUnused(item); });
}

std::vector<ItemPtr> ShareIndex::Match(const SearchParser& parser, const ItemSet& sharedFolders, std::size_t limit,
                                       bool& cut) const
{
    cut = false;
    std::vector<Item*> words;
    bool longEnough = false;
    for (const QString& token : parser.GetIncludedTokenSet()) {
        Item* word = types.searchToken->HasItem(Value(token)).Get();
        if (!word || !word->ConnectedSet(types.sharedFile))
            return {};
        words.push_back(word);
        longEnough = longEnough || token.size() >= 3;
    }
    if (words.empty() || !longEnough)
        return {};
    // Walk the rarest word's files; the others only answer membership.
    const auto fileCount = [this](const Item* word) { return word->ConnectedSet(types.sharedFile)->Size(); };
    std::sort(words.begin(), words.end(), [&](Item* a, Item* b) { return fileCount(a) < fileCount(b); });

    std::vector<std::string> excluded, parts;
    for (const QString& token : parser.GetExcludedTokenSet())
        excluded.push_back(token.toUtf8().toStdString());
    for (const QString& token : parser.GetIncludedPartTokenSet())
        parts.push_back(token.toUtf8().toStdString());

    std::vector<ItemPtr> found;
    for (ItemPtr file : *words.front()->ConnectedSet(types.sharedFile)) {
        if (!std::all_of(words.begin() + 1, words.end(), [file](const Item* word) { return file->IsConnected(word); }))
            continue;
        const Item* nameItem = file->GetItem(types.sharedFileName);
        if (!nameItem)
            continue;
        const std::string& name = nameItem->GetValue().Bytes();
        const auto inName = [&name](const std::string& token) { return name.find(token) != std::string::npos; };
        if (std::any_of(excluded.begin(), excluded.end(), inName) || !std::all_of(parts.begin(), parts.end(), inName))
            continue;
        const Item* folder = file->GetItem(types.sharedFileFolder);
        const ItemSet* roots = folder ? folder->ConnectedSet(types.sharedFolder) : nullptr;
        if (!roots
            || !std::any_of(roots->begin(), roots->end(), [&](ItemPtr root) { return sharedFolders.Contains(root); }))
            continue;
        if (found.size() == limit) {
            cut = true;
            break;
        }
        found.push_back(file);
    }
    return found;
}
