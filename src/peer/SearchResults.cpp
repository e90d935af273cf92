#include "peer/SearchResults.h"

#include "app/Log.h"
#include "search/SearchParser.h"
#include "shares/FileInfo.h"
#include "store/Data.h"
#include "store/TextDecoding.h"

#include <algorithm>
#include <vector>

namespace {

// What follows the files; each field may be missing.
struct ReplyTail
{
    bool slotFree = false;
    uint32_t averageSpeed = 0;
    uint32_t queueLength = 0;

    void Read(InputStream& in)
    {
        if (!in.Read(slotFree) || !in.Read(averageSpeed) || !in.Read(queueLength))
            return;
        AttributeTranslationTable unused;
        in.Read(unused);
    }
};

void Set(ItemPtr item, const char* typeName, const Value& value)
{
    item += d.GetType(typeName)->GetItem(value);
}

// The searches whose results count as this search's for the duplicate rule:
// the search itself, or every run of the same wish-list search.
ItemSet SameSearches(ItemPtr request)
{
    if (!request.IsConnected("wishlist_search"))
        return ItemSet(request);
    return request.GetItem("search_request_text").GetItems("search_request").Connected("wishlist_search");
}

class ResultWriter
{
public:
    ResultWriter(ItemPtr searchRequest, ItemPtr resultUser, ItemPtr newResults)
        : request(searchRequest)
        , user(resultUser)
        , results(newResults)
        , searches(SameSearches(searchRequest))
    {
        parser.SetSearchText(request.GetItem("search_request_text").AsString());
    }

    // Adds the file unless it is filtered out or already listed; true when added.
    bool Add(const FileInfo& file)
    {
        const QString path = ToQString(file.name);
        if (!parser.IsMatch(path)) {
            Log("Search", 1, QString("Filtered out search result %1 from user %2").arg(path, user.AsString()), user);
            return false;
        }
        QString folder;
        QString fileName;
        SplitResultPath(path, folder, fileName);
        if (IsListed(folder, fileName))
            return false;
        ItemPtr result = results.NewItem("search_result");
        Set(result, "search_result_file_name", fileName);
        Set(result, "search_result_file_folder", folder);
        Set(result, "file_size", Value(static_cast<unsigned long long>(file.size)));
        for (const auto& [code, value] : file.attributes.GetPairs()) {
            if (code == AttributeMap::Bitrate)
                Set(result, "bitrate", Value(value));
            else if (code == AttributeMap::LengthSeconds)
                Set(result, "length_seconds", Value(value));
            else if (code == AttributeMap::VariableBitrate)
                Set(result, "bitrate_mode", value != 0 ? "vbr" : "cbr");
        }
        return true;
    }

private:
    // A result of this user for the same search, with the same folder and
    // name, from an earlier reply or from this one.
    bool IsListed(const QString& folder, const QString& fileName) const
    {
        ItemPtr nameItem = d.GetType("search_result_file_name")->HasItem(fileName);
        ItemPtr folderItem = d.GetType("search_result_file_folder")->HasItem(folder);
        if (!nameItem || !folderItem)
            return false;
        for (ItemPtr existing : d.GetItems(nameItem, folderItem, "search_result")) {
            ItemPtr owner = existing.GetItem("search_results");
            if (owner == results)
                return true;
            if (owner.IsConnected(user) && searches.Contains(owner.GetItem("search_request")))
                return true;
        }
        return false;
    }

    ItemPtr request;
    ItemPtr user;
    ItemPtr results;
    ItemSet searches;
    SearchParser parser;
};

} // namespace

void SplitResultPath(const QString& path, QString& folder, QString& fileName)
{
    QString trimmed = path;
    if (trimmed.endsWith('/') || trimmed.endsWith('\\'))
        trimmed.chop(1);
    const int separator = std::max(trimmed.lastIndexOf('/'), trimmed.lastIndexOf('\\'));
    folder = separator < 0 ? QString() : trimmed.left(separator);
    fileName = trimmed.mid(separator + 1);
}

SearchReplyOutcome WriteSearchReply(const QString& connectionUser, InputStream& reply)
{
    SearchReplyOutcome outcome;
    QString sender;
    uint32_t token = 0;
    if (!reply.Read(sender) || !reply.Read(token) || sender != connectionUser) {
        outcome.kind = SearchReplyOutcome::Malformed;
        return outcome;
    }
    ItemPtr request = d.GetType("search_request")->HasItem(Value(token));
    if (!request || request.IsConnected("search_stopped"))
        return outcome;
    std::vector<FileInfo> files;
    if (!reply.Read(files)) {
        outcome.kind = SearchReplyOutcome::Malformed;
        return outcome;
    }
    ReplyTail tail;
    tail.Read(reply);

    ItemPtr user = d.GetType("user")->GetItem(connectionUser);
    ItemPtr results = d.GetType("search_results")->NewItem();
    ResultWriter writer(request, user, results);
    bool added = false;
    for (const FileInfo& file : files)
        added = writer.Add(file) || added;
    if (!added) {
        results.Remove();
        return outcome;
    }
    results += request;
    results += user;
    Set(results, "search_results_user_available", tail.slotFree ? "yes" : "no");
    Set(results, "search_results_user_speed", Value(tail.averageSpeed));
    Set(results, "search_results_uploads_in_queue", Value(tail.queueLength));
    outcome.kind = SearchReplyOutcome::Written;
    outcome.results = results;
    return outcome;
}
