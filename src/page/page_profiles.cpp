// The profile list: selection, add, delete, rename, reset, import and export.
#include "macro/record_name.h"
#include "page/page_controller.h"
#include "platform/trace.h"
#include "profile/profile_defaults.h"

namespace talvik::page {

using toolkit::NotifyType;

void PageController::AddProfileRoutes() {
    routes_.Add("ms_5_list_profile", NotifyType::kItemSelect,
                [this](int, intptr_t row) { SelectProfile(static_cast<int>(row)); });
    routes_.Add("ms_5_profile_add_btn", NotifyType::kClick,
                [this](int, intptr_t) { AddProfile(); });
    routes_.Add("ms_5_profile_delete_btn", NotifyType::kClick,
                [this](int, intptr_t) { DeleteProfile(); });
    routes_.Add("ms_5_profile_rename_btn", NotifyType::kClick,
                [this](int, intptr_t) { RenameProfile(); });
    for (const char* reset : {"ms_5_profile_reset_btn", "ms_5_btn_reset"}) {
        routes_.Add(reset, NotifyType::kClick, [this](int, intptr_t) { ResetProfile(); });
    }
    routes_.Add("ms_5_profile_import_btn", NotifyType::kClick,
                [this](int, intptr_t) { ImportProfile(); });
    routes_.Add("ms_5_profile_export_btn", NotifyType::kClick,
                [this](int, intptr_t) { ExportProfile(); });
}

void PageController::SelectProfile(int row) {
    if (row < 0 || row >= static_cast<int>(state_.profiles.size()) ||
        row == state_.active_profile_index) {
        return;
    }
    MakeActive(row);
}

// The profile at `index` becomes the active one and goes to the mouse in full; the store keeps
// the choice at once, whether a mouse is there or not.
void PageController::MakeActive(int index) {
    state_.active_profile_index = index;
    state_.current_profile = state_.profiles[static_cast<std::size_t>(index)].get();
    ShowProfiles();
    state_.force_full_apply = true;
    files_.SaveProfiles();
    RequestApply();
}

void PageController::AddProfile() {
    const auto name = dialogs_.AskProfileName("profile_name_1_text", state_.profiles);
    if (!name) {
        return;
    }
    auto record = profile::CreateProfile();
    macro::WriteName(record->name, *name);
    state_.profiles.push_back(std::move(record));
    MakeActive(static_cast<int>(state_.profiles.size()) - 1);
}

void PageController::DeleteProfile() {
    if (state_.profiles.size() < 2) {
        dialogs_.Warn("one_profile_text");
        return;
    }
    if (!dialogs_.Confirm("delete_profile_text")) {
        return;
    }
    const int gone = state_.active_profile_index;
    // The active pointer moves before its record is freed.
    const int next = gone + 1 < static_cast<int>(state_.profiles.size()) ? gone : gone - 1;
    state_.current_profile = nullptr;
    state_.profiles.erase(state_.profiles.begin() + gone);
    MakeActive(next);
}

void PageController::RenameProfile() {
    const auto name = dialogs_.AskProfileName("profile_name_2_text", state_.profiles);
    if (!name) {
        return;
    }
    macro::WriteName(Current().name, *name);
    view_.SetProfileRowText(state_.active_profile_index, macro::ReadName(Current().name));
    files_.SaveProfiles();  // the name is not a setting of the mouse: nothing to send
}

void PageController::ResetProfile() {
    if (!dialogs_.Confirm("restore_text")) {
        return;
    }
    profile::SetDefaults(Current());
    RefreshFromProfile();
    state_.force_full_apply = true;
    files_.SaveProfiles();
    RequestApply();
}

void PageController::ImportProfile() {
    const auto path = dialogs_.ChooseProfileToImport(files_.DataFolder());
    if (!path) {
        return;
    }
    const profile::ImportedProfile imported = files_.Import(*path);
    if (!imported.status.ok()) {
        platform::Trace("profile import refused: %s", imported.status.detail.c_str());
        dialogs_.Warn("import_failed_text");
        return;
    }
    if (!imported.save.ok()) {
        platform::Trace("saving the imported macros failed: %s", imported.save.detail.c_str());
    }
    MakeActive(imported.index);
}

void PageController::ExportProfile() {
    const auto path =
        dialogs_.ChooseProfileExport(files_.DataFolder(), macro::ReadName(Current().name));
    if (!path) {
        return;
    }
    const macro::FileStatus status = files_.Export(*path, Current());
    if (!status.ok()) {
        platform::Trace("profile export failed: %s", status.detail.c_str());
        dialogs_.Warn("export_failed_text");
    }
}

}  // namespace talvik::page
