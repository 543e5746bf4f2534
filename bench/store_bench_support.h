#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "macro/record_name.h"
#include "macro/text_lookup.h"
#include "profile/profile_defaults.h"
#include "profile/profile_record.h"

namespace talvik::bench {

class Texts : public macro::TextLookup {
public:
    std::string Text(std::string_view) const override { return "Profile"; }
};

// A data folder under TALVIK_BENCH_DIR (default: the system's temporary folder), removed at the
// end. The folder's file system decides what a sync costs, so run it where users keep their data.
class BenchFolder {
public:
    BenchFolder() {
        const char* base = std::getenv("TALVIK_BENCH_DIR");
        std::string pattern =
            ((base != nullptr && *base != '\0') ? std::filesystem::path(base)
                                                : std::filesystem::temp_directory_path()) /
            "talvik-bench-XXXXXX";
        path_ = ::mkdtemp(pattern.data());
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline profile::ProfileList MakeProfiles(int count) {
    profile::ProfileList profiles;
    for (int i = 0; i < count; ++i) {
        auto p = profile::CreateProfile();
        macro::WriteName(p->name, u"Profile " + macro::Utf8ToUtf16(std::to_string(i)));
        p->buttons[3].macro_event_count = 190;
        p->buttons[3].macro_actions[189].delay = static_cast<std::uint16_t>(i);
        profiles.push_back(std::move(p));
    }
    return profiles;
}

}  // namespace talvik::bench
