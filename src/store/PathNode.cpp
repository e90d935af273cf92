#include "store/PathNode.h"

#include "store/Data.h"

PathNode::PathNode(Data* store, const char* typeName)
    : data(store)
    , type(data->GetType(typeName))
{
}

PathNode::PathNode(ItemPtr item)
    : data(item.GetType()->GetData())
    , type(item.GetType())
    , isItem(true)
    , value(item.AsStdString())
{
}

PathNode::PathNode(PathNode* parentNode, const char* typeName, PathNodeRelation stepRelation)
    : data(parentNode->data)
    , parent(parentNode)
    , relation(stepRelation)
    , type(parentNode->data->GetType(typeName))
{
    parent->children.emplace_back(this, relation);
}

PathNode::PathNode(PathNode* parentNode, ItemPtr item, PathNodeRelation stepRelation)
    : data(parentNode->data)
    , parent(parentNode)
    , relation(stepRelation)
    , type(item.GetType())
    , isItem(true)
    , value(item.AsStdString())
{
    parent->children.emplace_back(this, relation);
}

PathNode::~PathNode()
{
    for (const auto& child : children)
        delete child.first;
}

PathNode* PathNode::Root()
{
    PathNode* node = this;
    while (node->parent)
        node = node->parent;
    return node;
}

bool PathNode::Matches(const Item* item) const
{
    return item->GetType() == type && (!isItem || item->GetValue().Bytes() == value);
}
