#ifndef TESTS_SERVER_SESSIONGRAPH_H
#define TESTS_SERVER_SESSIONGRAPH_H

#include <memory>

class DataSaver;

// Gives a test a fresh graph holding what a running program has declared by
// the time the session works: the settings, the session's own types and the
// peer network's types that the session writes into.
class SessionGraph
{
public:
    SessionGraph();
    ~SessionGraph();

private:
    std::unique_ptr<DataSaver> saver;
};

#endif
