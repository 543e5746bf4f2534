// The helper of bench/scripts/store_kill_soak.py: saves pro.data and macro.data in a loop with the
// real stores, to be killed at random moments, and checks what a kill left behind.
//   talvik_store_kill loop DIR    load both stores, then save generation after generation of
//                                 edits (odd ones on the stores' writer threads), printing
//                                 "saved G" once both files of G are written
//   talvik_store_kill check DIR   load both stores and print "profiles G damaged D macros G
//                                 damaged D": G the generation found ("none": a fresh store,
//                                 "torn": records of different generations or edits)
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "macro/macro_store.h"
#include "macro/record_name.h"
#include "profile/profile_defaults.h"
#include "profile/profile_store.h"
#include "store_bench_support.h"

namespace {

using namespace talvik;

// Every generation edits the lists differently: how many records, their names, the active
// profile, the macros' repeat, actions and delays, a macro button's action count.
int ProfileCount(long g) {
    return 1 + static_cast<int>(g % 4);
}
int MacroCount(long g) {
    return 1 + static_cast<int>(g % 3);
}
int ActionCount(long g, int j) {
    return static_cast<int>((g + j) % (macro::kMaxMacroActions + 1));
}

std::u16string Name(const char* prefix, long g, int i) {
    return macro::Utf8ToUtf16(std::string(prefix) + " " + std::to_string(g) + " " +
                              std::to_string(i));
}

void Build(long g, profile::ProfileList& profiles, profile::ProfileStoreHeader& header,
           macro::MacroList& macros) {
    profiles.clear();
    for (int i = 0; i < ProfileCount(g); ++i) {
        auto p = profile::CreateProfile();
        macro::WriteName(p->name, Name("soak", g, i));
        p->dpi_value[0] = 1 + static_cast<int>(g % 520);
        p->buttons[3].macro_event_count = static_cast<std::uint16_t>(g % macro::kMaxMacroActions);
        profiles.push_back(std::move(p));
    }
    header.active_profile_index = static_cast<int>(g % ProfileCount(g));
    macros.clear();
    for (int j = 0; j < MacroCount(g); ++j) {
        auto m = std::make_unique<macro::MacroInfo>();
        macro::WriteName(m->name, Name("m", g, j));
        m->repeat = static_cast<std::int32_t>(g);
        m->action_count = ActionCount(g, j);
        for (int k = 0; k < m->action_count; ++k) {
            m->actions[k].code = 0x04;
            m->actions[k].delay = static_cast<std::uint16_t>(g + k);
        }
        macros.push_back(std::move(m));
    }
}

// The generation whose name the record carries; -1 for none.
long GenerationOf(const std::u16string& name, const char* prefix) {
    long g = -1;
    int i = -1;
    const std::string text = macro::Utf16ToUtf8(name);
    const std::string format = std::string(prefix) + " %ld %d";
    if (std::sscanf(text.c_str(), format.c_str(), &g, &i) != 2 || g < 0) {
        return -1;
    }
    return g;
}

// "none", "torn" or the generation, when the loaded lists are exactly what Build made for it.
std::string Verdict(bool fresh, long g, bool same) {
    if (fresh) {
        return "none";
    }
    return g >= 0 && same ? std::to_string(g) : "torn";
}

int Check(const std::filesystem::path& dir) {
    bench::Texts texts;
    profile::ProfileStore profile_store(dir, texts);
    macro::MacroStore macro_store(dir, texts);
    profile::ProfileList profiles;
    profile::ProfileStoreHeader header;
    const auto profile_report = profile_store.Load(profiles, header);
    macro::MacroList macros;
    const auto macro_report = macro_store.LoadMacros(macros);

    const long pg = GenerationOf(macro::ReadName(profiles.front()->name), "soak");
    const long mg = macros.empty() ? -1 : GenerationOf(macro::ReadName(macros.front()->name), "m");
    profile::ProfileList want_profiles;
    profile::ProfileStoreHeader want_header;
    macro::MacroList want_macros;
    bool profiles_same = false;
    if (pg >= 0) {
        Build(pg, want_profiles, want_header, want_macros);
        profiles_same = header.active_profile_index == want_header.active_profile_index &&
                        profiles.size() == want_profiles.size();
        for (std::size_t i = 0; profiles_same && i < profiles.size(); ++i) {
            profiles_same = std::memcmp(profiles[i].get(), want_profiles[i].get(),
                                        sizeof(profile::ProfileInfo)) == 0;
        }
    }
    bool macros_same = false;
    if (mg >= 0) {
        Build(mg, want_profiles, want_header, want_macros);
        macros_same = macros.size() == want_macros.size();
        for (std::size_t j = 0; macros_same && j < macros.size(); ++j) {
            macros_same =
                std::memcmp(macros[j].get(), want_macros[j].get(), sizeof(macro::MacroInfo)) == 0;
        }
    }
    std::printf("profiles %s damaged %d macros %s damaged %d\n",
                Verdict(profile_report.file_missing, pg, profiles_same).c_str(),
                profile_report.damaged ? 1 : 0,
                Verdict(macro_report.file_missing, mg, macros_same).c_str(),
                macro_report.damaged ? 1 : 0);
    return 0;
}

int Loop(const std::filesystem::path& dir) {
    bench::Texts texts;
    profile::ProfileStore profile_store(dir, texts);
    macro::MacroStore macro_store(dir, texts);
    profile::ProfileList profiles;
    profile::ProfileStoreHeader header;
    profile_store.Load(profiles, header);
    macro::MacroList macros;
    macro_store.LoadMacros(macros);
    // Go on from what is on disk, so generations only grow across kills.
    long g = std::max(0L, GenerationOf(macro::ReadName(profiles.front()->name), "soak"));
    for (;;) {
        ++g;
        Build(g, profiles, header, macros);
        // Every other generation goes the way the program saves while it runs: on the stores'
        // writer threads, the two files in either order.
        bool saved = true;
        if (g % 2 == 0) {
            saved =
                profile_store.Save(profiles, header).ok() && macro_store.SaveMacros(macros).ok();
        } else {
            std::atomic<int> failed{0};
            const auto done = [&failed](const macro::FileStatus& status) {
                failed += status.ok() ? 0 : 1;
            };
            saved = profile_store.SaveInBackground(profiles, header, done).ok() &&
                    macro_store.SaveMacrosInBackground(macros, done).ok();
            profile_store.WaitForSaves();
            macro_store.WaitForSaves();
            saved = saved && failed == 0;
        }
        if (!saved) {
            std::fprintf(stderr, "saving generation %ld failed\n", g);
            return 1;
        }
        std::printf("saved %ld\n", g);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "loop") != 0 && std::strcmp(argv[1], "check") != 0)) {
        std::fprintf(stderr, "usage: %s loop|check DIR\n", argv[0]);
        return 2;
    }
    return std::strcmp(argv[1], "loop") == 0 ? Loop(argv[2]) : Check(argv[2]);
}
