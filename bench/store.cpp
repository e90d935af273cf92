// Speed and memory of the item graph at the sizes of large shares.
#include "store/Data.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <string>

namespace {

std::size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

void DeclareFiles()
{
    d.Clear();
    Type* folder = d.NewType("folder", Primary, false, true);
    Type* file = d.NewType("file", Secondary, false, true);
    Type* size = d.NewType("file_size", Tertiary, false, true);
    folder->RelateToType(file, One, Many, false);
    file->RelateToType(size, Many, One, false);
}

// One million items: files, each in one of 1,000 folders and with one of
// 10,000 sizes.
void BM_CreateAndConnectMillionItems(benchmark::State& state)
{
    const int files = 1000000 - 1000 - 10000;
    std::size_t bytesPerItem = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DeclareFiles();
        Type* folder = d.GetType("folder");
        Type* file = d.GetType("file");
        Type* size = d.GetType("file_size");
        const std::size_t before = HeapInUse();
        state.ResumeTiming();

        for (int n = 0; n < files; ++n) {
            ItemPtr f = file->NewItem("C:\\Music\\Album " + std::to_string(n / 1000) + "\\track " + std::to_string(n)
                                      + ".mp3");
            folder->GetItem(n % 1000) += f;
            f += size->GetItem(n % 10000);
        }

        state.PauseTiming();
        std::size_t items = 0;
        for (Type* type : {folder, file, size})
            items += type->ItemCount();
        bytesPerItem = (HeapInUse() - before) / items;
        d.Clear();
        state.ResumeTiming();
    }
    state.counters["bytes_per_item"] = double(bytesPerItem);
    state.counters["items_per_second"]
        = benchmark::Counter(double(files + 11000), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CreateAndConnectMillionItems)->Unit(benchmark::kMillisecond)->Iterations(2);

// Users in rooms: two rooms of `members` users each, half of them shared,
// and a small room of 10 users.
void DeclareRooms(int members)
{
    d.Clear();
    Type* user = d.NewType("user", Primary, false, true);
    Type* room = d.NewType("room", Primary, false, true);
    user->RelateToType(room, Many, Many, false);
    ItemPtr big = room->GetItem("big");
    ItemPtr other = room->GetItem("other");
    ItemPtr small = room->GetItem("small");
    for (int n = 0; n < members * 3 / 2; ++n) {
        ItemPtr u = user->GetItem(n);
        if (n < members)
            u += big;
        if (n >= members / 2)
            u += other;
        if (n % (members / 10) == 0)
            u += small;
    }
}

// The users common to the named rooms, over and over.
void MeasureCommonUsers(benchmark::State& state, std::initializer_list<const char*> roomNames)
{
    DeclareRooms(int(state.range(0)));
    ItemSet rooms;
    for (const char* name : roomNames)
        rooms.Insert(d.GetType("room")->HasItem(name));
    std::size_t found = 0;
    for (auto _ : state) {
        found = d.GetItemSubset(rooms, "user").Size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["common_users"] = double(found);
    d.Clear();
}

void BM_GetItemSubsetOfTwoLargeRooms(benchmark::State& state)
{
    MeasureCommonUsers(state, {"big", "other"});
}
BENCHMARK(BM_GetItemSubsetOfTwoLargeRooms)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_GetItemSubsetOfSmallAndLargeRooms(benchmark::State& state)
{
    MeasureCommonUsers(state, {"big", "other", "small"});
}
BENCHMARK(BM_GetItemSubsetOfSmallAndLargeRooms)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Search matching: the files holding every word of a query, from a word index of 100,000 files in which
// one word is in every fifth file, one in every 33rd and one in 40 files.
void MeasureWordMatch(benchmark::State& state, std::initializer_list<const char*> query)
{
    d.Clear();
    Type* word = d.NewType("search_token", Tertiary, false, true);
    Type* file = d.NewType("shared_file", Secondary, true, true);
    word->RelateToType(file, Many, Many, false);
    for (int n = 0; n < 100000; ++n) {
        ItemPtr f = file->NewItem();
        if (n % 5 == 0)
            word->GetItem("common") += f;
        if (n % 33 == 0)
            word->GetItem("rare") += f;
        if (n % 2500 == 0)
            word->GetItem("unique") += f;
    }
    ItemSet words;
    for (const char* text : query)
        words.Insert(word->HasItem(text));
    std::size_t found = 0;
    for (auto _ : state) {
        found = d.GetItemSubset(words, "shared_file").Size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = double(found);
    d.Clear();
}

void BM_MatchTwoFrequentWords(benchmark::State& state)
{
    MeasureWordMatch(state, {"common", "rare"});
}
BENCHMARK(BM_MatchTwoFrequentWords)->Unit(benchmark::kMicrosecond);

void BM_MatchThreeWordsOneRare(benchmark::State& state)
{
    MeasureWordMatch(state, {"common", "rare", "unique"});
}
BENCHMARK(BM_MatchThreeWordsOneRare)->Unit(benchmark::kMicrosecond);

void BM_AllItemsOfALargeType(benchmark::State& state)
{
    DeclareRooms(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(g("user").Size());
    d.Clear();
}
BENCHMARK(BM_AllItemsOfALargeType)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CollectUnreachableItems(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        DeclareFiles();
        Type* folder = d.GetType("folder");
        Type* file = d.GetType("file");
        Type* size = d.GetType("file_size");
        // Half the files are in a folder, the other half are garbage.
        for (int n = 0; n < int(state.range(0)); ++n) {
            ItemPtr f = file->NewItem(n);
            if (n % 2 == 0)
                folder->GetItem(n % 1000) += f;
            f += size->GetItem(n % 10000);
        }
        state.ResumeTiming();
        d.RemoveDisconnectedItems();
    }
    d.Clear();
}
BENCHMARK(BM_CollectUnreachableItems)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
