#ifndef DNET_DNETLOG_H
#define DNET_DNETLOG_H

#include "app/Log.h"
#include "app/Settings.h"

#include <QString>

// A line of the distributed network's diagnostics area.
inline void DNetLog(int level, const QString& text, ItemPtr item = ItemPtr())
{
    Log("Distributed Network", level, text, item);
}

// Whether lines are written at all; lines on every message are formatted
// only then.
inline bool DNetLogOn()
{
    return IsSettingOn("show_diagnostics");
}

#endif
