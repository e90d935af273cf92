#ifndef TRANSFERS_TRANSFERLOG_H
#define TRANSFERS_TRANSFERLOG_H

#include "app/Log.h"

#include <QString>

// A line of the transfers' diagnostics area, about an entry or a user.
inline void TransferLog(int level, const QString& text, ItemPtr item = ItemPtr())
{
    Log("Transfer Queue", level, text, item);
}

#endif
