#include "profile/profile_files.h"

#include <cstring>
#include <memory>

#include "macro/record_name.h"
#include "profile/button_function.h"
#include "profile/profile_store.h"

namespace talvik::profile {

namespace fs = std::filesystem;

macro::FileStatus ExportProfile(const fs::path& path, const ProfileInfo& record) {
    return macro::WriteFileAtomically(path, {{&record, sizeof(record)}});
}

ImportedProfile ImportProfile(const fs::path& path, ProfileList& profiles, macro::MacroList& macros,
                              const macro::MacroStore& store) {
    ImportedProfile result;
    auto record = std::make_unique<ProfileInfo>();
    result.status = macro::ReadSingleRecord(path, record.get(), sizeof(ProfileInfo));
    if (!result.status.ok()) {
        return result;
    }
    RepairProfile(*record);
    std::u16string name = macro::ReadName(record->name);
    if (name.empty()) {
        name = macro::Utf8ToUtf16(path.stem().string());
    }
    macro::WriteName(record->name, MakeUniqueName(profiles, name));

    for (int b = 0; b < kUsedButtons; ++b) {
        ButtonAssign& button = record->buttons[b];
        if (button.function != static_cast<std::uint8_t>(ButtonFunction::kMacro)) {
            continue;
        }
        auto created = std::make_unique<macro::MacroInfo>();
        const std::u16string macro_name =
            macro::MakeUniqueName(macros, macro::ReadName(button.macro_name));
        macro::WriteName(created->name, macro_name);
        macro::WriteName(button.macro_name, macro_name);
        created->repeat = button.macro_repeat;
        created->action_count = button.macro_event_count;
        std::memcpy(created->actions, button.macro_actions, sizeof(created->actions));
        macros.push_back(std::move(created));
        button.macro_index = static_cast<std::int32_t>(macros.size()) - 1;
        ++result.macros_added;
    }

    profiles.push_back(std::move(record));
    result.record = profiles.back().get();
    result.index = static_cast<int>(profiles.size()) - 1;
    if (result.macros_added > 0) {
        result.save = store.SaveMacros(macros);
    }
    return result;
}

}  // namespace talvik::profile
