#ifndef SERVER_PRIVATEMESSAGESCHEMA_H
#define SERVER_PRIVATEMESSAGESCHEMA_H

#include "store/ItemPtr.h"

#include <QString>

// The private messages kept across runs: one "private_message" per message,
// connected to the other "user", its "private_message_time" (seconds since
// 1970), "private_message_text" and "private_message_direction" ("from" for a
// received message, "to" for a sent one). Declared with the core so that a
// run without windows loads and saves them too; the session's types must be
// declared first.
void DeclarePrivateMessageTypes();

// Records one message and returns its item.
ItemPtr RecordPrivateMessage(const QString& user, const QString& text, qint64 secondsSinceEpoch, const char* direction);

#endif
