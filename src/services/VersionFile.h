#ifndef SERVICES_VERSIONFILE_H
#define SERVICES_VERSIONFILE_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// A newer build that the version file offers.
struct OfferedVersion
{
    qint64 build = 0;
    QString downloadAddress;
    QStringList notes;
};

// Reads the version file, plain Latin-1 text in lines ended by line feeds,
// each line trimmed: the newest build number (YYYYMMDD), the base address of
// the downloads, the file name stem of the download, then release notes one
// per line (a last line without a line feed is not read). The download is
// base + "/Linux/" + stem + "-64bit.tgz".
//
// Offers the build only when it is newer than both `currentBuild` and
// `skippedBuild`, neither address line is empty, and the download is a web
// address (http or https): the address is opened in the user's browser.
std::optional<OfferedVersion> ReadVersionFile(const QByteArray& file, qint64 currentBuild, qint64 skippedBuild);

#endif
