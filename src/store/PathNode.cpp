#include "store/PathNode.h"

#include "store/Data.h"

PathNode::PathNode(Data* data, const char* typeName) : data(data), type(data->GetType(typeName)) {}

PathNode::PathNode(ItemPtr item)
    : data(item.GetType()->GetData()), type(item.GetType()), isItem(true), value(item.AsStdString())
{
}

PathNode::PathNode(PathNode* parent, const char* typeName, PathNodeRelation relation)
    : data(parent->data), parent(parent), relation(relation), type(parent->data->GetType(typeName))
{
    parent->children.emplace_back(this, relation);
}

PathNode::PathNode(PathNode* parent, ItemPtr item, PathNodeRelation relation)
    : data(parent->data), parent(parent), relation(relation), type(item.GetType()), isItem(true),
      value(item.AsStdString())
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
