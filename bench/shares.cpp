// Sharing at the size of a large share: 100,000 files in 5,000 folders with
// names of 3 to 8 words. The walk is measured against find(1) over the same
// tree in the same run; then indexing, memory per file, saving and loading,
// search answers, the longest pause of the event loop while a rescan is
// applied, and while a share list is built.
#include "app/Settings.h"
#include "server/Server.h"
#include "shares/FolderScan.h"
#include "shares/ShareListings.h"
#include "shares/ShareMessages.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <malloc.h>
#include <memory>
#include <time.h>
#include <vector>

namespace {
constexpr int FileCount = 100000;
constexpr int FolderCount = 5000;
constexpr int Artists = 100;

std::size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

double ThreadCpuMs()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// File n is named by 3 to 8 words, among them "grp<n % 10000>" (10 files
// each) and, for every tenth file, "tenk"; even files are ".mp3".
class ShareTree
{
public:
    ShareTree()
    {
        QRandomGenerator random(42);
        QStringList vocabulary;
        for (int n = 0; n < 2000; ++n) {
            QString word;
            const int length = 3 + int(random.bounded(6));
            for (int c = 0; c < length; ++c)
                word += QChar('a' + int(random.bounded(26)));
            vocabulary << word;
        }
        const auto words = [&](int count) {
            QStringList picked;
            for (int w = 0; w < count; ++w)
                picked << vocabulary[int(random.bounded(vocabulary.size()))];
            return picked;
        };
        root = dir.path() + "/Music";
        for (int folder = 0; folder < FolderCount; ++folder) {
            const QString path = QStringLiteral("%1/%2 %3/%4 %5")
                                     .arg(root, words(2).join(' '))
                                     .arg(folder % Artists)
                                     .arg(words(2).join(' '))
                                     .arg(folder);
            QDir().mkpath(path);
            for (int f = 0; f < FileCount / FolderCount; ++f) {
                const int n = folder * (FileCount / FolderCount) + f;
                QStringList name = words(1 + int(random.bounded(6)));
                name << QStringLiteral("grp%1").arg(n % 10000);
                if (n % 10 == 0)
                    name << QStringLiteral("tenk");
                QFile file(path + "/" + name.join(' ') + (n % 2 == 0 ? ".mp3" : ".flac"));
                file.open(QIODevice::WriteOnly);
            }
        }
    }

    QTemporaryDir dir;
    QString root;
};

ShareTree& Tree()
{
    static ShareTree tree;
    return tree;
}

// A fresh graph with a sharing manager, as the program declares it.
class Graph
{
public:
    Graph()
    {
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        Server::CreateData();
        SetSetting("username", "me");
        manager = std::make_unique<SharedFoldersManager>();
    }
    ~Graph()
    {
        manager.reset();
        saver.reset();
        d.Clear();
    }

    // Runs the event loop until the manager is idle (or the condition holds); the longest time between
    // two turns of the loop, in milliseconds: on the clock, and in CPU time of
    // this thread (which other programs on a busy machine do not stretch).
    struct Pause
    {
        qint64 wallMs = 0;
        double cpuMs = 0;
    };
    Pause RunUntilIdle()
    {
        return RunUntil([this] { return !manager->IsScanning(); });
    }
    template <class Done>
    Pause RunUntil(Done done)
    {
        Pause longest;
        QElapsedTimer sinceLast;
        sinceLast.start();
        double cpuBefore = ThreadCpuMs();
        while (!done()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            const double cpu = ThreadCpuMs();
            longest.wallMs = std::max(longest.wallMs, sinceLast.restart());
            longest.cpuMs = std::max(longest.cpuMs, cpu - cpuBefore);
            cpuBefore = cpu;
        }
        return longest;
    }

    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<SharedFoldersManager> manager;
};

std::unique_ptr<Graph>& IndexedGraph()
{
    static std::unique_ptr<Graph> graph;
    if (!graph) {
        graph = std::make_unique<Graph>();
        graph->manager->AddSharedFolder(Tree().root).NewItem("shared_public");
        graph->RunUntilIdle();
    }
    return graph;
}

void BM_WalkAgainstFind(benchmark::State& state)
{
    const QString root = Tree().root;
    const auto find = [&] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start("find", {root, "-printf", "%s\n"});
        process.waitForFinished(-1);
    };
    find(); // warm the caches for both
    double findMs = 0, walkMs = 0;
    std::size_t files = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        find();
        findMs += clock.nsecsElapsed() / 1e6;
        clock.restart();
        const ScannedRoot scanned = WalkSharedFolder(
            root, [] { return false; }, [](const QString&, const QString&) {});
        walkMs += clock.nsecsElapsed() / 1e6;
        files = 0;
        for (const ScannedFolder& folder : scanned.folders)
            files += folder.files.size();
    }
    state.counters["find_ms"] = findMs / double(state.iterations());
    state.counters["walk_ms"] = walkMs / double(state.iterations());
    state.counters["walk_per_find"] = walkMs / findMs;
    state.counters["files"] = double(files);
}
BENCHMARK(BM_WalkAgainstFind)->Unit(benchmark::kMillisecond)->Iterations(5);

// Sharing the tree in a fresh graph: walk and index, with the memory the
// index takes and the longest pause of the event loop meanwhile.
void BM_ShareAndIndex(benchmark::State& state)
{
    Tree();
    std::size_t bytesPerFile = 0, wordBytesPerFile = 0;
    Graph::Pause longestPause;
    for (auto _ : state) {
        state.PauseTiming();
        auto graph = std::make_unique<Graph>();
        const std::size_t before = HeapInUse();
        state.ResumeTiming();
        graph->manager->AddSharedFolder(Tree().root);
        longestPause = graph->RunUntilIdle();
        state.PauseTiming();
        // Let the header requests of the empty ".mp3" files drain.
        for (QElapsedTimer settle; !settle.isValid() || settle.elapsed() < 2000;) {
            if (!settle.isValid())
                settle.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        const std::size_t indexed = HeapInUse();
        bytesPerFile = (indexed - before) / FileCount;
        g("search_token").Remove();
        wordBytesPerFile = (indexed - HeapInUse()) / FileCount;
        graph.reset();
        state.ResumeTiming();
    }
    state.counters["bytes_per_file"] = double(bytesPerFile);
    state.counters["word_index_bytes_per_file"] = double(wordBytesPerFile);
    state.counters["longest_pause_ms"] = double(longestPause.wallMs);
    state.counters["longest_pause_cpu_ms"] = longestPause.cpuMs;
}
// One iteration: a second one would first pay for glibc consolidating the
// chunks freed with the first graph (malloc_consolidate), a pause of its own.
BENCHMARK(BM_ShareAndIndex)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RescanPause(benchmark::State& state)
{
    auto& graph = IndexedGraph();
    Graph::Pause longestPause;
    for (auto _ : state) {
        graph->manager->RescanShares();
        const Graph::Pause pause = graph->RunUntilIdle();
        longestPause.wallMs = std::max(longestPause.wallMs, pause.wallMs);
        longestPause.cpuMs = std::max(longestPause.cpuMs, pause.cpuMs);
    }
    state.counters["longest_pause_ms"] = double(longestPause.wallMs);
    state.counters["longest_pause_cpu_ms"] = longestPause.cpuMs;
}
BENCHMARK(BM_RescanPause)->Unit(benchmark::kMillisecond)->Iterations(2);

void MeasureSearch(benchmark::State& state, const QString& query)
{
    auto& graph = IndexedGraph();
    int repliedFiles = 0;
    QObject::connect(graph->manager.get(), &SharedFoldersManager::SearchReplyReady,
                     [&](QString, MemStream message) { repliedFiles = int(message.GetLength()); });
    std::vector<double> micros;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        benchmark::DoNotOptimize(graph->manager->ProcessSearch("zed", 1, query));
        micros.push_back(clock.nsecsElapsed() / 1e3);
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.counters["reply_bytes"] = repliedFiles;
    QObject::disconnect(graph->manager.get(), &SharedFoldersManager::SearchReplyReady, nullptr, nullptr);
}

void BM_SearchTenFiles(benchmark::State& state)
{
    MeasureSearch(state, "grp124 mp3");
}
BENCHMARK(BM_SearchTenFiles)->Unit(benchmark::kMicrosecond)->Iterations(500);

void BM_SearchTenThousandFiles(benchmark::State& state)
{
    MeasureSearch(state, "tenk mp3");
}
BENCHMARK(BM_SearchTenThousandFiles)->Unit(benchmark::kMicrosecond)->Iterations(100);

void BM_SearchBroad(benchmark::State& state)
{
    MeasureSearch(state, "mp3");
}
BENCHMARK(BM_SearchBroad)->Unit(benchmark::kMicrosecond)->Iterations(100);

void BM_SearchUnknownWord(benchmark::State& state)
{
    MeasureSearch(state, "tenk zzqx");
}
BENCHMARK(BM_SearchUnknownWord)->Unit(benchmark::kMicrosecond)->Iterations(500);

// The whole share for a browsing user. Baseline: read and compressed in one
// go on the event loop, as a plain synchronous answer would. Then as the
// client answers: read in slices, compressed on a worker; the longest pause of
// the event loop from the request to the message.
void BM_ShareListPause(benchmark::State& state)
{
    auto& graph = IndexedGraph();
    double syncMs = 0, latencyMs = 0, recordsMs = 0;
    Graph::Pause longest;
    double messageMb = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const FileInfoMap share = GetSharedFilesForUser("zed");
        recordsMs += clock.nsecsElapsed() / 1e6;
        ShareListing listing;
        for (const auto& [path, files] : share)
            listing.push_back({path, std::vector<FileInfo>(files.begin(), files.end())});
        benchmark::DoNotOptimize(BuildSharedFileListMessage(listing).GetLength());
        syncMs += clock.nsecsElapsed() / 1e6;

        bool ready = false;
        const QMetaObject::Connection connection = QObject::connect(
            graph->manager.get(), &SharedFoldersManager::SharedFileListReady, [&](QString, MemStream message) {
                ready = true;
                messageMb = double(message.GetLength()) / 1e6;
            });
        clock.restart();
        graph->manager->OnSharedFileListRequested("zed");
        const Graph::Pause pause = graph->RunUntil([&] { return ready; });
        latencyMs += clock.nsecsElapsed() / 1e6;
        QObject::disconnect(connection);
        longest.wallMs = std::max(longest.wallMs, pause.wallMs);
        longest.cpuMs = std::max(longest.cpuMs, pause.cpuMs);
    }
    const double iterations = double(state.iterations());
    state.counters["baseline_records_ms"] = recordsMs / iterations;
    state.counters["baseline_sync_ms"] = syncMs / iterations;
    state.counters["latency_ms"] = latencyMs / iterations;
    state.counters["longest_pause_ms"] = double(longest.wallMs);
    state.counters["longest_pause_cpu_ms"] = longest.cpuMs;
    state.counters["message_mb"] = messageMb;
}
BENCHMARK(BM_ShareListPause)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveAndLoad(benchmark::State& state)
{
    auto& graph = IndexedGraph();
    QTemporaryDir dir;
    const QString path = dir.filePath("config");
    double saveMs = 0, loadMs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        graph->saver->Save(path);
        saveMs += clock.nsecsElapsed() / 1e6;
        state.PauseTiming();
        graph.reset();
        auto fresh = std::make_unique<Graph>();
        state.ResumeTiming();
        clock.restart();
        fresh->saver->Load(path);
        loadMs += clock.nsecsElapsed() / 1e6;
        state.PauseTiming();
        state.counters["loaded_files"] = double(g("shared_file").Size());
        fresh.reset();
        state.ResumeTiming();
    }
    state.counters["save_ms"] = saveMs / double(state.iterations());
    state.counters["load_ms"] = loadMs / double(state.iterations());
    state.counters["file_mb"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_SaveAndLoad)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    IndexedGraph().reset();
    benchmark::Shutdown();
    return 0;
}
