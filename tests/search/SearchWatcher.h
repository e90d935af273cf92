#ifndef TESTS_SEARCH_SEARCHWATCHER_H
#define TESTS_SEARCH_SEARCHWATCHER_H

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include "wire/FrameReader.h"

// Another user of the local server, seen through a raw connection: it logs
// in and notes the network searches that the server passes on to it.
class SearchWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int WaitMs = 5000;

    // Connects and logs in; false when either fails.
    bool LogIn(quint16 port, const QString& name);

    // The next search passed on, as "user: text"; empty when none came in
    // time.
    QString NextSearch();

private slots:
    void OnReadyRead();

private:
    QTcpSocket socket;
    FrameReader reader{1024 * 1024};
    bool loggedIn = false;
    QStringList searches;
};

#endif
