#include "app/ProgramVersion.h"

QString VersionDateText(qint64 version)
{
    return QString("%1/%2/%3").arg((version % 10000) / 100).arg(version % 100).arg(version / 10000);
}

QString WindowTitleForVersion(qint64 version)
{
    return "QuillmerQt build " + VersionDateText(version);
}
