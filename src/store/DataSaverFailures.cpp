#include "store/DataSaverFailures.h"

DataLoadFailure::DataLoadFailure(const std::string& reason, QString keptCopy)
    : std::runtime_error(reason)
    , keptCopyPath(std::move(keptCopy))
{
}

QString DataLoadFailure::KeptCopyPath() const
{
    return keptCopyPath;
}

DataSaveFailure::DataSaveFailure(const std::string& reason)
    : std::runtime_error(reason)
{
}
