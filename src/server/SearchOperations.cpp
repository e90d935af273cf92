// The searches the session starts, all numbered by the one token counter.
#include "server/Server.h"

#include "search/SearchRequestRecord.h"
#include "server/ForeignRecords.h"
#include "store/Data.h"

namespace {
// A search goes out even when nothing in the program keeps search records:
// the user asked for it, and the signal still tells whoever shows searches.
void RecordIfKept(unsigned int token, const QString& text, bool wishList)
{
    if (CanWrite(ForeignRecord::SearchRequest, QString("Record of search %1").arg(token)))
        RecordSearchRequest(token, text, wishList);
}
} // namespace

unsigned int Server::FileSearch(const QString& text, bool wishList)
{
    const unsigned int token = NextSearchToken();
    Send(wishList ? SM_LOW_PRIORITY_FILE_SEARCH : SM_FILE_SEARCH, uint32_t(token), text);
    RecordIfKept(token, text, wishList);
    emit SearchRequested(token, text, wishList);
    return token;
}

unsigned int Server::SearchRoom(const QString& room, const QString& text)
{
    const unsigned int token = NextSearchToken();
    RecordIfKept(token, text, false);
    Send(SM_SEARCH_ROOM, room, uint32_t(token), text);
    emit SearchRequested(token, text, false);
    return token;
}

unsigned int Server::SearchUserList(const QString& text)
{
    const unsigned int token = NextSearchToken();
    RecordIfKept(token, text, false);
    for (ItemPtr user : g("user").Connected("in_user_list").Connected("is_online"))
        Send(SM_SEARCH_USER_FILES, user.AsString(), uint32_t(token), text);
    emit SearchRequested(token, text, false);
    return token;
}

void Server::GetSearchCorrelations(const QString& term)
{
    if (!CanWrite(ForeignRecord::SearchCorrelations, QString("Related terms request for \"%1\"").arg(term)))
        return;
    Send(SM_SEARCH_CORRELATIONS, term);
}
