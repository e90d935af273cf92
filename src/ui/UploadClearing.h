#ifndef UI_UPLOADCLEARING_H
#define UI_UPLOADCLEARING_H

#include "store/ItemPtr.h"

#include <QDateTime>

// Finished uploads leave the list five minutes after their last change, and
// so do the queued files of users who have been offline that long.
namespace UploadClearing {

constexpr qint64 AfterMs = 300 * 1000;

// Whether the entry is due to go at `now`. An entry is never due before its
// last status change or its last progress is five minutes old; a queued one
// only when its user is offline and went offline five minutes ago or more.
bool IsDue(ItemPtr entry, const QDateTime& now);
// When "clear_complete_aborted_uploads" is on, removes every entry due at
// `now` from the upload queue; returns how many went.
int ClearDue(const QDateTime& now);

} // namespace UploadClearing

#endif
