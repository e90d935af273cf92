#ifndef TESTS_SERVER_CLIENTROLE_H
#define TESTS_SERVER_CLIENTROLE_H

#include <QString>
#include <QStringList>

// A second client core in a process of its own (the store is one per
// process), run by a test program re-launched with ClientRoleArgument, the
// server port, the user name and the password.
//
// It logs in and then obeys commands on standard input, one per line, fields
// separated by tabs: "pm\tuser\ttext", "join\troom", "say\troom\ttext",
// "leave\troom", "search\ttext", "away", "quit". It reports on standard
// output, one line each: "CONNECTED", "FAILED\treason", "DISCONNECTED",
// "PM\tuser\ttext", "CHAT\troom\tuser\ttext", "SEARCH\tuser\ttoken\ttext".
// It reconnects by itself after a drop and ends when its input closes.
constexpr const char* ClientRoleArgument = "--client-role";

int RunClientRole(int argc, char** argv);

#endif
