#include "ui/ProgramVersion.h"

QString WindowTitleForVersion(qint64 version)
{
    return QString("QuillmerQt build %1/%2/%3").arg((version % 10000) / 100).arg(version % 100).arg(version / 10000);
}
