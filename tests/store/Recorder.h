#ifndef TESTS_STORE_RECORDER_H
#define TESTS_STORE_RECORDER_H

#include "store/Data.h"

#include <QString>
#include <QStringList>

// Writes every store event it is registered for into one shared log, as
// "<what> <from value> <to value>".
class Recorder : public DataHandler
{
public:
    explicit Recorder(QStringList* lines, QString recorderName = QString())
        : log(lines)
        , name(std::move(recorderName))
    {
    }

    void ListenToStore(Data& data)
    {
        data.itemCreated.Add(AddDataHandler(new EventHandler<Recorder, ItemPtr>(this, &Recorder::OnCreated)));
        data.itemRemoved.Add(AddDataHandler(new EventHandler<Recorder, ItemPtr>(this, &Recorder::OnRemoved)));
        data.itemConnected.Add(
            AddDataHandler(new EventHandler<Recorder, ConnectionInfo>(this, &Recorder::OnConnected)));
        data.itemDisconnected.Add(
            AddDataHandler(new EventHandler<Recorder, ConnectionInfo>(this, &Recorder::OnDisconnected)));
    }

    void ListenToType(Type* type)
    {
        type->itemConnected.Add(
            AddDataHandler(new EventHandler<Recorder, ConnectionInfo>(this, &Recorder::OnTypeConnected)));
        type->itemDisconnected.Add(
            AddDataHandler(new EventHandler<Recorder, ConnectionInfo>(this, &Recorder::OnTypeDisconnected)));
    }

    void ListenToPair(Data& data, Type* a, Type* b)
    {
        data.AddConnectionEventHandler(
            a, b, AddDataHandler(new EventHandler<Recorder, ConnectionInfo&>(this, &Recorder::OnPairConnected)));
        data.AddDisconnectionEventHandler(
            a, b, AddDataHandler(new EventHandler<Recorder, ConnectionInfo&>(this, &Recorder::OnPairDisconnected)));
    }

    void ListenToPath(Data& data, PathNode* node)
    {
        data.AddPathEventHandler(node, AddDataHandler(new EventHandler<Recorder, ItemPtr>(this, &Recorder::OnPath)));
    }

    void OnCreated(ItemPtr item) { Write("created", item); }
    // Removal is told while the item is still connected.
    void OnRemoved(ItemPtr item) { Write("removed", item, item.IsDisconnectedFromAll() ? "alone" : "connected"); }
    void OnConnected(ConnectionInfo info) { Write("connected", info.from, ItemPtr(info.to).AsString()); }
    void OnDisconnected(ConnectionInfo info) { Write("disconnected", info.from, ItemPtr(info.to).AsString()); }
    void OnTypeConnected(ConnectionInfo info) { Write("type connected", info.from, ItemPtr(info.to).AsString()); }
    void OnTypeDisconnected(ConnectionInfo info) { Write("type disconnected", info.from, ItemPtr(info.to).AsString()); }
    void OnPairConnected(ConnectionInfo& info) { Write("pair connected", info.from, ItemPtr(info.to).AsString()); }
    void OnPairDisconnected(ConnectionInfo& info)
    {
        Write("pair disconnected", info.from, ItemPtr(info.to).AsString());
    }
    void OnPath(ItemPtr root) { Write("path", root); }

private:
    void Write(const char* what, ItemPtr item, const QString& detail = QString())
    {
        QString line = name.isEmpty() ? QString(what) : name + ' ' + what;
        line += ' ' + item.AsString();
        if (!detail.isEmpty())
            line += ' ' + detail;
        log->append(line);
    }

    QStringList* log;
    QString name;
};

#endif
