#ifndef TESTS_SERVER_SESSIONGRAPH_H
#define TESTS_SERVER_SESSIONGRAPH_H

#include <memory>

class DataSaver;

// Gives a test a fresh graph holding what a running program has declared by
// the time the session works: the settings, the session's own types and,
// unless the graph is to be the program's as built today, the peer network's
// types that the session writes into.
class SessionGraph
{
public:
    enum class Declarations
    {
        WithPeerNetwork,
        ProgramAsBuilt,
    };

    explicit SessionGraph(Declarations declarations = Declarations::WithPeerNetwork);
    ~SessionGraph();

private:
    std::unique_ptr<DataSaver> saver;
};

#endif
