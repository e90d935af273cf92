#ifndef STORE_PATHNODE_H
#define STORE_PATHNODE_H

#include "store/ItemPtr.h"

#include <string>
#include <utility>
#include <vector>

class Data;
class Type;

// How a path step relates a node to its parent, and which change of the
// step's edges fires the handler.
enum PathNodeRelation
{
    // Connected to an item matching the child's sub-pattern.
    PathOnConnect = 0,          // fires on a connection of this step
    PathIfConnected = 1,        // condition only
    PathOnConnectExclusive = 2, // fires only on this step's own connections
                                // Not connected, or some connected item fails the child's sub-pattern.
    PathOnDisconnect = 3,       // fires on a disconnection of this step
    PathIfNotConnected = 4,     // condition only
                                // Connected as PathOnConnectExclusive, fires on this step's own disconnections.
    PathOnDisconnectExclusive = 5,
};

// One step of a path pattern: a root or a child standing for any item of a
// type, or for one fixed item. A node owns its children; the store owns the
// whole tree once a handler is registered on it (register each tree once).
class PathNode
{
public:
    using Children = std::vector<std::pair<PathNode*, PathNodeRelation>>;

    // Roots: any item of the type / that one item.
    PathNode(Data* data, const char* typeName);
    explicit PathNode(ItemPtr item);
    // Children: steps to items of the type / to that one item.
    PathNode(PathNode* parent, const char* typeName, PathNodeRelation relation);
    PathNode(PathNode* parent, ItemPtr item, PathNodeRelation relation);
    ~PathNode();
    PathNode(const PathNode&) = delete;
    PathNode& operator=(const PathNode&) = delete;

    PathNode* Root();
    // Whether the item is of this node's type and, for a fixed item, has its value.
    bool Matches(const Item* item) const;

    Data* data;
    PathNode* parent = nullptr;
    PathNodeRelation relation = PathOnConnect;
    Type* type;
    bool isItem = false;
    std::string value;
    Children children;
};

#endif
