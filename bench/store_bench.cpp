#include <benchmark/benchmark.h>

#include "profile/profile_store.h"
#include "store_bench_support.h"

namespace talvik::bench {
namespace {

void BM_ProfileStoreSave(benchmark::State& state) {
    BenchFolder folder;
    Texts texts;
    profile::ProfileStore store(folder.path(), texts);
    const profile::ProfileList profiles = MakeProfiles(static_cast<int>(state.range(0)));
    const profile::ProfileStoreHeader header;
    for (auto _ : state) {
        if (!store.Save(profiles, header).ok()) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations()) *
        static_cast<std::int64_t>(std::filesystem::file_size(store.FilePath())));
}

// What a background save costs the thread that owns the profiles: copying them. The write itself
// runs on the store's writer thread and is waited for outside the measurement.
void BM_ProfileStoreSaveInBackground(benchmark::State& state) {
    BenchFolder folder;
    Texts texts;
    profile::ProfileStore store(folder.path(), texts);
    const profile::ProfileList profiles = MakeProfiles(static_cast<int>(state.range(0)));
    const profile::ProfileStoreHeader header;
    for (auto _ : state) {
        if (!store.SaveInBackground(profiles, header).ok()) {
            state.SkipWithError("save refused");
            break;
        }
        state.PauseTiming();
        store.WaitForSaves();
        state.ResumeTiming();
    }
}

void BM_ProfileStoreLoad(benchmark::State& state) {
    BenchFolder folder;
    Texts texts;
    profile::ProfileStore store(folder.path(), texts);
    if (!store.Save(MakeProfiles(static_cast<int>(state.range(0))), {}).ok()) {
        state.SkipWithError("save failed");
        return;
    }
    for (auto _ : state) {
        profile::ProfileList profiles;
        profile::ProfileStoreHeader header;
        const macro::LoadReport report = store.Load(profiles, header);
        if (report.damaged || profiles.size() != static_cast<std::size_t>(state.range(0))) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(profiles.data());
    }
}

BENCHMARK(BM_ProfileStoreSave)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProfileStoreSaveInBackground)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProfileStoreLoad)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace talvik::bench

BENCHMARK_MAIN();
