#include "macro/macro_files.h"

#include <memory>

#include "macro/record_name.h"

namespace talvik::macro {

namespace fs = std::filesystem;

FileStatus ExportMacro(const fs::path& path, const MacroInfo& record) {
    return WriteFileAtomically(path, {{&record, sizeof(record)}});
}

ImportedMacro ImportMacro(const fs::path& path, MacroList& list, const MacroStore& store) {
    ImportedMacro result;
    auto record = std::make_unique<MacroInfo>();
    result.status = ReadSingleRecord(path, record.get(), sizeof(MacroInfo));
    if (!result.status.ok()) {
        return result;
    }
    RepairMacro(*record);
    std::u16string name = ReadName(record->name);
    if (name.empty()) {
        name = Utf8ToUtf16(path.stem().string());
    }
    WriteName(record->name, MakeUniqueName(list, name));
    list.push_back(std::move(record));
    result.record = list.back().get();
    result.index = static_cast<int>(list.size()) - 1;
    result.save = store.SaveMacros(list);
    return result;
}

}  // namespace talvik::macro
