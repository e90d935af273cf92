#ifndef STORE_EVENTS_H
#define STORE_EVENTS_H

#include <QVarLengthArray>

#include <set>
#include <vector>

class Item;

// Base of every handler. A removed handler is never called again; the next
// notification that meets it frees it.
class EventHandlerRoot
{
public:
    virtual ~EventHandlerRoot() = default;
    bool removed = false;
};

template <typename T>
class EventHandlerBase : public EventHandlerRoot
{
public:
    virtual void Handle(T arg) = 0;
};

// Calls a member function of its owner. The owner derives from DataHandler
// so that its destruction flags this handler as removed.
template <typename Owner, typename T>
class EventHandler : public EventHandlerBase<T>
{
public:
    using Method = void (Owner::*)(T);
    EventHandler(Owner* handlerOwner, Method handlerMethod)
        : owner(handlerOwner)
        , method(handlerMethod)
    {
    }
    void Handle(T arg) override { (owner->*method)(arg); }

private:
    Owner* owner;
    Method method;
};

// The two items of a connection change.
struct ConnectionInfo
{
    Item* from;
    Item* to;
};

// A set of handlers, called in address order. Each notification walks a
// snapshot: handlers added meanwhile wait for the next one, handlers flagged
// meanwhile are skipped. The event owns its handlers; flagged ones are freed
// only when no notification of this event is running, since an outer
// notification may still hold them in its snapshot.
template <typename T>
class Event
{
public:
    using Handler = EventHandlerBase<T>;

    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event()
    {
        for (Handler* handler : handlers)
            delete handler;
        for (Handler* handler : doomed)
            delete handler;
    }

    void Add(Handler* handler) { handlers.insert(handler); }
    bool Empty() const { return handlers.empty(); }

    void Notify(T& arg)
    {
        if (handlers.empty())
            return;
        const QVarLengthArray<Handler*, 16> snapshot(handlers.begin(), handlers.end());
        ++depth;
        for (Handler* handler : snapshot) {
            if (!handler->removed)
                handler->Handle(arg);
            else if (handlers.erase(handler))
                doomed.push_back(handler);
        }
        if (--depth == 0) {
            for (Handler* handler : doomed)
                delete handler;
            doomed.clear();
        }
    }

    // Hands every handler over to the caller (the event is being dropped).
    void Release(std::vector<EventHandlerRoot*>& out)
    {
        out.insert(out.end(), handlers.begin(), handlers.end());
        handlers.clear();
    }

private:
    std::set<Handler*> handlers;
    std::vector<Handler*> doomed;
    int depth = 0;
};

// Mixin for every object that registers handlers: its destruction flags
// them all as removed, so the store never calls into a dead object.
class DataHandler
{
public:
    DataHandler() = default;
    DataHandler(const DataHandler&) = delete;
    DataHandler& operator=(const DataHandler&) = delete;
    virtual ~DataHandler() { RemoveDataHandlers(); }

    // Remembers a handler this object registers; returns it for chaining:
    // d.AddConnectionEventHandler(a, b, AddDataHandler(new EventHandler<...>(this, &X::On)));
    template <typename Handler>
    Handler* AddDataHandler(Handler* handler)
    {
        handlers.insert(handler);
        return handler;
    }

    // Flags every remembered handler as removed and forgets them (the store
    // frees them later).
    void RemoveDataHandlers()
    {
        for (EventHandlerRoot* handler : handlers)
            handler->removed = true;
        handlers.clear();
    }

private:
    std::set<EventHandlerRoot*> handlers;
};

// Told by the configuration store after loading whether there was data.
class DataLoadedEventHandler
{
public:
    virtual ~DataLoadedEventHandler() = default;
    virtual void DataLoaded() { }
    virtual void NoData() { }
};

#endif
