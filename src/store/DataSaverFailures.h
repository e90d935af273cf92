#ifndef STORE_DATASAVERFAILURES_H
#define STORE_DATASAVERFAILURES_H

#include <QString>
#include <stdexcept>
#include <string>

// The configuration file could not be read. The store has been emptied; the unreadable file was moved aside
// to KeptCopyPath() (empty when it could not be moved) so that the next save does not destroy it.
class DataLoadFailure : public std::runtime_error
{
public:
    explicit DataLoadFailure(const std::string& reason, QString keptCopyPath = QString());
    QString KeptCopyPath() const;

private:
    QString keptCopyPath;
};

// The configuration file could not be written; the previous file is left as it was.
class DataSaveFailure : public std::runtime_error
{
public:
    explicit DataSaveFailure(const std::string& reason);
};

#endif
