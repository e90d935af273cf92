#ifndef LOCALSERVER_SERVERLOG_H
#define LOCALSERVER_SERVERLOG_H

#include <QString>

namespace localserver {

// One line on standard output per message received or sent and per notable
// event, unless quiet.
class ServerLog
{
public:
    explicit ServerLog(bool quiet)
        : m_quiet(quiet)
    {
    }

    void Received(const QString& who, quint32 code, qint64 bytes);
    void Sent(const QString& who, quint32 code, qint64 bytes);
    void Note(const QString& who, const QString& text);

private:
    void Write(const QString& line);

    bool m_quiet;
};

} // namespace localserver

#endif
