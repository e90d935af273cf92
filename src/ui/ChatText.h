#ifndef UI_CHATTEXT_H
#define UI_CHATTEXT_H

#include <QDateTime>
#include <QString>

// The text of chat views and chat logs: line formats, time stamps, status
// lines and the bound on a room view's size. Everything here is a pure
// function of its arguments.
namespace ChatText {

enum class TimestampMode
{
    ActivityBased,
    PerMessageShort,
    PerMessageLong,
    None,
};

// The mode a chat_timestamps word stands for; any other word means none.
TimestampMode ModeFromWord(const QString& word);

// "MMM d h:mm:ss ap" and "h:mm:ss".
QString LongTime(const QDateTime& time);
QString ShortTime(const QDateTime& time);

// Ampersand, less-than and greater-than as entities, in that order.
QString EscapeHtml(const QString& text);
// Every web address in escaped text becomes a link to itself.
QString Linkify(const QString& html);

// "/me " (case-sensitive) at the start of trimmed text makes an action.
bool IsAction(const QString& trimmedText);
// The user's name and the rest of the text after "/me ", trimmed.
QString ActionText(const QString& user, const QString& trimmedText);

// "* <font color=...>text</font>", the text escaped.
QString StatusLine(const QString& text, const QString& colour);
// A chat line: the time stamp of the mode, the escaped speaker in its colour,
// the escaped text with its links.
QString ChatLine(TimestampMode mode, const QDateTime& time, const QString& user, const QString& text,
                 const QString& timestampColour, const QString& usernameColour);
// The log file's line for a chat line and for an action.
QString LogLine(const QDateTime& time, const QString& user, const QString& text);
QString ActionLogLine(const QDateTime& time, const QString& action);

// A room view's HTML beyond this many characters loses its oldest part.
constexpr int MaxRoomViewHtml = 250000;
constexpr int RoomViewCut = 50000;
// What stays of a room view's HTML: all of it up to the bound; past it, the
// text after the first RoomViewCut characters and the rest of the line they
// end in. Null when nothing is to be cut.
QString TrimmedRoomHtml(const QString& html);

} // namespace ChatText

#endif
