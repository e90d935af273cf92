#include "TreeService.h"

namespace localserver {

std::vector<ServerMessageCode> TreeService::Codes() const
{
    return {SM_SEND_DISTRIBUTIONS, SM_CAN_PARENT, SM_DNET_LEVEL, SM_DNET_GROUP_LEADER, SM_DNET_CHILD_DEPTH};
}

bool TreeService::Handle(ClientSession& session, quint32 code, MemStream& body)
{
    TreePosition& tree = session.User().tree;
    switch (code) {
    case SM_SEND_DISTRIBUTIONS:
        if (!body.Read(tree.hasParent))
            return false;
        OfferParents(session);
        return true;
    case SM_CAN_PARENT: {
        const bool could = tree.canParent;
        if (!body.Read(tree.canParent))
            return false;
        if (tree.canParent && !could)
            for (ClientSession* orphan : m_context.OnlineSessions())
                OfferParents(*orphan);
        return true;
    }
    case SM_DNET_LEVEL: return body.Read(tree.level);
    case SM_DNET_GROUP_LEADER: return body.Read(tree.groupLeader);
    case SM_DNET_CHILD_DEPTH: return body.Read(tree.childrenHaveChildren);
    }
    return false;
}

void TreeService::OnLogin(ClientSession& session)
{
    session.User().stats.averageSpeed = m_context.options.userUploadSpeed;
    session.Send(NewMessage(SM_SET_PARENT_MIN_SPEED, int32_t(m_context.options.parentMinSpeed)));
    session.Send(
        NewMessage(SM_SET_PARENT_SPEED_CONNECTION_RATIO, int32_t(m_context.options.parentSpeedConnectionRatio)));
}

void TreeService::OfferParents(ClientSession& session)
{
    if (session.User().tree.hasParent)
        return;
    std::vector<const ClientSession*> parents;
    for (const ClientSession* candidate : m_context.OnlineSessions()) {
        if (int(parents.size()) == MaxPossibleParents)
            break;
        if (IsPossibleParent(*candidate, session))
            parents.push_back(candidate);
    }
    if (parents.empty())
        return;
    MemStream offer = NewMessage(SM_POSSIBLE_PARENTS);
    offer.WriteCount(parents.size());
    for (const ClientSession* parent : parents) {
        offer.Write(parent->Name());
        offer.Write(uint32_t(parent->Ipv4Address()));
        offer.Write(int32_t(parent->User().ports.port));
    }
    session.Send(offer);
}

bool TreeService::IsPossibleParent(const ClientSession& candidate, const ClientSession& child) const
{
    const UserState& user = candidate.User();
    if (&candidate == &child || !user.tree.canParent || user.ports.port == 0)
        return false;
    // Never below the child itself. And a parent always logged in before its
    // child: clients whose roots know no level or group leader cannot tell
    // this server where they stand, and this order alone keeps the tree free
    // of cycles.
    if (user.tree.groupLeader == child.Name())
        return false;
    return candidate.Serial() < child.Serial();
}

} // namespace localserver
