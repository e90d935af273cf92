#include "SearchService.h"

#include "dnet/DNetMessages.h"

namespace localserver {

std::vector<ServerMessageCode> SearchService::Codes() const
{
    return {SM_FILE_SEARCH, SM_LOW_PRIORITY_FILE_SEARCH, SM_SEARCH_ROOM, SM_SEARCH_USER_FILES, SM_SEARCH_CORRELATIONS};
}

bool SearchService::Handle(ClientSession& session, quint32 code, MemStream& body)
{
    switch (code) {
    case SM_FILE_SEARCH:
    case SM_LOW_PRIORITY_FILE_SEARCH: return SearchNetwork(session, body);
    case SM_SEARCH_ROOM: return SearchRoom(session, body);
    case SM_SEARCH_USER_FILES: return SearchUser(session, body);
    case SM_SEARCH_CORRELATIONS: return SendCorrelations(session, body);
    }
    return false;
}

void SearchService::OnLogin(ClientSession& session)
{
    session.Send(NewMessage(SM_WISHLIST_WAIT, uint32_t(m_context.options.wishListInterval)));
}

bool SearchService::SearchNetwork(ClientSession& session, MemStream& body)
{
    quint32 token = 0;
    QString text;
    if (!body.Read(token) || !body.Read(text))
        return false;
    if (m_context.options.treeOnlySearch) {
        // The roots pass it down their branches; a searching root gets its own
        // search too, for its children's sake (clients ignore their own).
        const MemStream request = DistributedSearchRequest(session.Name(), token, text);
        for (ClientSession* root : m_context.OnlineSessions())
            if (!root->User().tree.hasParent)
                root->Send(request);
        return true;
    }
    const MemStream request = SearchRequest(session.Name(), token, text);
    for (ClientSession* user : m_context.OnlineSessions())
        if (user != &session)
            user->Send(request);
    return true;
}

bool SearchService::SearchRoom(ClientSession& session, MemStream& body)
{
    QString name;
    quint32 token = 0;
    QString text;
    if (!body.Read(name) || !body.Read(token) || !body.Read(text))
        return false;
    const Room* room = m_context.rooms.Find(name);
    if (!room || !room->IsPresent(session.Name())) {
        session.Note("searches %1 without being in it", name);
        return true;
    }
    const MemStream request = SearchRequest(session.Name(), token, text);
    for (const QString& user : room->present)
        if (user != session.Name())
            if (ClientSession* member = m_context.Online(user))
                member->Send(request);
    return true;
}

bool SearchService::SearchUser(ClientSession& session, MemStream& body)
{
    QString name;
    quint32 token = 0;
    QString text;
    if (!body.Read(name) || !body.Read(token) || !body.Read(text))
        return false;
    if (ClientSession* user = m_context.Online(name))
        user->Send(SearchRequest(session.Name(), token, text));
    return true;
}

bool SearchService::SendCorrelations(ClientSession& session, MemStream& body)
{
    QString term;
    if (!body.Read(term))
        return false;
    // This server keeps no related terms.
    session.Send(NewMessage(SM_SEARCH_CORRELATIONS, term, std::vector<QString>()));
    return true;
}

MemStream SearchService::SearchRequest(const QString& user, quint32 token, const QString& text)
{
    return NewMessage(SM_FILE_SEARCH, user, uint32_t(token), text);
}

MemStream SearchService::DistributedSearchRequest(const QString& user, quint32 token, const QString& text)
{
    MemStream message = NewMessage(SM_DNET_MESSAGE);
    const MemStream search = BuildDNetSearch(user, token, text);
    message.WriteBuffer(search.GetReadBuffer(), search.GetPendingReadLength());
    return message;
}

} // namespace localserver
