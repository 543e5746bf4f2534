#include "macro/macro_store.h"

#include <string>
#include <utility>

namespace talvik::macro {

namespace fs = std::filesystem;

std::u16string MakeUniqueName(const MacroList& list, std::u16string_view name) {
    return MakeUniqueName(list, name, kMacroNameUnits - 1);
}

MacroStore::MacroStore(fs::path data_dir, const TextLookup& texts)
    : data_dir_(std::move(data_dir)), texts_(texts) {}

fs::path MacroStore::FilePath() const {
    return data_dir_ / kStoreFolder / "macro.data";
}

LoadReport MacroStore::LoadMacros(MacroList& list) {
    WaitForSaves();
    LoadReport report;
    const fs::path path = FilePath();
    RemoveStaleTemporaries(path);
    FileReader reader;
    report.read = reader.Open(path);
    if (report.read.error == FileError::kNotFound) {
        report.read = {};
        report.file_missing = true;
        return report;
    }
    if (report.read.ok()) {
        std::uint64_t left = reader.size();
        while (left >= sizeof(MacroInfo)) {
            // Filled by the read; dropped unless the read is whole.
            auto record = std::make_unique_for_overwrite<MacroInfo>();
            const std::optional<std::size_t> got = reader.Read(record.get(), sizeof(MacroInfo));
            if (!got || *got != sizeof(MacroInfo)) {
                report.read = FileStatus::Failure(FileError::kCannotRead, path,
                                                  "read failed inside a record");
                break;
            }
            left -= sizeof(MacroInfo);
            if (RepairMacro(*record)) {
                ++report.records_repaired;
            }
            list.push_back(std::move(record));
            ++report.records_loaded;
        }
        if (report.read.ok() && left > 0) {
            report.read = FileStatus::Failure(
                FileError::kTooShort, path,
                "ends " + std::to_string(left) + " bytes into a record; the part was dropped");
        }
    }
    report.damaged = !report.read.ok() || report.records_repaired > 0;
    if (!report.damaged) {
        return report;
    }
    std::string error;
    report.moved_to = MoveAside(path, &error);
    if (!report.moved_to) {
        report.move = FileStatus{FileError::kCannotWrite, error};
        keep_damaged_file_ = true;
        return report;
    }
    report.save = SaveMacros(list);
    return report;
}

FileStatus MacroStore::SaveMacros(const MacroList& list) const {
    WaitForSaves();
    const fs::path path = FilePath();
    if (keep_damaged_file_) {
        return FileStatus::Failure(FileError::kCannotWrite, path,
                                   "not replaced: the damaged file could not be moved aside");
    }
    if (FileStatus status = EnsureFolder(path.parent_path()); !status.ok()) {
        return status;
    }
    std::vector<ByteRange> parts;
    parts.reserve(list.size());
    for (const auto& record : list) {
        parts.push_back({record.get(), sizeof(MacroInfo)});
    }
    return WriteFileAtomically(path, parts);
}

FileStatus MacroStore::SaveMacrosInBackground(const MacroList& list, BackgroundWriter::Done done) {
    if (keep_damaged_file_) {
        return FileStatus::Failure(FileError::kCannotWrite, FilePath(),
                                   "not replaced: the damaged file could not be moved aside");
    }
    if (!writer_) {
        writer_ = std::make_unique<BackgroundWriter>();
    }
    std::vector<unsigned char> content = writer_->TakeBuffer();
    content.reserve(list.size() * sizeof(MacroInfo));
    for (const auto& record : list) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(record.get());
        content.insert(content.end(), bytes, bytes + sizeof(MacroInfo));
    }
    writer_->Submit(FilePath(), std::move(content), std::move(done));
    return {};
}

void MacroStore::WaitForSaves() const {
    if (writer_) {
        writer_->WaitUntilIdle();
    }
}

MacroStore::Added MacroStore::AddNewMacro(MacroList& list) const {
    // The number stays whole when a long text has to be cut.
    const std::string number = std::to_string(list.size() + 1);
    std::u16string base =
        CutName(Utf8ToUtf16(texts_.Text("add_macro_text")), kMacroNameUnits - 1 - number.size());
    base.append(number.begin(), number.end());
    auto record = std::make_unique<MacroInfo>();
    WriteName(record->name, MakeUniqueName(list, base));
    list.push_back(std::move(record));
    MacroInfo& added = *list.back();
    return Added{added, SaveMacros(list)};
}

}  // namespace talvik::macro
