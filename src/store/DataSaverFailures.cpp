#include "store/DataSaverFailures.h"

DataLoadFailure::DataLoadFailure(std::string const& reason, QString keptCopyPath)
    : std::runtime_error(reason), keptCopyPath(std::move(keptCopyPath))
{
}

QString DataLoadFailure::KeptCopyPath() const
{
    return keptCopyPath;
}

DataSaveFailure::DataSaveFailure(std::string const& reason) : std::runtime_error(reason) {}
