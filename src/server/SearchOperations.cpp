// The searches the session starts, all numbered by the one token counter.
#include "server/Server.h"

#include "search/SearchRequestRecord.h"
#include "store/Data.h"

unsigned int Server::FileSearch(const QString& text, bool wishList)
{
    const unsigned int token = NextSearchToken();
    Send(wishList ? SM_LOW_PRIORITY_FILE_SEARCH : SM_FILE_SEARCH, uint32_t(token), text);
    RecordSearchRequest(token, text, wishList);
    emit SearchRequested(token, text, wishList);
    return token;
}

unsigned int Server::SearchRoom(const QString& room, const QString& text)
{
    const unsigned int token = NextSearchToken();
    RecordSearchRequest(token, text, false);
    Send(SM_SEARCH_ROOM, room, uint32_t(token), text);
    emit SearchRequested(token, text, false);
    return token;
}

unsigned int Server::SearchUserList(const QString& text)
{
    const unsigned int token = NextSearchToken();
    RecordSearchRequest(token, text, false);
    for (ItemPtr user : g("user").Connected("in_user_list").Connected("is_online"))
        Send(SM_SEARCH_USER_FILES, user.AsString(), uint32_t(token), text);
    emit SearchRequested(token, text, false);
    return token;
}

void Server::GetSearchCorrelations(const QString& term)
{
    Send(SM_SEARCH_CORRELATIONS, term);
}
