#ifndef LOCALSERVER_SERVERLOG_H
#define LOCALSERVER_SERVERLOG_H

#include <QString>

#include <type_traits>

namespace localserver {

// One line on standard output per message received or sent and per notable
// event, unless quiet. A line is formatted only when it is written, so that a
// quiet server under load spends nothing on its log.
class ServerLog
{
public:
    explicit ServerLog(bool quiet)
        : m_quiet(quiet)
    {
    }

    bool IsQuiet() const { return m_quiet; }

    void Received(const QString& who, quint32 code, qint64 bytes);
    void Sent(const QString& who, quint32 code, qint64 bytes);

    // "-- who text", with %1, %2... of the text replaced by the arguments
    // (texts, numbers, or values with a toString()).
    template <class... Args>
    void Note(const QString& who, const char* text, const Args&... args)
    {
        if (m_quiet)
            return;
        if constexpr (sizeof...(Args) == 0)
            WriteNote(who, QString::fromUtf8(text));
        else
            WriteNote(who, QString::fromUtf8(text).arg(Text(args)...));
    }

private:
    template <class T>
    static QString Text(const T& value)
    {
        if constexpr (std::is_arithmetic_v<T>)
            return QString::number(value);
        else if constexpr (std::is_convertible_v<T, QString>)
            return value;
        else
            return value.toString();
    }

    void WriteNote(const QString& who, const QString& text);
    void Write(const QString& line);

    bool m_quiet;
};

} // namespace localserver

#endif
