// A macro file the user imports in the macro editor.
#include "fuzz_support.h"
#include "macro/macro_files.h"
#include "macro/record_name.h"
#include "record_checks.h"

using namespace talvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Texts texts;
    const std::filesystem::path& folder = fuzz::FreshFolder();
    const macro::MacroStore store(folder, texts);
    macro::MacroList macros = fuzz::StartingMacros();
    FUZZ_CHECK(store.SaveMacros(macros).ok());
    const std::vector<std::uint8_t> store_before = fuzz::ReadBytes(store.FilePath());
    const std::filesystem::path file = folder / "import.macro";
    fuzz::WriteBytes(file, data, size);

    const macro::ImportedMacro imported = macro::ImportMacro(file, macros, store);

    if (!imported.status.ok()) {
        // A refused file changes nothing.
        FUZZ_CHECK(size != sizeof(macro::MacroInfo));
        FUZZ_CHECK(macros.size() == 2 && imported.record == nullptr);
        FUZZ_CHECK(fuzz::ReadBytes(store.FilePath()) == store_before);
        return 0;
    }
    FUZZ_CHECK(size == sizeof(macro::MacroInfo));
    FUZZ_CHECK(macros.size() == 3 && imported.index == 2);
    FUZZ_CHECK(imported.record == macros.back().get());
    const macro::MacroInfo& record = *imported.record;
    fuzz::CheckMacroRecord(record);

    // The file's actions and repeat count arrive untouched; the name is new and never empty.
    FUZZ_CHECK(std::memcmp(record.actions, data + offsetof(macro::MacroInfo, actions),
                           sizeof(record.actions)) == 0);
    std::int32_t repeat = 0;
    std::memcpy(&repeat, data + offsetof(macro::MacroInfo, repeat), sizeof(repeat));
    FUZZ_CHECK(record.repeat == repeat);
    const std::u16string name = macro::ReadName(record.name);
    FUZZ_CHECK(!name.empty());
    for (std::size_t i = 0; i + 1 < macros.size(); ++i) {
        FUZZ_CHECK(!macro::NamesEqualIgnoringCase(macro::ReadName(macros[i]->name), name));
    }

    // The store holds the list at once, and the record exports to the same bytes.
    FUZZ_CHECK(imported.save.ok());
    macro::MacroStore reader(folder, texts);
    macro::MacroList stored;
    FUZZ_CHECK(!reader.LoadMacros(stored).damaged);
    FUZZ_CHECK(fuzz::SameRecords(stored, macros));
    const std::filesystem::path exported = folder / "export.macro";
    FUZZ_CHECK(macro::ExportMacro(exported, record).ok());
    FUZZ_CHECK(fuzz::SameBytes(fuzz::ReadBytes(exported),
                               reinterpret_cast<const std::uint8_t*>(&record), sizeof(record)));
    return 0;
}
