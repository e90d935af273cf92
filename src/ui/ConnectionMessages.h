#ifndef UI_CONNECTIONMESSAGES_H
#define UI_CONNECTIONMESSAGES_H

#include <QString>

// What the window tells the user about the connection to the server, in
// words rather than the session's reason codes.
namespace ConnectionMessages {

// "host:port" of the server the session connects to.
QString ServerAddress();

// The status bar's line for a failed connection or login; retrying says the
// session tries again by itself.
QString FailureStatus(const QString& reason, const QString& socketError, bool retrying);
// The reason shown in the "Login Failure" box for a reason without a box of
// its own.
QString FailureReason(const QString& reason, const QString& socketError);

} // namespace ConnectionMessages

#endif
