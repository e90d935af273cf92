#ifndef PEER_PEERLOG_H
#define PEER_PEERLOG_H

#include "app/Log.h"

#include <QString>

// A line of the peer network's diagnostics area.
inline void PeerLog(int level, const QString& text, ItemPtr item = ItemPtr())
{
    Log("Peer Messenger", level, text, item);
}

// Fills the "%1" of lines that say "obfuscated " for obfuscated connections.
inline QString ObfuscatedWord(bool obfuscated)
{
    return obfuscated ? QStringLiteral("obfuscated ") : QString();
}

#endif
