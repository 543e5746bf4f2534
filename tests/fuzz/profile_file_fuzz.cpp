// A profile file the user imports, with the macros its buttons carry.
#include "fuzz_support.h"
#include "macro/record_name.h"
#include "profile/button_function.h"
#include "profile/profile_defaults.h"
#include "profile/profile_files.h"
#include "profile/profile_store.h"
#include "record_checks.h"

namespace {

using namespace talvik;

profile::ProfileList StartingProfiles() {
    profile::ProfileList profiles;
    for (const char16_t* name : {u"Profile 1", u"Game"}) {
        auto record = profile::CreateProfile();
        macro::WriteName(record->name, name);
        profiles.push_back(std::move(record));
    }
    return profiles;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Texts texts;
    const std::filesystem::path& folder = fuzz::FreshFolder();
    const macro::MacroStore store(folder, texts);
    profile::ProfileList profiles = StartingProfiles();
    macro::MacroList macros = fuzz::StartingMacros();
    FUZZ_CHECK(store.SaveMacros(macros).ok());
    const std::vector<std::uint8_t> store_before = fuzz::ReadBytes(store.FilePath());
    const std::size_t profiles_before = profiles.size();
    const std::size_t macros_before = macros.size();
    const std::filesystem::path file = folder / "import.pro";
    fuzz::WriteBytes(file, data, size);

    const profile::ImportedProfile imported = profile::ImportProfile(file, profiles, macros, store);

    if (!imported.status.ok()) {
        // A refused file changes nothing.
        FUZZ_CHECK(size != sizeof(profile::ProfileInfo));
        FUZZ_CHECK(profiles.size() == profiles_before && macros.size() == macros_before);
        FUZZ_CHECK(imported.record == nullptr && imported.macros_added == 0);
        FUZZ_CHECK(fuzz::ReadBytes(store.FilePath()) == store_before);
        return 0;
    }
    FUZZ_CHECK(size == sizeof(profile::ProfileInfo));
    FUZZ_CHECK(profiles.size() == profiles_before + 1);
    FUZZ_CHECK(imported.index == static_cast<int>(profiles_before));
    FUZZ_CHECK(imported.record == profiles.back().get());
    const profile::ProfileInfo& record = *imported.record;
    fuzz::CheckProfileRecord(record);

    // The new profile has a name of its own.
    const std::u16string name = macro::ReadName(record.name);
    FUZZ_CHECK(!name.empty());
    const std::unique_ptr<profile::ProfileInfo> taken = std::move(profiles.back());
    profiles.pop_back();
    FUZZ_CHECK(!profile::ContainsName(profiles, name));

    // One new macro per macro button, each under a free name, pointed to by its button.
    int macro_buttons = 0;
    for (int b = 0; b < profile::kUsedButtons; ++b) {
        const profile::ButtonAssign& button = record.buttons[b];
        if (button.function != static_cast<std::uint8_t>(profile::ButtonFunction::kMacro)) {
            continue;
        }
        ++macro_buttons;
        FUZZ_CHECK(button.macro_index >= static_cast<std::int32_t>(macros_before) &&
                   button.macro_index < static_cast<std::int32_t>(macros.size()));
        const macro::MacroInfo& made = *macros[static_cast<std::size_t>(button.macro_index)];
        fuzz::CheckMacroRecord(made);
        FUZZ_CHECK(macro::ReadName(made.name) == macro::ReadName(button.macro_name));
        FUZZ_CHECK(made.action_count == button.macro_event_count);
        FUZZ_CHECK(std::memcmp(made.actions, button.macro_actions, sizeof(made.actions)) == 0);
    }
    FUZZ_CHECK(imported.macros_added == macro_buttons);
    FUZZ_CHECK(macros.size() == macros_before + static_cast<std::size_t>(macro_buttons));
    for (std::size_t i = 0; i < macros.size(); ++i) {
        for (std::size_t j = i + 1; j < macros.size(); ++j) {
            FUZZ_CHECK(!macro::NamesEqualIgnoringCase(macro::ReadName(macros[i]->name),
                                                      macro::ReadName(macros[j]->name)));
        }
    }
    if (macro_buttons > 0) {
        // The macro store holds the new macros at once.
        FUZZ_CHECK(imported.save.ok());
        macro::MacroStore reader(folder, texts);
        macro::MacroList stored;
        const macro::LoadReport report = reader.LoadMacros(stored);
        FUZZ_CHECK(!report.damaged);
        FUZZ_CHECK(fuzz::SameRecords(stored, macros));
    } else {
        FUZZ_CHECK(fuzz::ReadBytes(store.FilePath()) == store_before);
    }

    // Exported again, the profile is the same bytes.
    const std::filesystem::path exported = folder / "export.pro";
    FUZZ_CHECK(profile::ExportProfile(exported, record).ok());
    FUZZ_CHECK(fuzz::SameBytes(fuzz::ReadBytes(exported),
                               reinterpret_cast<const std::uint8_t*>(&record), sizeof(record)));
    return 0;
}
