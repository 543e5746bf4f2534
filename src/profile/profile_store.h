#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "macro/background_writer.h"
#include "macro/record_file.h"
#include "macro/store_report.h"
#include "macro/text_lookup.h"
#include "profile/profile_record.h"

namespace talvik::profile {

// The head of pro.data: the active index, then reserved bytes (the size of five records) that
// are written as zeros and ignored when read.
struct ProfileStoreHeader {
    std::int32_t active_profile_index = 0;
};
inline constexpr std::size_t kStoreHeaderSize = 4 + 5 * sizeof(ProfileInfo);
static_assert(kStoreHeaderSize == 507704);

using macro::FileStatus;
using macro::LoadReport;

// The profile list's file "ms_5/pro.data" in the data folder: header, then the records in list
// order.
class ProfileStore {
public:
    // `texts` must outlive the store.
    ProfileStore(std::filesystem::path data_dir, const macro::TextLookup& texts);

    std::filesystem::path FilePath() const;

    // Fills the empty `profiles` and `header` from the file. Afterwards the list holds at least one
    // profile and the active index lies within it. No file: one default profile, written at once.
    // A damaged file (unreadable, shorter than the header, cut inside a record, an active index
    // outside the list, records needing repair) keeps its whole records, is moved aside to
    // "pro.data.bad" (numbered when that exists) and the mended store is written. While a damaged
    // file could not be moved aside, Save refuses to replace it.
    LoadReport Load(ProfileList& profiles, ProfileStoreHeader& header);

    // Writes header and every record, replacing the file in one step. Waits for background
    // saves first, so the file never goes back to older content.
    FileStatus Save(const ProfileList& profiles, const ProfileStoreHeader& header);

    // Like Save, but the calling thread only copies the records; the write and its sync run on
    // the store's writer thread, where `done` is called with the outcome. A refusal (a damaged
    // file that could not be moved aside) is returned at once and `done` is not called.
    FileStatus SaveInBackground(const ProfileList& profiles, const ProfileStoreHeader& header,
                                macro::BackgroundWriter::Done done = {});
    // Blocks until every background save has finished.
    void WaitForSaves();

    // Appends a default profile named by "add_profile_text" and the list's new size, numbered
    // when taken.
    ProfileInfo& AddDefaultProfile(ProfileList& profiles) const;

private:
    FileStatus Refusal() const;

    std::filesystem::path data_dir_;
    const macro::TextLookup& texts_;
    bool keep_damaged_file_ = false;
    std::unique_ptr<macro::BackgroundWriter> writer_;  // started by the first background save
};

// Whether a profile has this name, without regard to case.
bool ContainsName(const ProfileList& profiles, std::u16string_view name);
// `name` or the first free "%s_%d"; cut so that the result fits the 99 characters of a name.
std::u16string MakeUniqueName(const ProfileList& profiles, std::u16string_view name);

}  // namespace talvik::profile
