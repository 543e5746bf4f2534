// macro.data as the store finds it at start-up.
#include <cstring>

#include "fuzz_support.h"
#include "macro/macro_store.h"
#include "record_checks.h"

namespace {

using namespace talvik;
using macro::MacroInfo;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Texts texts;
    const std::filesystem::path& folder = fuzz::FreshFolder();
    macro::MacroStore store(folder, texts);
    fuzz::WriteBytes(store.FilePath(), data, size);

    macro::MacroList macros;
    const macro::LoadReport report = store.LoadMacros(macros);

    // Every whole record is kept and safe to use; nothing is invented.
    FUZZ_CHECK(!report.file_missing);
    FUZZ_CHECK(macros.size() == size / sizeof(MacroInfo));
    FUZZ_CHECK(static_cast<std::size_t>(report.records_loaded) == macros.size());
    for (const auto& record : macros) {
        fuzz::CheckMacroRecord(*record);
    }

    if (report.damaged) {
        // Nothing is lost: the damaged file sits beside the store byte for byte.
        FUZZ_CHECK(report.moved_to.has_value());
        FUZZ_CHECK(fuzz::SameBytes(fuzz::ReadBytes(*report.moved_to), data, size));
        FUZZ_CHECK(report.save.ok());
    } else {
        // A sound file is taken as it stands and left alone.
        FUZZ_CHECK(size % sizeof(MacroInfo) == 0);
        FUZZ_CHECK(fuzz::SameBytes(fuzz::ReadBytes(store.FilePath()), data, size));
        for (std::size_t i = 0; i < macros.size(); ++i) {
            FUZZ_CHECK(
                std::memcmp(macros[i].get(), data + i * sizeof(MacroInfo), sizeof(MacroInfo)) == 0);
        }
    }

    // Whatever was written now loads back as it was held, with no repair.
    macro::MacroStore again(folder, texts);
    macro::MacroList reloaded;
    const macro::LoadReport second = again.LoadMacros(reloaded);
    FUZZ_CHECK(!second.damaged && !second.file_missing);
    FUZZ_CHECK(fuzz::SameRecords(reloaded, macros));
    return 0;
}
