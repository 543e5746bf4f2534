// pro.data as the store finds it at start-up.
#include <cstring>

#include "fuzz_support.h"
#include "profile/profile_store.h"
#include "record_checks.h"

namespace {

using namespace talvik;
using profile::ProfileInfo;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Texts texts;
    const std::filesystem::path& folder = fuzz::FreshFolder();
    profile::ProfileStore store(folder, texts);
    fuzz::WriteBytes(store.FilePath(), data, size);

    profile::ProfileList profiles;
    profile::ProfileStoreHeader header;
    const profile::LoadReport report = store.Load(profiles, header);

    // The page always gets a usable list.
    FUZZ_CHECK(!profiles.empty());
    FUZZ_CHECK(header.active_profile_index >= 0 &&
               header.active_profile_index < static_cast<std::int32_t>(profiles.size()));
    for (const auto& record : profiles) {
        fuzz::CheckProfileRecord(*record);
    }
    // Every whole record is kept, nothing is invented.
    const std::size_t whole = size < profile::kStoreHeaderSize
                                  ? 0
                                  : (size - profile::kStoreHeaderSize) / sizeof(ProfileInfo);
    FUZZ_CHECK(static_cast<std::size_t>(report.records_loaded) == whole);
    FUZZ_CHECK(report.records_repaired <= report.records_loaded);

    if (report.damaged) {
        // Nothing is lost: the damaged file sits beside the store byte for byte.
        FUZZ_CHECK(report.moved_to.has_value());
        FUZZ_CHECK(fuzz::SameBytes(fuzz::ReadBytes(*report.moved_to), data, size));
        FUZZ_CHECK(report.save.ok());
    } else if (size > 0) {
        // A sound file is taken as it stands and left alone.
        FUZZ_CHECK(fuzz::SameBytes(fuzz::ReadBytes(store.FilePath()), data, size));
        std::int32_t index = 0;
        std::memcpy(&index, data, sizeof(index));
        FUZZ_CHECK(header.active_profile_index == index);
        for (std::size_t i = 0; i < profiles.size(); ++i) {
            FUZZ_CHECK(std::memcmp(profiles[i].get(),
                                   data + profile::kStoreHeaderSize + i * sizeof(ProfileInfo),
                                   sizeof(ProfileInfo)) == 0);
        }
    }

    // Whatever was written now loads back as it was held, with no repair.
    profile::ProfileStore again(folder, texts);
    profile::ProfileList reloaded;
    profile::ProfileStoreHeader reloaded_header;
    const profile::LoadReport second = again.Load(reloaded, reloaded_header);
    FUZZ_CHECK(!second.damaged && !second.file_missing);
    FUZZ_CHECK(reloaded_header.active_profile_index == header.active_profile_index);
    FUZZ_CHECK(fuzz::SameRecords(reloaded, profiles));
    return 0;
}
