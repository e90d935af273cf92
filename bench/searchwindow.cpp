// A search tab taking 10,000 results at once: 200 replies of 50 files (five
// folders of ten) written into the graph as the peer network writes them
// (and 20,000, the most a tab shows, from 400 replies),
// then handed to a shown tab together, as a flood of replies arrives. Measured:
// the time until every row is in the tree and drawn, and the longest stretch
// the event loop spent in one go meanwhile; then applying a filter to all of
// them. The baseline, in the same run, puts the same rows into a bare tree in
// one go (built, added, sorted once and expanded) and draws it.
#include "app/ClientCore.h"
#include "peer/SearchResults.h"
#include "search/SearchRequestRecord.h"
#include "shares/FileInfo.h"
#include "store/Data.h"
#include "ui/SearchForm.h"
#include "ui/SearchResultList.h"
#include "ui/SearchTab.h"
#include "wire/MemStream.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <time.h>
#include <vector>

namespace {

constexpr int FoldersPerUser = 5;
constexpr int FilesPerFolder = 10;

double ThreadCpuMs()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

QString UserName(int user)
{
    return QString("user%1").arg(user, 3, 10, QChar('0'));
}

QString FolderName(int user, int folder)
{
    return QString("Music\\Artist %1\\Album %2 live").arg(user % 37).arg(folder);
}

QString FileName(int file)
{
    return QString("%1 - Song number %2.mp3").arg(file, 2, 10, QChar('0')).arg(file * 7);
}

// A client core without windows or network, with the search window's types.
class Core
{
public:
    Core()
    {
        qputenv("HOME", home.path().toLocal8Bit());
        core = std::make_unique<ClientCore>();
        core->CreateManagers();
        core->WriteSettingDefaults();
        SearchForm::DeclareTypes();
    }

    // A new search and the replies of every user to it, as the peer network
    // writes them (a closed tab has stopped its search and taken its results).
    std::vector<ItemPtr> WriteReplies(int users)
    {
        const unsigned int token = ++lastToken;
        RecordSearchRequest(token, "song", false);
        std::vector<ItemPtr> replies;
        for (int user = 0; user < users; ++user) {
            std::vector<FileInfo> files;
            for (int folder = 0; folder < FoldersPerUser; ++folder)
                for (int file = 0; file < FilesPerFolder; ++file) {
                    AttributeMap attributes;
                    attributes.Add(AttributeMap::Bitrate, 128 + 32 * quint32(file % 4));
                    attributes.Add(AttributeMap::LengthSeconds, 200 + quint32(file));
                    files.emplace_back((FolderName(user, folder) + '\\' + FileName(file)).toStdString(),
                                       quint64(3000000 + user * 1000 + file), attributes);
                }
            MemStream body;
            body.Write(UserName(user));
            body.Write(uint32_t(token));
            body.Write(files);
            body.Write(uint8_t(user % 3 == 0));
            body.Write(uint32_t(user * 1024));
            body.Write(uint32_t(user % 7));
            replies.push_back(WriteSearchReply(UserName(user), body).results);
        }
        return replies;
    }

    unsigned int LastToken() const { return lastToken; }

private:
    QTemporaryDir home;
    std::unique_ptr<ClientCore> core;
    unsigned int lastToken = 0;
};

Core* core = nullptr;

struct Pause
{
    double wallMs = 0;
    double cpuMs = 0;
};

// Runs the event loop until done, noting the longest single turn.
template <class Done>
Pause RunUntil(Done done)
{
    Pause longest;
    QElapsedTimer turn;
    while (!done()) {
        turn.start();
        const double cpu = ThreadCpuMs();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        longest.wallMs = std::max(longest.wallMs, double(turn.nsecsElapsed()) / 1e6);
        longest.cpuMs = std::max(longest.cpuMs, ThreadCpuMs() - cpu);
    }
    return longest;
}

void BM_SearchTab(benchmark::State& state)
{
    const int users = int(state.range(0));
    double showMs = 0;
    double cpuMs = 0;
    double filterMs = 0;
    Pause longest;
    for (auto _ : state) {
        state.PauseTiming();
        const std::vector<ItemPtr> replies = core->WriteReplies(users);
        auto tab = std::make_unique<SearchTab>("song", SearchTab::Scope::All);
        tab->AddRequest(d.GetType("search_request")->HasItem(Value(core->LastToken())));
        tab->resize(1200, 800);
        tab->show();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        QElapsedTimer clock;
        clock.start();
        const double cpu = ThreadCpuMs();
        for (ItemPtr reply : replies)
            tab->Enqueue(reply);
        const Pause pause = RunUntil([&] { return !tab->HasPending(); });
        tab->Tree()->viewport()->repaint();
        showMs += double(clock.nsecsElapsed()) / 1e6;
        cpuMs += ThreadCpuMs() - cpu;
        longest.wallMs = std::max(longest.wallMs, pause.wallMs);
        longest.cpuMs = std::max(longest.cpuMs, pause.cpuMs);
        if (tab->Results().FileCount() != users * FoldersPerUser * FilesPerFolder)
            state.SkipWithError("not every result was shown");

        clock.start();
        tab->SetFilter("number -live2 mbr:160");
        filterMs += double(clock.nsecsElapsed()) / 1e6;

        state.PauseTiming();
        tab.reset();
        state.ResumeTiming();
    }
    const double iterations = double(state.iterations());
    state.counters["show_ms"] = showMs / iterations;
    state.counters["longest_pause_ms"] = longest.wallMs;
    state.counters["longest_pause_cpu_ms"] = longest.cpuMs;
    state.counters["cpu_ms"] = cpuMs / iterations;
    state.counters["filter_all_ms"] = filterMs / iterations;
}
BENCHMARK(BM_SearchTab)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same rows put into a bare tree at once: the whole time is one pause.
void BM_BareTreeBaseline(benchmark::State& state)
{
    const int users = int(state.range(0));
    double showMs = 0;
    double cpuMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<QTreeWidget>();
        tree->setColumnCount(7);
        tree->setUniformRowHeights(true);
        tree->resize(1200, 800);
        tree->show();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        QElapsedTimer clock;
        clock.start();
        const double cpu = ThreadCpuMs();
        QList<QTreeWidgetItem*> rows;
        for (int user = 0; user < users; ++user) {
            auto* userRow
                = new QTreeWidgetItem({UserName(user), QString::number(user % 7), QString::number(user, 'f', 1)});
            for (int folder = 0; folder < FoldersPerUser; ++folder) {
                auto* folderRow
                    = new QTreeWidgetItem(userRow, {QString(), QString(), QString(), FolderName(user, folder)});
                for (int file = 0; file < FilesPerFolder; ++file)
                    new QTreeWidgetItem(folderRow,
                                        {QString(), QString(), QString(), QString(), FileName(file),
                                         QString::number(3000000 + user * 1000 + file), "160 kbps"});
            }
            rows.append(userRow);
        }
        tree->addTopLevelItems(rows);
        tree->sortItems(1, Qt::DescendingOrder);
        tree->expandAll();
        QCoreApplication::processEvents();
        tree->viewport()->repaint();
        showMs += double(clock.nsecsElapsed()) / 1e6;
        cpuMs += ThreadCpuMs() - cpu;

        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    state.counters["show_ms"] = showMs / double(state.iterations());
    state.counters["longest_pause_ms"] = showMs / double(state.iterations());
    state.counters["cpu_ms"] = cpuMs / double(state.iterations());
}
BENCHMARK(BM_BareTreeBaseline)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Core searchCore;
    core = &searchCore;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
