// Peak memory of loading and saving the profile store, measured in a process of its own:
//   talvik_store_memory COUNT   prints the peak resident size after creating, saving and loading
//                               COUNT profiles.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "profile/profile_store.h"
#include "store_bench_support.h"

namespace {

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace talvik;
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    if (count <= 0) {
        std::fprintf(stderr, "talvik_store_memory: COUNT must be a positive number\n");
        return 2;
    }
    bench::BenchFolder folder;
    bench::Texts texts;
    profile::ProfileStore store(folder.path(), texts);
    const long at_start = PeakKilobytes();
    {
        const profile::ProfileList profiles = bench::MakeProfiles(count);
        const long built = PeakKilobytes();
        if (!store.Save(profiles, {}).ok()) {
            std::fprintf(stderr, "talvik_store_memory: save failed\n");
            return 1;
        }
        std::printf("profiles=%d data=%.1f MB save: peak %+ld kB over the list in memory\n", count,
                    count * sizeof(profile::ProfileInfo) / 1e6, PeakKilobytes() - built);
    }
    // The list is freed, but the peak stays: load into a fresh process image is what counts, so
    // compare the peak after loading with the peak the save left behind.
    const long before_load = PeakKilobytes();
    profile::ProfileList loaded;
    profile::ProfileStoreHeader header;
    store.Load(loaded, header);
    std::printf("load: peak %ld kB (start %ld kB, before load %ld kB), %zu profiles\n",
                PeakKilobytes(), at_start, before_load, loaded.size());
    return loaded.size() == static_cast<std::size_t>(count) ? 0 : 1;
}
