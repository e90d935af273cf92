#ifndef TRANSFERS_TRANSFERPATHS_H
#define TRANSFERS_TRANSFERPATHS_H

#include <QString>
#include <QStringList>

#include <string>

// Network paths separate their parts with backslashes; local paths with slashes.

// The text after the last backslash or slash (all of it when there is none).
std::string GetFileName(const std::string& path);
QString GetFileName(const QString& path);
// The text before the last backslash or slash (empty when there is none).
std::string GetFolder(const std::string& path);
QString GetFolder(const QString& path);
// The folder above, after dropping trailing backslashes.
std::string GetParentFolder(const std::string& path);

// The path an owner knows a file by: the folder, a backslash, the name; the
// name alone when the folder is empty.
std::string RemotePath(const std::string& folder, const std::string& fileName);

// A name that a peer gave, made safe to use as one part of a local path: an
// empty name, "." and "..", NUL characters and separators cannot appear, so
// no peer can name a place outside the folder it is joined to. Ordinary names
// (accents, spaces, other dots) come out unchanged.
QString SafePathComponent(const QString& name);

// The local folders a download of a file in `remoteFolder` is kept in below
// the downloads area, outermost first: the last level + 1 parts of the
// remote folder, each made safe; parts that are empty are left out.
QStringList DownloadSubfolders(const std::string& remoteFolder, int subfolderLevel);

// Whether `path` lies strictly inside `folder` once both are cleaned.
bool IsInsideFolder(const QString& path, const QString& folder);

#endif
