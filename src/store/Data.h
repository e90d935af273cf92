#ifndef STORE_DATA_H
#define STORE_DATA_H

#include "store/Events.h"
#include "store/Exceptions.h"
#include "store/Item.h"
#include "store/ItemPtr.h"
#include "store/ItemSet.h"
#include "store/LiveItems.h"
#include "store/PathNode.h"
#include "store/Type.h"
#include "store/Value.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

// The item graph: named types, their items and connections, change
// notification and the collection of unreachable items. One instance, `d`,
// is used from the main thread only.
class Data
{
public:
    using TypePair = std::pair<Type*, Type*>;

    // One step of a registered path: the parent and the child node.
    struct PathStep
    {
        PathNode* parent;
        PathNode* child;
    };
    using PathNodePairs = std::map<TypePair, std::vector<PathStep>>;

    // A registered path handler with the steps of its path by type pair.
    struct PathNodeHandlerInfo
    {
        EventHandlerBase<ItemPtr>* handler;
        PathNode* root;
        PathNodePairs pairs;
    };

    Data();
    ~Data();
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    // Events of all types together.
    Event<ItemPtr> itemCreated;
    Event<ItemPtr> itemRemoved;
    Event<ConnectionInfo> itemConnected;
    Event<ConnectionInfo> itemDisconnected;

    // Throws TypeAlreadyExistsException when the name exists.
    Type* NewType(const std::string& name, Primacy primacy, bool isNull, bool autoCreate);
    // Throws TypeNotFoundException.
    Type* GetType(std::string_view name) const;
    Type* HasType(std::string_view name) const;
    void GetTypes(std::map<std::string, Type*>& types) const;

    // The union of the connected items of the type over `from`.
    ItemSet GetItems(const ItemSet& from, const char* typeName) const;
    // The items of the type connected to every member of `from`.
    ItemSet GetItemSubset(const ItemSet& from, const char* typeName) const;
    ItemSet GetItems(ItemPtr a, ItemPtr b, const char* typeName) const;
    // The first item of the corresponding subset, or null.
    ItemPtr GetItem(const ItemSet& from, const char* typeName) const;
    ItemPtr GetItem(ItemPtr a, ItemPtr b, const char* typeName) const;

    // Handlers called after the type and store events of a connection change
    // between items of the ordered pair (a, b). The store owns the handlers.
    void AddConnectionEventHandler(Type* a, Type* b, EventHandlerBase<ConnectionInfo&>* handler);
    void AddDisconnectionEventHandler(Type* a, Type* b, EventHandlerBase<ConnectionInfo&>* handler);
    void NotifyConnectionEventHandlers(Item* a, Item* b);
    void NotifyDisconnectionEventHandlers(Item* a, Item* b);

    // Registers a handler for the path the node belongs to (its whole tree);
    // it is called with the item matching the root when a change of a
    // triggering step makes the path match. The store takes the tree.
    void AddPathEventHandler(PathNode* node, EventHandlerBase<ItemPtr>* handler);
    void RemovePathEventHandler(PathNodeHandlerInfo* info);
    void OnPathNodeEventConnection(ConnectionInfo& info);
    void OnPathNodeEventDisconnection(ConnectionInfo& info);
    bool VerifyPathNodeSubNodeConnections(Item* item, PathNode* node, PathNode* except);
    bool VerifyPathNodeParentNodeConnections(Item* item, PathNode* node, PathNode* except, Item*& root);
    void GetPathNodePairs(PathNode* root, PathNodePairs& pairs);

    // Mark and sweep: removes items missing an owner, then every item that no
    // primary item reaches (see Primacy).
    void RemoveDisconnectedItems();
    void MarkItemConnections(Item* item);
    void GetTypeOwningTypes(Type* type, std::set<Type*>& owningTypes) const;

    // Keeps a set of items up to date while handlers may remove any item:
    // removed items are taken out of it.
    class RemovalWatch
    {
    public:
        RemovalWatch(Data* data, std::unordered_set<Item*>* items);
        ~RemovalWatch();
        RemovalWatch(const RemovalWatch&) = delete;
        RemovalWatch& operator=(const RemovalWatch&) = delete;

    private:
        Data* data;
        std::unordered_set<Item*>* items;
    };

    // Visits each of the (distinct) items in turn, skipping those that
    // handlers removed meanwhile.
    void ForEachPresent(const std::vector<Item*>& items, const std::function<void(Item*)>& visit);
    void RemoveItems(const std::vector<Item*>& items);
    // Type::RemoveAllItems on every type, with notifications.
    void RemoveAllItems();
    // Replaces every item object by a new one with the same type, value and
    // connections, without notifications. Handles held elsewhere dangle:
    // for diagnostics only.
    void Renew();
    // Empties the store completely: every type with its items, every event,
    // connection and path handler, without notifications. Meant for tests,
    // which need a clean `d`. Handlers still in use by a live DataHandler are
    // kept aside until that handler flags them, so destroying such an object
    // later stays safe.
    void Clear();

private:
    friend class Item;
    friend class LiveItems;
    friend class Type;

    void AddPathTrigger(std::set<TypePair>& registered, std::map<TypePair, Event<ConnectionInfo&>>& table,
                        TypePair pair, void (Data::*method)(ConnectionInfo&));
    void FirePathHandlers(ConnectionInfo& info, bool connection);
    void DeletePathHandlerInfo(PathNodeHandlerInfo* info);
    bool VerifyChildStep(Item* item, PathNode* child, PathNodeRelation relation);
    void DropHandlers(std::vector<EventHandlerRoot*>& handlers);
    void DropPathHandler(PathNodeHandlerInfo* info, std::vector<EventHandlerRoot*>& handlers);
    void UnregisterPathHandler(PathNodeHandlerInfo* info);
    static void ReleaseTypeEvents(Type* type, std::vector<EventHandlerRoot*>& handlers);
    void DropType(Type* type);
    void ItemRemoved(Item* item);

    std::map<std::string, Type*, std::less<>> types;
    std::map<TypePair, Event<ConnectionInfo&>> connectionHandlers;
    std::map<TypePair, Event<ConnectionInfo&>> disconnectionHandlers;
    std::set<TypePair> pathConnectionPairs;
    std::set<TypePair> pathDisconnectionPairs;
    std::map<TypePair, std::set<PathNodeHandlerInfo*>> pathHandlers;
    // Path handler infos unregistered while a path notification runs; freed
    // when the outermost one ends.
    std::vector<PathNodeHandlerInfo*> doomedPathHandlers;
    int pathNotifyDepth = 0;
    // Handlers of dropped events that a live DataHandler may still flag.
    std::vector<EventHandlerRoot*> detachedHandlers;

    // Sets of pending items that removals must be taken out of.
    std::vector<std::unordered_set<Item*>*> removalWatches;
    // Lists that learn of every removal.
    std::vector<LiveItems*> removalLogs;
    // The store's own handlers that drive path handlers.
    std::set<EventHandlerRoot*> pathTriggers;
    // The collection's working set: items not yet found alive.
    std::unordered_set<Item*> unmarked;
};

extern Data d;

// All items of the type.
ItemSet g(const char* typeName);
// The set holding the item of that type and value, or an empty set; never creates.
ItemSet i(const char* typeName, const Value& value);

#endif
