#ifndef STORE_DATASAVER_H
#define STORE_DATASAVER_H

#include "store/DataSaverFailures.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

class DataLoadedEventHandler;
class Item;
class Type;

// Saves the lasting part of the item graph to the configuration file and loads it back at start.
// Managers choose what lasts: a type is saved plainly (all its items) or by connection (only the items
// connected to an item of one of the listed types).
class DataSaver
{
public:
    // Where the saver reports what went wrong with the file (the application points it at the diagnostics log).
    using Reporter = std::function<void(const QString& text)>;

    DataSaver();
    ~DataSaver();
    DataSaver(const DataSaver&) = delete;
    DataSaver& operator=(const DataSaver&) = delete;

    void AddSavedType(std::string typeName);
    void AddSavedByConnectionType(std::string typeName, std::string connectedTypeName);

    // Replaces the file at path with the saved types; on failure the old file stays as it was, the failure is
    // reported, the reason given through failureReason, and false returned.
    bool Save(QString path, QString* failureReason = nullptr);
    // Writes every type of the store to path; false when it could not be written.
    bool SaveAll(QString path);
    // Merges the file into the store and tells the data-loaded handlers. A missing file is a first start.
    // Throws DataLoadFailure when the file cannot be read: the store is then emptied and the file kept aside.
    void Load(QString path);

    void SetReporter(Reporter report);

    void AddDataLoadedEventHandler(DataLoadedEventHandler* handler);
    void RemoveDataLoadedEventHandler(DataLoadedEventHandler* handler);
    void EmitDataLoaded();
    void EmitNoData();

private:
    bool IsSaved(Type* type) const;
    QByteArray Encode(bool everyType);
    void Emit(void (DataLoadedEventHandler::*call)());
    void Report(const QString& text) const;

    std::set<Type*> savedTypes;
    std::map<Type*, std::set<Type*>> savedByConnectionTypes;
    std::set<DataLoadedEventHandler*> dataLoadedHandlers;
    Reporter reporter = [](const QString&) {};
    // The sizes of the last file written, to take room for the next at once.
    std::size_t lastFileBytes = 0;
    std::size_t lastConnectionCount = 0;
};

extern DataSaver* dataSaver;

#endif
