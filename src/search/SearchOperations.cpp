// The searches the session starts, all numbered by the one token counter.
#include "server/Server.h"

#include "search/SearchRequestRecord.h"
#include "server/ServerRequests.h"
#include "store/Data.h"

unsigned int Server::FileSearch(QString const& text, bool wishList)
{
    const unsigned int token = NextSearchToken();
    Send(ServerRequests::FileSearch(token, text, wishList));
    RecordSearchRequest(token, text, wishList);
    emit SearchRequested(token, text, wishList);
    return token;
}

unsigned int Server::SearchRoom(QString const& room, QString const& text)
{
    const unsigned int token = NextSearchToken();
    RecordSearchRequest(token, text, false);
    Send(ServerRequests::SearchRoom(room, token, text));
    emit SearchRequested(token, text, false);
    return token;
}

unsigned int Server::SearchUserList(QString const& text)
{
    const unsigned int token = NextSearchToken();
    RecordSearchRequest(token, text, false);
    for (ItemPtr user : g("user").Connected("in_user_list").Connected("is_online"))
        Send(ServerRequests::SearchUserFiles(user.AsString(), token, text));
    emit SearchRequested(token, text, false);
    return token;
}

void Server::GetSearchCorrelations(QString const& term)
{
    Send(ServerRequests::SearchCorrelations(term));
}
