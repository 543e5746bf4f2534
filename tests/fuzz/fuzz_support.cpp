#include "fuzz_support.h"

#include <unistd.h>

#include <cstring>
#include <fstream>

namespace talvik::fuzz {

namespace fs = std::filesystem;

namespace {

fs::path MakeFolder() {
    std::error_code ec;
    const fs::path base =
        fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "talvik-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

const fs::path& Folder() {
    static const fs::path folder = [] {
        fs::path made = MakeFolder();
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(Folder(), ec);
        });
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
