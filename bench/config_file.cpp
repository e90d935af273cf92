// Saving and loading the configuration file of a share index of 100,000 files, each with its folder, name,
// size and 20 search words, declared as the sharing manager declares them.
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <random>
#include <string>
#include <unistd.h>

namespace {
constexpr int sharedFolderCount = 10;
constexpr int foldersPerSharedFolder = 100;
constexpr int filesPerFolder = 100;
constexpr int fileCount = sharedFolderCount * foldersPerSharedFolder * filesPerFolder;
constexpr int wordsPerFile = 20;
constexpr int vocabularySize = 20000;

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long kilobytes;
        if (key == "VmRSS:" && status >> kilobytes)
            return kilobytes;
    }
    return 0;
}

void DeclareShareTypes(DataSaver& saver)
{
    Type* sharedFolder = d.NewType("shared_folder", Primary, false, true);
    Type* folder = d.NewType("shared_file_folder", Secondary, false, true);
    Type* folderLowercase = d.NewType("shared_file_folder_lowercase_name", Tertiary, false, true);
    Type* file = d.NewType("shared_file", Secondary, true, true);
    Type* name = d.NewType("shared_file_name", Secondary, false, true);
    Type* nameLowercase = d.NewType("shared_file_lowercase_name", Tertiary, false, true);
    Type* size = d.NewType("shared_file_size", Tertiary, false, true);
    Type* sharedPublic = d.NewType("shared_public", Tertiary, true, true);
    Type* scanned = d.NewType("is_scanned", Tertiary, true, true);
    Type* word = d.NewType("search_token", Tertiary, false, true);
    sharedFolder->RelateToType(folder, Many, Many, false);
    file->RelateToType(folder, Many, One, false);
    file->RelateToType(name, Many, One, false);
    file->RelateToType(size, Many, One, false);
    file->RelateToType(scanned, Many, One, false);
    folder->RelateToType(folderLowercase, Many, One, false);
    name->RelateToType(nameLowercase, Many, One, false);
    sharedFolder->RelateToType(sharedPublic, Many, One, false);
    word->RelateToType(file, Many, Many, false);

    saver.AddSavedType("shared_folder");
    saver.AddSavedByConnectionType("shared_public", "shared_folder");
    saver.AddSavedType("is_scanned");
    saver.AddSavedByConnectionType("shared_file_folder", "shared_folder");
    saver.AddSavedByConnectionType("shared_file", "shared_file_folder");
    saver.AddSavedByConnectionType("shared_file_name", "shared_file");
    saver.AddSavedByConnectionType("shared_file_size", "shared_file");
}

void BuildShare()
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pickWord(0, vocabularySize - 1);
    std::uniform_int_distribution<long long> pickSize(100000, 12000000);
    Type* sharedFolder = d.GetType("shared_folder");
    Type* folder = d.GetType("shared_file_folder");
    Type* folderLowercase = d.GetType("shared_file_folder_lowercase_name");
    Type* file = d.GetType("shared_file");
    Type* name = d.GetType("shared_file_name");
    Type* nameLowercase = d.GetType("shared_file_lowercase_name");
    Type* size = d.GetType("shared_file_size");
    Type* word = d.GetType("search_token");
    for (int s = 0; s < sharedFolderCount; ++s) {
        std::string root = "/home/user/Music/Collection " + std::to_string(s);
        ItemPtr shared = sharedFolder->GetItem(root);
        if (s % 2 == 0)
            shared += d.GetType("shared_public")->GetGlobalNullItem();
        for (int f = 0; f < foldersPerSharedFolder; ++f) {
            std::string path = root + "/Artist " + std::to_string(f) + "/Album " + std::to_string(s * 1000 + f);
            ItemPtr folderItem = folder->GetItem(path);
            shared += folderItem;
            folderItem += folderLowercase->GetItem(path);
            for (int n = 0; n < filesPerFolder; ++n) {
                std::string fileName
                    = std::to_string(n + 1) + " - Some Song Title " + std::to_string(f * 100 + n) + ".mp3";
                ItemPtr fileItem = file->NewItem();
                fileItem += folderItem;
                ItemPtr nameItem = name->GetItem(fileName);
                nameItem += nameLowercase->GetItem(fileName);
                fileItem += nameItem;
                fileItem += size->GetItem(Value(pickSize(random)));
                if (n % 3 == 0)
                    fileItem += d.GetType("is_scanned")->GetGlobalNullItem();
                for (int w = 0; w < wordsPerFile; ++w)
                    word->GetItem("word" + std::to_string(pickWord(random))) += fileItem;
            }
        }
    }
}

struct Share
{
    QTemporaryDir dir;
    QString path;
    DataSaver saver;
    long graphKilobytes = 0;

    Share()
    {
        path = dir.filePath(".Quillmer");
        DeclareShareTypes(saver);
        long before = ResidentKilobytes();
        BuildShare();
        graphKilobytes = ResidentKilobytes() - before;
    }
};

Share& TheShare()
{
    static Share share;
    return share;
}

void BM_SaveShare(benchmark::State& state)
{
    Share& share = TheShare();
    for (auto _ : state)
        share.saver.Save(share.path);
    state.counters["files"] = fileCount;
    state.counters["file_bytes"] = double(QFileInfo(share.path).size());
    state.counters["graph_bytes_per_file"] = share.graphKilobytes * 1024.0 / fileCount;
}

// The baseline for saving: the same bytes written to a new file and flushed to the disk, as `dd conv=fsync` does.
void BM_PlainWriteOfTheSameBytes(benchmark::State& state)
{
    Share& share = TheShare();
    share.saver.Save(share.path);
    QFile saved(share.path);
    if (!saved.open(QIODevice::ReadOnly)) {
        state.SkipWithError("the saved file cannot be read");
        return;
    }
    const QByteArray bytes = saved.readAll();
    const QByteArray plainPath = QFile::encodeName(share.dir.filePath("plain"));
    for (auto _ : state) {
        const int fd = ::open(plainPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::fsync(fd) != 0)
            state.SkipWithError("the plain write failed");
        ::close(fd);
    }
    state.counters["file_bytes"] = double(bytes.size());
}

// Gives the memory of removed items back to the system, so that the next graph's size can be measured.
void EmptyStore()
{
    d.RemoveAllItems();
    malloc_trim(0);
}

// Start-up: the share is read back into a store that holds the declared types but no items.
void BM_LoadShare(benchmark::State& state)
{
    Share& share = TheShare();
    share.saver.Save(share.path);
    long loadedKilobytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        EmptyStore();
        long before = ResidentKilobytes();
        state.ResumeTiming();
        share.saver.Load(share.path);
        state.PauseTiming();
        loadedKilobytes = ResidentKilobytes() - before;
        state.ResumeTiming();
    }
    if (g("shared_file").Size() != size_t(fileCount))
        state.SkipWithError("the loaded share does not hold every file");
    state.counters["loaded_bytes_per_file"] = loadedKilobytes * 1024.0 / fileCount;
}
} // namespace

BENCHMARK(BM_PlainWriteOfTheSameBytes)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SaveShare)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadShare)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
