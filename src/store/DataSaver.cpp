#include "store/DataSaver.h"

#include "store/ConfigFileFormat.h"
#include "store/ConfigFileStorage.h"
#include "store/Data.h"
#include "store/ItemMarks.h"

#include <QFile>
#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

DataSaver* dataSaver = nullptr;

namespace {
// The smallest record of each kind: a type with an empty name, its flag and item count; the id of a null
// item; an id with an empty value; a connection.
constexpr qint64 minTypeRecordBytes = 4 + 1 + 4;
constexpr qint64 nullItemRecordBytes = 4;
constexpr qint64 minItemRecordBytes = 4 + 4;
constexpr qint64 connectionRecordBytes = 4 + 4;

struct LoadedItem
{
    qint32 id;
    Type* type;
    std::string_view value; // within the file's bytes
};

// What a readable file holds for the types this program declares.
struct LoadedFile
{
    std::vector<LoadedItem> items;                                // in id order
    std::vector<std::pair<std::size_t, std::size_t>> connections; // as indexes into items, in order of the first
};

void ReadTypeRecords(ConfigFileDecoder& in, LoadedFile& file, const DataSaver::Reporter& report)
{
    qint32 typeCount = in.ReadCount(minTypeRecordBytes);
    for (qint32 t = 0; t < typeCount; ++t) {
        std::string_view name = in.ReadText();
        bool isNull = in.ReadFlag();
        Type* type = d.HasType(name);
        // A type declared differently since the file was written cannot take its items: it is skipped like a
        // type that is no longer declared.
        if (type && type->IsNull() != isNull) {
            report(QString("Skipping the items of type %1: the file does not declare it as the program does.")
                       .arg(QString::fromUtf8(name.data(), int(name.size()))));
            type = nullptr;
        }
        qint32 itemCount = in.ReadCount(isNull ? nullItemRecordBytes : minItemRecordBytes);
        for (qint32 n = 0; n < itemCount; ++n) {
            qint32 id = in.ReadInt32();
            std::string_view value = isNull ? std::string_view() : in.ReadText();
            if (id <= 0)
                throw DataLoadFailure("an item id is not positive");
            if (type)
                file.items.push_back({id, type, value});
        }
    }
    // The saver writes ids in ascending order.
    auto byId = [](const LoadedItem& a, const LoadedItem& b) { return a.id < b.id; };
    if (!std::is_sorted(file.items.begin(), file.items.end(), byId))
        std::stable_sort(file.items.begin(), file.items.end(), byId);
    auto repeated = std::adjacent_find(file.items.begin(), file.items.end(),
                                       [](const LoadedItem& a, const LoadedItem& b) { return a.id == b.id; });
    if (repeated != file.items.end())
        throw DataLoadFailure("two items share one id");
}

// Finds a loaded item by its id: through a table when the ids are no larger than a file of that size can
// number (as the saver writes them: 1, 2, 3, ...), else by binary search.
class IdLookup
{
public:
    IdLookup(const std::vector<LoadedItem>& loaded, qint64 fileSize)
        : items(loaded)
    {
        if (items.empty() || items.back().id > fileSize / nullItemRecordBytes)
            return;
        table.assign(std::size_t(items.back().id) + 1, -1);
        for (std::size_t index = 0; index < items.size(); ++index)
            table[std::size_t(items[index].id)] = std::int32_t(index);
    }

    // The index of the item with that id, or -1 when the file holds none for a declared type.
    std::ptrdiff_t IndexOf(qint32 id) const
    {
        if (!table.empty())
            return id > 0 && std::size_t(id) < table.size() ? table[std::size_t(id)] : -1;
        auto found = std::lower_bound(items.begin(), items.end(), id,
                                      [](const LoadedItem& item, qint32 wanted) { return item.id < wanted; });
        return found != items.end() && found->id == id ? found - items.begin() : -1;
    }

private:
    const std::vector<LoadedItem>& items;
    std::vector<std::int32_t> table;
};

void ReadConnectionRecords(ConfigFileDecoder& in, LoadedFile& file, qint64 fileSize)
{
    const IdLookup ids(file.items, fileSize);
    qint32 connectionCount = in.ReadCount(connectionRecordBytes);
    for (qint32 n = 0; n < connectionCount; ++n) {
        qint32 first = in.ReadInt32();
        qint32 second = in.ReadInt32();
        std::ptrdiff_t a = ids.IndexOf(first);
        std::ptrdiff_t b = ids.IndexOf(second);
        // Connections to items of types no longer declared go with those items.
        if (a >= 0 && b >= 0 && a != b)
            file.connections.emplace_back(a, b);
    }
    auto byFirst = [](const auto& x, const auto& y) { return x.first < y.first; };
    if (!std::is_sorted(file.connections.begin(), file.connections.end(), byFirst))
        std::stable_sort(file.connections.begin(), file.connections.end(), byFirst);
}

LoadedFile Parse(const QByteArray& bytes, const DataSaver::Reporter& report)
{
    ConfigFileDecoder in(bytes.constData(), bytes.size());
    LoadedFile file;
    ReadTypeRecords(in, file, report);
    ReadConnectionRecords(in, file, bytes.size());
    return file;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DataLoadFailure(QString("cannot open %1: %2").arg(path, file.errorString()).toStdString());
    // One read for the whole file: loading a large share index must not cost a system call per field.
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DataLoadFailure(QString("cannot read %1: %2").arg(path, file.errorString()).toStdString());
    return bytes;
}

// Merges into the store: a value item that exists already is reused, so loaded data joins the defaults
// written before loading, and a loaded value replaces a default at an end that allows one partner.
void MergeIntoStore(const LoadedFile& file)
{
    // Handlers told of these changes may remove loaded items; those are not touched again.
    LiveItems created(&d);
    created.Reserve(file.items.size());
    for (const LoadedItem& item : file.items) {
        Type* type = item.type;
        created.Add((type->IsNull() ? type->NewItem() : type->NewItem(Value(std::string(item.value)))).Get());
    }
    for (const auto& [a, b] : file.connections) {
        Item* first = created[a];
        Item* second = created[b];
        // Two records may name one item (a repeated value); types related no longer are not connected.
        if (first && second && first != second && first->GetType()->IsRelated(second->GetType())) {
            first->Connect(second);
            created.Settle();
        }
    }
}
} // namespace

DataSaver::DataSaver()
{
    dataSaver = this;
}

DataSaver::~DataSaver()
{
    if (dataSaver == this)
        dataSaver = nullptr;
}

void DataSaver::AddSavedType(std::string typeName)
{
    savedTypes.insert(d.GetType(typeName));
}

void DataSaver::AddSavedByConnectionType(std::string typeName, std::string connectedTypeName)
{
    savedByConnectionTypes[d.GetType(typeName)].insert(d.GetType(connectedTypeName));
}

bool DataSaver::IsSaved(Type* type) const
{
    return savedTypes.count(type) || savedByConnectionTypes.count(type);
}

namespace {
bool Holds(const std::vector<Type*>& typesByAddress, Type* type)
{
    return std::binary_search(typesByAddress.begin(), typesByAddress.end(), type, std::less<Type*>());
}

// A walk over many items waits on memory: the items, their connection arrays, their partners and their texts
// lie apart. Asking for each of them some items ahead lets those waits overlap.
void PrefetchAhead(const std::vector<Item*>& items, std::size_t n, const std::vector<Type*>& partnerTypes)
{
    if (n + 32 < items.size())
        __builtin_prefetch(items[n + 32]);
    if (n + 16 < items.size() && !items[n + 16]->Connections().Empty())
        __builtin_prefetch(items[n + 16]->Connections().begin());
    if (n + 8 < items.size()) {
        const Item* item = items[n + 8];
        __builtin_prefetch(item->GetValue().Bytes().data());
        for (const TypeItemsMap::Entry& entry : item->Connections())
            if (entry.Set().IsSingle() && Holds(partnerTypes, entry.GetType()))
                __builtin_prefetch(entry.Set().First().Get());
    }
}
} // namespace

QByteArray DataSaver::Encode(bool everyType)
{
    std::map<std::string, Type*> types;
    d.GetTypes(types);
    std::vector<Type*> written;
    for (const auto& [name, type] : types)
        if (everyType || IsSaved(type))
            written.push_back(type);

    // One walk over the saved items writes their records and finds their connections. An item's id is its
    // mark while the file is built, so no table from item to id is needed: each connection is found at the
    // later of its two items, when the partner's mark is its id already. Partners of a type whose records are
    // still to come are not even looked at (such as a file's name and size, or the word index): their marks
    // are all zero.
    std::vector<Type*> reached; // by address
    ItemMarks ids;
    qint32 lastId = 0;
    std::vector<std::pair<qint32, qint32>> connections;
    connections.reserve(lastConnectionCount);
    std::vector<Type*> keepers;
    ConfigFileEncoder out(lastFileBytes);
    out.WriteInt32(static_cast<qint64>(written.size()));
    for (Type* type : written) {
        out.WriteString(type->GetName());
        out.WriteFlag(type->IsNull());
        const std::size_t countPlace = out.ReserveInt32();
        reached.insert(std::lower_bound(reached.begin(), reached.end(), type, std::less<Type*>()), type);
        keepers.clear();
        auto byConnection = savedByConnectionTypes.find(type);
        if (!everyType && !savedTypes.count(type) && byConnection != savedByConnectionTypes.end())
            keepers.assign(byConnection->second.begin(), byConnection->second.end());
        const qint32 firstId = lastId + 1;
        const std::vector<Item*> items = type->GetItems().ToVector();
        const std::size_t itemCount = items.size();
        for (std::size_t n = 0; n < itemCount; ++n) {
            Item* item = items[n];
            PrefetchAhead(items, n, reached);
            if (!keepers.empty() && std::none_of(keepers.begin(), keepers.end(), [item](Type* keeper) {
                    return item->IsConnected(keeper);
                }))
                continue;
            if (lastId == std::numeric_limits<qint32>::max())
                throw DataSaveFailure("too many items to number");
            const qint32 id = ++lastId;
            out.WriteInt32(id);
            if (!type->IsNull())
                out.WriteString(item->GetValue().Bytes());
            for (const TypeItemsMap::Entry& entry : item->Connections()) {
                if (!Holds(reached, entry.GetType()))
                    continue;
                for (ItemSet::Iterator partner = entry.Set().Begin(); partner != entry.Set().End(); ++partner)
                    if (const std::uint32_t partnerId = ItemMarks::Get(partner.Item()))
                        connections.emplace_back(qint32(partnerId), id);
            }
            ids.Set(item, std::uint32_t(id));
        }
        out.PatchInt32(countPlace, lastId - firstId + 1);
    }

    // The connections were found in ascending order of their second id; they are written in order of their
    // first, keeping that order among connections with the same first id: a counting sort, straight into the
    // file's bytes.
    out.WriteInt32(static_cast<qint64>(connections.size()));
    std::vector<std::uint32_t> next(std::size_t(lastId) + 2, 0);
    for (const auto& pair : connections)
        ++next[std::size_t(pair.first) + 1];
    for (std::size_t id = 1; id < next.size(); ++id)
        next[id] += next[id - 1];
    const std::size_t records = out.Extend(connections.size() * connectionRecordBytes);
    for (const auto& [first, second] : connections) {
        const std::size_t place = records + next[std::size_t(first)]++ * connectionRecordBytes;
        out.PatchInt32(place, first);
        out.PatchInt32(place + 4, second);
    }
    lastConnectionCount = connections.size();
    QByteArray bytes = out.Take();
    lastFileBytes = std::size_t(bytes.size());
    return bytes;
}

bool DataSaver::Save(QString path, QString* failureReason)
{
    try {
        ConfigFileStorage::Replace(path, Encode(false));
        return true;
    } catch (const DataSaveFailure& failure) {
        // The previous file is still complete at path; the next save tries again.
        Report(QString("Failure to save configuration data: %1").arg(failure.what()));
        if (failureReason)
            *failureReason = QString::fromStdString(failure.what());
        return false;
    }
}

bool DataSaver::SaveAll(QString path)
{
    try {
        ConfigFileStorage::Replace(path, Encode(true));
        return true;
    } catch (const DataSaveFailure&) {
        return false;
    }
}

void DataSaver::Load(QString path)
{
    if (!QFile::exists(path)) {
        EmitDataLoaded();
        EmitNoData();
        return;
    }
    // The loaded values point into the bytes until they are merged.
    QByteArray bytes;
    LoadedFile file;
    try {
        bytes = ReadFile(path);
        file = Parse(bytes, reporter);
    } catch (const DataLoadFailure& failure) {
        // Keep the user's data: the emptied store will be saved over path later.
        QString kept = ConfigFileStorage::KeepDamaged(path);
        // Logged before the store is emptied, while the diagnostics settings are still there.
        Report(QString("Failure to load configuration data: %1").arg(failure.what()));
        Report(kept.isEmpty() ? QString("The unreadable file %1 could not be kept aside.").arg(path)
                              : QString("The unreadable file was kept as %1").arg(kept));
        d.RemoveAllItems();
        throw DataLoadFailure(failure.what(), kept);
    }
    MergeIntoStore(file);
    EmitDataLoaded();
}

void DataSaver::SetReporter(Reporter report)
{
    reporter = report ? std::move(report) : [](const QString&) {};
}

void DataSaver::Report(const QString& text) const
{
    reporter(text);
}

void DataSaver::AddDataLoadedEventHandler(DataLoadedEventHandler* handler)
{
    dataLoadedHandlers.insert(handler);
}

void DataSaver::RemoveDataLoadedEventHandler(DataLoadedEventHandler* handler)
{
    dataLoadedHandlers.erase(handler);
}

void DataSaver::EmitDataLoaded()
{
    Emit(&DataLoadedEventHandler::DataLoaded);
}

void DataSaver::EmitNoData()
{
    Emit(&DataLoadedEventHandler::NoData);
}

void DataSaver::Emit(void (DataLoadedEventHandler::*call)())
{
    // A handler may unregister others (or itself) while they are told.
    for (DataLoadedEventHandler* handler : std::set<DataLoadedEventHandler*>(dataLoadedHandlers))
        if (dataLoadedHandlers.count(handler))
            (handler->*call)();
}
