#ifndef STORE_CONFIGFILESTORAGE_H
#define STORE_CONFIGFILESTORAGE_H

#include <QByteArray>
#include <QString>

// Puts configuration files on disk without ever leaving the user with neither the old nor the new file.
namespace ConfigFileStorage {
// Writes the bytes to the first free "<path>.<N>" (N = 1, 2, ...), flushes them to the disk and renames
// that file over path. The new file, like a kept damaged one, is readable by its owner only (it holds the
// password). Throws DataSaveFailure, leaving the file at path untouched and no temporary file behind.
void Replace(const QString& path, const QByteArray& bytes);

// Moves an unreadable file aside to "<path>.damaged-<yyyyMMdd-hhmmss>" (with "-2", "-3", ... appended when
// that name is taken) and returns the new name, or an empty text when it could not be moved.
QString KeepDamaged(const QString& path);
} // namespace ConfigFileStorage

#endif
