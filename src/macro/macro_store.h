#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

#include "macro/background_writer.h"
#include "macro/macro_record.h"
#include "macro/record_file.h"
#include "macro/record_name.h"
#include "macro/store_report.h"
#include "macro/text_lookup.h"

namespace talvik::macro {

// The macro list's file "ms_5/macro.data" in the data folder: the records back to back, in list
// order, with no header.
class MacroStore {
public:
    // `texts` must outlive the store.
    MacroStore(std::filesystem::path data_dir, const TextLookup& texts);

    std::filesystem::path FilePath() const;

    // Appends every whole record of the file to `list`, repaired where needed. A damaged file
    // (unreadable, cut inside a record, records needing repair) is moved aside to
    // "macro.data.bad" (numbered when that exists) and the kept list is written at once. While a
    // damaged file could not be moved aside, SaveMacros refuses to replace it.
    LoadReport LoadMacros(MacroList& list);

    // Writes the whole list, replacing the file in one step. Waits for background saves first,
    // so the file never goes back to older content.
    FileStatus SaveMacros(const MacroList& list) const;

    // Like SaveMacros, but the calling thread only copies the records; the write and its sync run
    // on the store's writer thread, where `done` is called with the outcome. A refusal is returned
    // at once and `done` is not called.
    FileStatus SaveMacrosInBackground(const MacroList& list, BackgroundWriter::Done done = {});
    // Blocks until every background save has finished.
    void WaitForSaves() const;

    struct Added {
        MacroInfo& record;
        FileStatus save;
    };
    // Appends an empty macro named by "add_macro_text" and the list's new size, numbered when
    // taken, and saves the list.
    Added AddNewMacro(MacroList& list) const;

private:
    std::filesystem::path data_dir_;
    const TextLookup& texts_;
    bool keep_damaged_file_ = false;
    std::unique_ptr<BackgroundWriter> writer_;  // started by the first background save
};

// ContainsName and "%s_%d" numbering for macro names, which hold at most 23 characters.
std::u16string MakeUniqueName(const MacroList& list, std::u16string_view name);

}  // namespace talvik::macro
