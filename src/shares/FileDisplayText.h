#ifndef SHARES_FILEDISPLAYTEXT_H
#define SHARES_FILEDISPLAYTEXT_H

#include "store/ItemPtr.h"

#include <QString>

// A duration as the windows show it: "m:ss", or "h:mm:ss" from an hour on.
QString FormatSeconds(long long seconds);

// The audio properties of a file item (own, found or browsed) in one line:
// the bitrate, " VBR" or " CBR", then ", " and the duration, each when known;
// "192 CBR, 4:05".
QString GetFileItemDisplayString(ItemPtr item);

#endif
