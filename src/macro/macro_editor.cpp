#include "macro/macro_editor.h"

#include <algorithm>
#include <cstring>

#include "macro/macro_units.h"
#include "macro/record_name.h"
#include "platform/trace.h"

namespace talvik::macro {

namespace {

bool IsMouseButton(std::uint8_t code) {
    return code >= kCodeLeftButton && code <= kCodeForwardButton;
}

MacroAction MakeAction(std::uint8_t code, ActionKind kind, int delay, int x = 0, int y = 0) {
    MacroAction a{};
    a.code = code;
    a.kind = static_cast<std::uint8_t>(kind);
    a.delay = static_cast<std::uint16_t>(delay);
    a.x = x;
    a.y = y;
    return a;
}

int Clamp(long long value, int low, int high) {
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

}  // namespace

MacroEditor::MacroEditor(MacroList& list, MacroStore& store) : list_(list), store_(store) {}

const MacroInfo* MacroEditor::Current() const {
    return current_index_ >= 0 ? list_[static_cast<std::size_t>(current_index_)].get() : nullptr;
}

int MacroEditor::Units() const {
    return MacroUnits(actions_, count_);
}

void MacroEditor::ResetInsertion() {
    insertion_index_ = -1;
    insertion_start_ = -1;
}

void MacroEditor::LoadWorkingCopy() {
    ResetInsertion();
    std::memset(actions_, 0, sizeof(actions_));
    count_ = 0;
    selected_ = -1;
    if (const MacroInfo* macro = Current()) {
        count_ = std::clamp(macro->action_count, 0, kMaxMacroActions);
        std::memcpy(actions_, macro->actions, sizeof(actions_));
        selected_ = count_ - 1;
    }
}

void MacroEditor::SelectMacro(int index) {
    const bool valid = index >= 0 && index < static_cast<int>(list_.size());
    current_index_ = valid ? index : -1;
    LoadWorkingCopy();
}

int MacroEditor::AddMacro() {
    const MacroStore::Added added = store_.AddNewMacro(list_);
    if (!added.save.ok()) {
        platform::Trace("saving the macros failed: %s", added.save.detail.c_str());
    }
    const int index = static_cast<int>(list_.size()) - 1;
    SelectMacro(index);
    return index;
}

bool MacroEditor::DeleteMacro() {
    if (current_index_ < 0) {
        return false;
    }
    const int gone = current_index_;
    changes_.push_back({MacroListChange::Kind::kDeleted, ReadName(list_[gone]->name), {}});
    list_.erase(list_.begin() + gone);
    const FileStatus status = store_.SaveMacros(list_);
    if (!status.ok()) {
        platform::Trace("saving the macros failed: %s", status.detail.c_str());
    }
    SelectMacro(std::min(gone, static_cast<int>(list_.size()) - 1));
    return true;
}

MacroEditor::RenameResult MacroEditor::Rename(std::u16string_view typed) {
    if (current_index_ < 0) {
        return RenameResult::kRefused;
    }
    MacroInfo& macro = *list_[static_cast<std::size_t>(current_index_)];
    const std::u16string name = CutName(typed, kMacroNameUnits - 1);
    const std::u16string old_name = ReadName(macro.name);
    if (NamesEqualIgnoringCase(name, old_name)) {
        return RenameResult::kUnchanged;
    }
    if (name.empty() || ContainsName(list_, name)) {
        return RenameResult::kRefused;
    }
    WriteName(macro.name, name);
    changes_.push_back({MacroListChange::Kind::kRenamed, old_name, name});
    // The name is saved on its own: the actions stand as they were committed.
    const FileStatus status = store_.SaveMacros(list_);
    if (!status.ok()) {
        platform::Trace("saving the macros failed: %s", status.detail.c_str());
    }
    return RenameResult::kRenamed;
}

ImportedMacro MacroEditor::Import(const std::filesystem::path& path) {
    ImportedMacro imported = ImportMacro(path, list_, store_);
    if (imported.status.ok()) {
        SelectMacro(imported.index);
    }
    return imported;
}

FileStatus MacroEditor::Export(const std::filesystem::path& path) const {
    const MacroInfo* macro = Current();
    if (macro == nullptr) {
        return FileStatus::Failure(FileError::kCannotOpen, path, "no macro selected");
    }
    return ExportMacro(path, *macro);
}

void MacroEditor::SelectAction(int row) {
    selected_ = row >= 0 && row < count_ ? row : -1;
}

bool MacroEditor::InsertAction(const MacroAction& action) {
    if (count_ >= kMaxMacroActions) {
        return false;
    }
    // The insertion point may be left from a longer macro: never past the actions.
    const int at = insertion_index_ < 0 ? count_ : std::min(insertion_index_, count_);
    std::memmove(&actions_[at + 1], &actions_[at],
                 static_cast<std::size_t>(count_ - at) * sizeof(MacroAction));
    actions_[at] = action;
    ++count_;
    selected_ = at;
    if (insertion_index_ >= 0) {
        insertion_index_ = at + 1;
    }
    return true;
}

CommitResult MacroEditor::Commit() {
    if (current_index_ < 0) {
        return CommitResult::kNoMacro;
    }
    if (Units() > kMaxMacroUnits) {
        Revert();
        return CommitResult::kOverBudget;
    }
    MacroInfo& macro = *list_[static_cast<std::size_t>(current_index_)];
    std::memcpy(macro.actions, actions_, sizeof(actions_));
    macro.action_count = count_;
    const FileStatus status = store_.SaveMacrosInBackground(list_, [](const FileStatus& done) {
        if (!done.ok()) {
            platform::Trace("saving the macros failed: %s", done.detail.c_str());
        }
    });
    if (!status.ok()) {
        platform::Trace("saving the macros refused: %s", status.detail.c_str());
    }
    return CommitResult::kSaved;
}

std::optional<CommitResult> MacroEditor::Keep(int selected_before) {
    const CommitResult result = Commit();
    if (result == CommitResult::kOverBudget) {
        selected_ = std::min(selected_before, count_ - 1);
    }
    return result;
}

void MacroEditor::Revert() {
    const int keep = selected_;
    LoadWorkingCopy();
    selected_ = std::min(keep, count_ - 1);
}

std::optional<CommitResult> MacroEditor::InsertMove(int x, int y) {
    const int before = selected_;
    if (current_index_ < 0 || count_ >= kMaxMacroActions) {
        return std::nullopt;
    }
    insertion_index_ = selected_ >= 0 ? selected_ + 1 : -1;
    InsertAction(MakeAction(kCodeMove, ActionKind::kMove, kInsertDelay,
                            Clamp(x, -kMaxCoordinate, kMaxCoordinate),
                            Clamp(y, -kMaxCoordinate, kMaxCoordinate)));
    ResetInsertion();
    return Keep(before);
}

std::optional<CommitResult> MacroEditor::InsertClick(std::uint8_t code, int delay) {
    const int before = selected_;
    if (current_index_ < 0 || count_ + 2 > kMaxMacroActions || !IsMouseButton(code)) {
        return std::nullopt;
    }
    const int d = std::clamp(delay, kMinDelay, kMaxDelay);
    insertion_index_ = selected_ + 1;
    InsertAction(MakeAction(code, ActionKind::kPress, d));
    InsertAction(MakeAction(code, ActionKind::kRelease, d));
    ResetInsertion();
    return Keep(before);
}

std::optional<CommitResult> MacroEditor::MoveUp() {
    const int before = selected_;
    const int s = selected_;
    if (s < 1) {
        return std::nullopt;
    }
    std::swap(actions_[s], actions_[s - 1]);
    selected_ = s - 1;
    return Keep(before);
}

std::optional<CommitResult> MacroEditor::MoveDown() {
    const int before = selected_;
    const int s = selected_;
    if (s < 0 || s >= count_ - 1) {
        return std::nullopt;
    }
    std::swap(actions_[s], actions_[s + 1]);
    selected_ = s + 1;
    return Keep(before);
}

std::optional<CommitResult> MacroEditor::DeleteAction() {
    const int before = selected_;
    const int s = selected_;
    if (s < 0) {
        return std::nullopt;
    }
    std::memmove(&actions_[s], &actions_[s + 1],
                 static_cast<std::size_t>(count_ - s - 1) * sizeof(MacroAction));
    --count_;
    actions_[count_] = MacroAction{};
    selected_ = std::min(s, count_ - 1);
    ResetInsertion();
    return Keep(before);
}

std::optional<CommitResult> MacroEditor::Clear() {
    const int before = selected_;
    if (current_index_ < 0) {
        return std::nullopt;
    }
    std::memset(actions_, 0, sizeof(actions_));
    count_ = 0;
    selected_ = -1;
    ResetInsertion();
    return Keep(before);
}

std::optional<CommitResult> MacroEditor::SetCode(std::uint8_t code) {
    const int before = selected_;
    // A key without a key code would make an action that plays nothing.
    if (selected_ < 0 || code == 0) {
        return std::nullopt;
    }
    actions_[selected_].code = code;
    return Keep(before);
}

std::optional<CommitResult> MacroEditor::SetKeyDelay(long long typed) {
    const int before = selected_;
    // The last action's pause leads nowhere.
    if (selected_ < 0 || selected_ >= count_ - 1) {
        return std::nullopt;
    }
    actions_[selected_].delay = static_cast<std::uint16_t>(Clamp(typed, kMinKeyDelay, kMaxDelay));
    return Keep(before);
}

std::optional<CommitResult> MacroEditor::SetMoveDelay(long long typed) {
    const int before = selected_;
    if (selected_ < 0) {
        return std::nullopt;
    }
    actions_[selected_].delay = static_cast<std::uint16_t>(Clamp(typed, kMinDelay, kMaxDelay));
    return Keep(before);
}

std::optional<CommitResult> MacroEditor::SetMovement(long long x, long long y) {
    const int before = selected_;
    if (selected_ < 0) {
        return std::nullopt;
    }
    actions_[selected_].x = Clamp(x, -kMaxCoordinate, kMaxCoordinate);
    actions_[selected_].y = Clamp(y, -kMaxCoordinate, kMaxCoordinate);
    return Keep(before);
}

}  // namespace talvik::macro
