#ifndef PEER_PEERLOG_H
#define PEER_PEERLOG_H

#include "app/Log.h"
#include "app/Settings.h"

#include <QString>

// A line of the peer network's diagnostics area.
inline void PeerLog(int level, const QString& text, ItemPtr item = ItemPtr())
{
    Log("Peer Messenger", level, text, item);
}

// Whether lines are written at all; lines on every message are formatted
// only then.
inline bool PeerLogOn()
{
    return IsSettingOn("show_diagnostics");
}

// Fills the "%1" of lines that say "obfuscated " for obfuscated connections.
inline QString ObfuscatedWord(bool obfuscated)
{
    return obfuscated ? QStringLiteral("obfuscated ") : QString();
}

#endif
