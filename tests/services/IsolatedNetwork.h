#ifndef TESTS_SERVICES_ISOLATEDNETWORK_H
#define TESTS_SERVICES_ISOLATEDNETWORK_H

#include <QString>

// Router discovery multicasts on every interface of the machine. A test that
// lets it run does so in a child process of the test program inside a new
// network namespace that has nothing but loopback (unshare -rn), from which no
// packet can leave.

enum class IsolatedRun
{
    Passed,
    Failed,
    // No such namespace can be made on this machine.
    Unavailable,
};

// True inside the child.
bool InIsolatedNetwork();

// Runs the test function of this program in the child; `output` gets what
// the child printed.
IsolatedRun RunInIsolatedNetwork(const QString& testFunction, QString& output);

#endif
