#include "server/PrivateMessageSchema.h"

#include "store/Data.h"
#include "store/DataSaver.h"

namespace {
constexpr const char* Parts[] = {"private_message_time", "private_message_text", "private_message_direction"};
} // namespace

void DeclarePrivateMessageTypes()
{
    Type* message = d.NewType("private_message", Primary, true, true);
    message->RelateToType(d.GetType("user"), Many, One, false);
    dataSaver->AddSavedType("private_message");
    dataSaver->AddSavedByConnectionType("user", "private_message");
    for (const char* part : Parts) {
        message->RelateToType(d.NewType(part, Tertiary, false, true), Many, One, false);
        dataSaver->AddSavedByConnectionType(part, "private_message");
    }
}

ItemPtr RecordPrivateMessage(const QString& user, const QString& text, qint64 secondsSinceEpoch, const char* direction)
{
    ItemPtr message = d.GetType("private_message")->NewItem();
    message += d.GetType("private_message_time")->GetItem(Value(static_cast<long long>(secondsSinceEpoch)));
    message += d.GetType("private_message_text")->GetItem(text);
    message += d.GetType("private_message_direction")->GetItem(direction);
    // The user last, so that whoever watches a user's messages finds them whole.
    message += d.GetType("user")->GetItem(user);
    return message;
}
