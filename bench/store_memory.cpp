// Peak memory of saving and loading the profile store, measured with getrusage:
//   talvik_store_memory COUNT
// A child process builds and saves COUNT profiles and reports its peak; the parent, which never
// held the list, then loads the store and reports its own peak.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
    std::printf("profiles=%d, %.1f MB of records; process start %ld kB\n", count,
                count * sizeof(profile::ProfileInfo) / 1e6, PeakKilobytes());
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        profile::ProfileStore store(folder.path(), texts);
        const profile::ProfileList profiles = bench::MakeProfiles(count);
        const long built = PeakKilobytes();
        const bool saved = store.Save(profiles, {}).ok();
        std::printf("save: peak %ld kB, of which the save %ld kB\n", PeakKilobytes(),
                    PeakKilobytes() - built);
        std::fflush(stdout);
        _exit(saved ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "talvik_store_memory: save failed\n");
        return 1;
    }
    profile::ProfileStore store(folder.path(), texts);
    profile::ProfileList loaded;
    profile::ProfileStoreHeader header;
    store.Load(loaded, header);
    std::printf("load: peak %ld kB with %zu profiles loaded\n", PeakKilobytes(), loaded.size());
    return loaded.size() == static_cast<std::size_t>(count) ? 0 : 1;
}
