#include "ui/ChatText.h"

#include <QRegularExpression>

namespace ChatText {

TimestampMode ModeFromWord(const QString& word)
{
    if (word == QLatin1String("activity_based"))
        return TimestampMode::ActivityBased;
    if (word == QLatin1String("per_message_short"))
        return TimestampMode::PerMessageShort;
    if (word == QLatin1String("per_message_long"))
        return TimestampMode::PerMessageLong;
    return TimestampMode::None;
}

QString LongTime(const QDateTime& time)
{
    return time.toString("MMM d h:mm:ss ap");
}

QString ShortTime(const QDateTime& time)
{
    return time.toString("h:mm:ss");
}

QString EscapeHtml(const QString& text)
{
    QString escaped = text;
    escaped.replace('&', "&amp;");
    escaped.replace('<', "&lt;");
    escaped.replace('>', "&gt;");
    return escaped;
}

QString Linkify(const QString& html)
{
    static const QRegularExpression address("(\\bhttps?://[-a-zA-Z0-9+&@#/%?=~_|!:,.;]*[a-zA-Z0-9+&@#/%=~_|])");
    QString linked = html;
    linked.replace(address, "<a href=\"\\1\">\\1</a>");
    return linked;
}

bool IsAction(const QString& trimmedText)
{
    return trimmedText.startsWith(QLatin1String("/me "));
}

QString ActionText(const QString& user, const QString& trimmedText)
{
    return QString("%1 %2").arg(user, trimmedText.mid(4).trimmed());
}

QString StatusLine(const QString& text, const QString& colour)
{
    return "* <font color=\"" + colour + "\">" + EscapeHtml(text) + "</font>";
}

QString ChatLine(TimestampMode mode, const QDateTime& time, const QString& user, const QString& text,
                 const QString& timestampColour, const QString& usernameColour)
{
    QString line;
    if (mode == TimestampMode::PerMessageShort || mode == TimestampMode::PerMessageLong) {
        const QString stamp = mode == TimestampMode::PerMessageShort ? ShortTime(time) : LongTime(time);
        line = "[<font color=\"" + timestampColour + "\">" + stamp + "</font>]";
    }
    line += "[<font color=\"" + usernameColour + "\">" + EscapeHtml(user) + "</font>] " + EscapeHtml(text);
    return Linkify(line);
}

QString LogLine(const QDateTime& time, const QString& user, const QString& text)
{
    return QString("[%1][%2] %3").arg(LongTime(time), user, text);
}

QString ActionLogLine(const QDateTime& time, const QString& action)
{
    return QString("[%1] * %2").arg(LongTime(time), action);
}

QString TrimmedRoomHtml(const QString& html)
{
    if (html.size() <= MaxRoomViewHtml)
        return QString();
    const int lineEnd = html.indexOf('\n', RoomViewCut);
    return lineEnd < 0 ? QString("") : html.mid(lineEnd + 1);
}

} // namespace ChatText
