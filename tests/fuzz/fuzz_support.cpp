#include "fuzz_support.h"

#include <unistd.h>

#include <cstring>
#include <fstream>

namespace talvik::fuzz {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "talvik-fuzz-";

// libFuzzer ends a run without running exit handlers, so each process removes the folders of
// runs that are gone (named after their process id) and leaves its own for the next.
void RemoveStaleFolders(const fs::path& base) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(base, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kPrefix, 0) != 0) {
            continue;
        }
        const std::string pid = name.substr(std::strlen(kPrefix));
        if (!pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos &&
            !fs::exists(fs::path("/proc") / pid, ec)) {
            fs::remove_all(entry.path(), ec);
        }
    }
}

const fs::path& Folder() {
    static const fs::path folder = [] {
        // scripts/fuzz.sh points TMPDIR to /dev/shm: the stores sync what they write.
        const fs::path base = fs::temp_directory_path();
        RemoveStaleFolders(base);
        fs::path made = base / (kPrefix + std::to_string(::getpid()));
        std::error_code ec;
        fs::remove_all(made, ec);
        if (!fs::create_directory(made, ec)) {
            std::fprintf(stderr, "cannot create %s: %s\n", made.c_str(), ec.message().c_str());
            std::abort();
        }
        return made;
    }();
    return folder;
}

}  // namespace

const fs::path& FreshFolder() {
    const fs::path& folder = Folder();
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        fs::remove_all(entry.path(), ec);
    }
    return folder;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    // In one piece: a loop over the bytes would be instrumented byte by byte.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(in ? static_cast<std::size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void WriteBytes(const fs::path& path, const void* data, std::size_t size) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(out.good());
}

bool SameBytes(const std::vector<std::uint8_t>& bytes, const std::uint8_t* data, std::size_t size) {
    return bytes.size() == size && (size == 0 || std::memcmp(bytes.data(), data, size) == 0);
}

std::string Texts::Text(std::string_view key) const {
    if (key == "add_profile_text") {
        return "Profile ";
    }
    if (key == "add_macro_text") {
        return "Macro ";
    }
    return {};
}

}  // namespace talvik::fuzz
