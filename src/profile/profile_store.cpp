#include "profile/profile_store.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "macro/record_name.h"
#include "profile/profile_defaults.h"

namespace talvik::profile {

namespace fs = std::filesystem;
using macro::FileError;
using macro::FileReader;

namespace {

constexpr std::size_t kHeaderReserved = kStoreHeaderSize - sizeof(std::int32_t);
const std::array<unsigned char, kHeaderReserved> kZeroHeader{};

}  // namespace

bool ContainsName(const ProfileList& profiles, std::u16string_view name) {
    return macro::ContainsName(profiles, name);
}

std::u16string MakeUniqueName(const ProfileList& profiles, std::u16string_view name) {
    return macro::MakeUniqueName(profiles, name, kProfileNameUnits - 1);
}

ProfileStore::ProfileStore(fs::path data_dir, const macro::TextLookup& texts)
    : data_dir_(std::move(data_dir)), texts_(texts) {}

fs::path ProfileStore::FilePath() const {
    return data_dir_ / macro::kStoreFolder / "pro.data";
}

LoadReport ProfileStore::Load(ProfileList& profiles, ProfileStoreHeader& header) {
    WaitForSaves();
    LoadReport report;
    header = ProfileStoreHeader{};
    const fs::path path = FilePath();
    macro::RemoveStaleTemporaries(path);
    FileReader reader;
    report.read = reader.Open(path);
    bool file_empty = false;
    if (report.read.error == FileError::kNotFound) {
        report.read = {};
        report.file_missing = true;
    } else if (report.read.ok() && reader.size() == 0) {
        file_empty = true;  // holds nothing that could be lost
    } else if (report.read.ok() && reader.size() < kStoreHeaderSize) {
        report.read = macro::FileStatus::Failure(
            FileError::kTooShort, path,
            "holds " + std::to_string(reader.size()) + " bytes, shorter than its header");
    } else if (report.read.ok()) {
        std::int32_t index = 0;
        const std::optional<std::size_t> got = reader.Read(&index, sizeof(index));
        if (!got || *got != sizeof(index) || !reader.Skip(kHeaderReserved)) {
            report.read =
                macro::FileStatus::Failure(FileError::kCannotRead, path, "cannot read the header");
        } else {
            header.active_profile_index = index;
            std::uint64_t left = reader.size() - kStoreHeaderSize;
            while (left >= sizeof(ProfileInfo)) {
                // Filled by the read; dropped unless the read is whole.
                auto record = std::make_unique_for_overwrite<ProfileInfo>();
                const std::optional<std::size_t> n = reader.Read(record.get(), sizeof(ProfileInfo));
                if (!n || *n != sizeof(ProfileInfo)) {
                    report.read = macro::FileStatus::Failure(FileError::kCannotRead, path,
                                                             "read failed inside a record");
                    break;
                }
                left -= sizeof(ProfileInfo);
                if (RepairProfile(*record)) {
                    ++report.records_repaired;
                }
                profiles.push_back(std::move(record));
                ++report.records_loaded;
            }
            if (report.read.ok() && left > 0) {
                report.read = macro::FileStatus::Failure(
                    FileError::kTooShort, path,
                    "ends " + std::to_string(left) + " bytes into a record; the part was dropped");
            }
            if (report.read.ok() && profiles.empty()) {
                report.read =
                    macro::FileStatus::Failure(FileError::kTooShort, path, "holds no profile");
            }
        }
    }
    const bool index_outside =
        !profiles.empty() &&
        (header.active_profile_index < 0 ||
         header.active_profile_index >= static_cast<std::int32_t>(profiles.size()));
    if (index_outside && report.read.ok()) {
        report.read = macro::FileStatus::Failure(
            FileError::kCannotRead, path,
            "active index " + std::to_string(header.active_profile_index) + " outside the list");
    }
    report.damaged = !report.read.ok() || report.records_repaired > 0;
    if (profiles.empty()) {
        header.active_profile_index = 0;
        AddDefaultProfile(profiles);
    }
    header.active_profile_index =
        std::clamp(header.active_profile_index, 0, static_cast<std::int32_t>(profiles.size()) - 1);
    if (report.damaged) {
        std::string error;
        report.moved_to = macro::MoveAside(path, &error);
        if (!report.moved_to) {
            report.move = macro::FileStatus{FileError::kCannotWrite, error};
            keep_damaged_file_ = true;
            return report;
        }
    } else if (!report.file_missing && !file_empty) {
        return report;
    }
    report.save = Save(profiles, header);
    return report;
}

FileStatus ProfileStore::Refusal() const {
    return macro::FileStatus::Failure(FileError::kCannotWrite, FilePath(),
                                      "not replaced: the damaged file could not be moved aside");
}

FileStatus ProfileStore::Save(const ProfileList& profiles, const ProfileStoreHeader& header) {
    WaitForSaves();
    const fs::path path = FilePath();
    if (keep_damaged_file_) {
        return Refusal();
    }
    if (FileStatus status = macro::EnsureFolder(path.parent_path()); !status.ok()) {
        return status;
    }
    std::vector<macro::ByteRange> parts;
    parts.reserve(profiles.size() + 2);
    parts.push_back({&header.active_profile_index, sizeof(header.active_profile_index)});
    parts.push_back({kZeroHeader.data(), kZeroHeader.size()});
    for (const auto& record : profiles) {
        parts.push_back({record.get(), sizeof(ProfileInfo)});
    }
    return macro::WriteFileAtomically(path, parts);
}

FileStatus ProfileStore::SaveInBackground(const ProfileList& profiles,
                                          const ProfileStoreHeader& header,
                                          macro::BackgroundWriter::Done done) {
    if (keep_damaged_file_) {
        return Refusal();
    }
    if (!writer_) {
        writer_ = std::make_unique<macro::BackgroundWriter>();
    }
    std::vector<unsigned char> content = writer_->TakeBuffer();
    content.reserve(kStoreHeaderSize + profiles.size() * sizeof(ProfileInfo));
    const auto* index = reinterpret_cast<const unsigned char*>(&header.active_profile_index);
    content.insert(content.end(), index, index + sizeof(header.active_profile_index));
    content.insert(content.end(), kZeroHeader.begin(), kZeroHeader.end());
    for (const auto& record : profiles) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(record.get());
        content.insert(content.end(), bytes, bytes + sizeof(ProfileInfo));
    }
    writer_->Submit(FilePath(), std::move(content), std::move(done));
    return {};
}

void ProfileStore::WaitForSaves() {
    if (writer_) {
        writer_->WaitUntilIdle();
    }
}

ProfileInfo& ProfileStore::AddDefaultProfile(ProfileList& profiles) const {
    // The number stays whole when a long text has to be cut.
    const std::string number = std::to_string(profiles.size() + 1);
    std::u16string base = macro::CutName(macro::Utf8ToUtf16(texts_.Text("add_profile_text")),
                                         kProfileNameUnits - 1 - number.size());
    base.append(number.begin(), number.end());
    auto record = CreateProfile();
    macro::WriteName(record->name, MakeUniqueName(profiles, base));
    profiles.push_back(std::move(record));
    return *profiles.back();
}

}  // namespace talvik::profile
