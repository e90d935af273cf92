#include "store/Data.h"

namespace {

bool TriggersOnConnection(PathNodeRelation relation)
{
    return relation == PathOnConnect || relation == PathOnConnectExclusive;
}

bool TriggersOnDisconnection(PathNodeRelation relation)
{
    return relation == PathOnDisconnect || relation == PathOnDisconnectExclusive;
}

bool IsExclusive(PathNodeRelation relation)
{
    return relation == PathOnConnectExclusive || relation == PathOnDisconnectExclusive;
}

bool IsNegated(PathNodeRelation relation)
{
    return relation == PathOnDisconnect || relation == PathIfNotConnected;
}

} // namespace

void Data::GetPathNodePairs(PathNode* node, PathNodePairs& pairs)
{
    for (const auto& child : node->children) {
        pairs[TypePair(node->type, child.first->type)].push_back(PathStep{node, child.first});
        GetPathNodePairs(child.first, pairs);
    }
}

void Data::AddPathTrigger(std::set<TypePair>& registered, std::map<TypePair, Event<ConnectionInfo&>>& table,
                          TypePair pair, void (Data::*method)(ConnectionInfo&))
{
    if (!registered.insert(pair).second)
        return;
    auto* trigger = new EventHandler<Data, ConnectionInfo&>(this, method);
    pathTriggers.insert(trigger);
    table[pair].Add(trigger);
}

void Data::AddPathEventHandler(PathNode* node, EventHandlerBase<ItemPtr>* handler)
{
    auto* info = new PathNodeHandlerInfo{handler, node->Root(), {}};
    GetPathNodePairs(info->root, info->pairs);
    for (const auto& pair : info->pairs) {
        bool triggers = false;
        for (const PathStep& step : pair.second) {
            if (TriggersOnConnection(step.child->relation)) {
                AddPathTrigger(pathConnectionPairs, connectionHandlers, pair.first, &Data::OnPathNodeEventConnection);
                triggers = true;
            } else if (TriggersOnDisconnection(step.child->relation)) {
                AddPathTrigger(pathDisconnectionPairs, disconnectionHandlers, pair.first,
                               &Data::OnPathNodeEventDisconnection);
                triggers = true;
            }
        }
        if (triggers)
            pathHandlers[pair.first].insert(info);
    }
}

void Data::UnregisterPathHandler(PathNodeHandlerInfo* info)
{
    for (const auto& pair : info->pairs) {
        auto it = pathHandlers.find(pair.first);
        if (it != pathHandlers.end())
            it->second.erase(info);
    }
}

void Data::RemovePathEventHandler(PathNodeHandlerInfo* info)
{
    UnregisterPathHandler(info);
    // A running path notification may still hold it in its snapshot.
    if (pathNotifyDepth > 0)
        doomedPathHandlers.push_back(info);
    else
        DeletePathHandlerInfo(info);
}

void Data::DeletePathHandlerInfo(PathNodeHandlerInfo* info)
{
    delete info->handler;
    delete info->root;
    delete info;
}

void Data::DropPathHandler(PathNodeHandlerInfo* info, std::vector<EventHandlerRoot*>& handlers)
{
    UnregisterPathHandler(info);
    handlers.push_back(info->handler);
    delete info->root;
    delete info;
}

void Data::OnPathNodeEventConnection(ConnectionInfo& info)
{
    FirePathHandlers(info, true);
}

void Data::OnPathNodeEventDisconnection(ConnectionInfo& info)
{
    FirePathHandlers(info, false);
}

void Data::FirePathHandlers(ConnectionInfo& info, bool connection)
{
    const TypePair pair(info.from->GetType(), info.to->GetType());
    const auto registered = pathHandlers.find(pair);
    if (registered == pathHandlers.end() || registered->second.empty())
        return;
    const std::vector<PathNodeHandlerInfo*> snapshot(registered->second.begin(), registered->second.end());
    ++pathNotifyDepth;
    for (PathNodeHandlerInfo* handlerInfo : snapshot) {
        // Skip what an earlier handler of this notification unregistered.
        if (!registered->second.count(handlerInfo))
            continue;
        if (handlerInfo->handler->removed) {
            RemovePathEventHandler(handlerInfo);
            continue;
        }
        for (const PathStep& step : handlerInfo->pairs.at(pair)) {
            const PathNodeRelation relation = step.child->relation;
            if (connection ? !TriggersOnConnection(relation) : !TriggersOnDisconnection(relation))
                continue;
            Item* root = nullptr;
            if (!VerifyPathNodeParentNodeConnections(info.from, step.parent, step.child, root))
                continue;
            if (!VerifyPathNodeSubNodeConnections(info.to, step.child, nullptr))
                continue;
            // A negated step above leaves no item for the root: nothing to report.
            if (!root)
                continue;
            ItemPtr matched(root);
            handlerInfo->handler->Handle(matched);
            break;
        }
    }
    if (--pathNotifyDepth == 0) {
        for (PathNodeHandlerInfo* doomed : doomedPathHandlers)
            DeletePathHandlerInfo(doomed);
        doomedPathHandlers.clear();
    }
}

bool Data::VerifyChildStep(Item* item, PathNode* child, PathNodeRelation relation)
{
    if (IsExclusive(relation))
        return false;
    const ItemSet* connected = item->ConnectedSet(child->type);
    if (!connected)
        return IsNegated(relation);
    for (ItemSet::Iterator it = connected->Begin(); it != connected->End(); ++it) {
        const bool holds = VerifyPathNodeSubNodeConnections(it.Item(), child, nullptr);
        if (holds != IsNegated(relation))
            return true;
    }
    return false;
}

bool Data::VerifyPathNodeSubNodeConnections(Item* item, PathNode* node, PathNode* except)
{
    if (!node->Matches(item))
        return false;
    for (const auto& child : node->children)
        if (child.first != except && !VerifyChildStep(item, child.first, child.second))
            return false;
    return true;
}

bool Data::VerifyPathNodeParentNodeConnections(Item* item, PathNode* node, PathNode* except, Item*& root)
{
    if (!VerifyPathNodeSubNodeConnections(item, node, except))
        return false;
    if (!node->parent) {
        root = item;
        return true;
    }
    if (IsExclusive(node->relation))
        return false;
    const ItemSet* connected = item->ConnectedSet(node->parent->type);
    if (!connected)
        return IsNegated(node->relation);
    for (ItemSet::Iterator it = connected->Begin(); it != connected->End(); ++it) {
        Item* candidateRoot = nullptr;
        const bool holds = VerifyPathNodeParentNodeConnections(it.Item(), node->parent, node, candidateRoot);
        if (holds != IsNegated(node->relation)) {
            root = holds ? candidateRoot : nullptr;
            return true;
        }
    }
    return false;
}
