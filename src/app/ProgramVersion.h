#ifndef APP_PROGRAMVERSION_H
#define APP_PROGRAMVERSION_H

#include <QString>
#include <QtGlobal>

// The program's version number: its build date written as YYYYMMDD.
constexpr qint64 ProgramVersion = 20261207;

// "M/D/YYYY" for a version number YYYYMMDD.
QString VersionDateText(qint64 version);

// "QuillmerQt build M/D/YYYY" for a version number YYYYMMDD.
QString WindowTitleForVersion(qint64 version);

#endif
