#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "macro/macro_files.h"
#include "macro/macro_record.h"
#include "macro/macro_store.h"

namespace talvik::macro {

// Delays of the editor's inserts and of recording.
inline constexpr int kMinDelay = 1;
inline constexpr int kMinKeyDelay = 10;
inline constexpr int kMaxDelay = 25000;
inline constexpr int kInsertDelay = 10;
inline constexpr int kMaxCoordinate = 999;

// Where a kept edit went.
enum class CommitResult {
    kSaved,       // in the list, and the store is being written
    kNoMacro,     // no macro is selected: nothing to keep
    kOverBudget,  // the macro would not fit the mouse: the edit was undone
};

// A change of the list that button assignments holding a macro by name must follow.
struct MacroListChange {
    enum class Kind { kRenamed, kDeleted };
    Kind kind;
    std::u16string old_name;
    std::u16string new_name;  // kRenamed only
};

// How recording fills the pause after each action.
enum class DelayMode { kRecorded = 0, kDefault = 1, kNone = 2 };

// The virtual key's key code, nothing when the key has none (the program passes the active
// keyboard layout's VirtualKeyToKeyCode).
using KeyMap = std::function<std::optional<std::uint8_t>(int virtual_key)>;

// An input event of the hook (WM_MS5_HOOK_INPUT) decoded into what an action stores.
struct DecodedInput {
    std::uint8_t code;
    bool pressed;
};
// Nothing for a key without a key code.
std::optional<DecodedInput> DecodeHookInput(std::uintptr_t wparam, std::intptr_t lparam,
                                            const KeyMap& keys);

// The macro editor's rules: a working copy of the selected macro's actions that every change is
// committed from at once, within the mouse's unit budget, and recording into it. No widgets: the
// window shows what this holds. UI thread only.
class MacroEditor {
public:
    // `list` and `store` outlive the editor; `store` writes `list` after every kept change.
    MacroEditor(MacroList& list, MacroStore& store);

    const MacroList& List() const { return list_; }
    int CurrentIndex() const { return current_index_; }
    const MacroInfo* Current() const;
    // What happened to macro names while the editor was open, in order.
    const std::vector<MacroListChange>& Changes() const { return changes_; }

    // Makes list[index] the current macro with its last action selected; out of range: none.
    void SelectMacro(int index);
    // Appends an empty macro with the next free default name and selects it; its index.
    int AddMacro();
    // Removes the current macro; the one after it (else the one before) becomes current.
    bool DeleteMacro();
    enum class RenameResult { kRenamed, kUnchanged, kRefused };
    // Cut to 23 characters. Refused: no current macro, an empty name, or one another macro has
    // (any letter case); a change of letter case only is no change.
    RenameResult Rename(std::u16string_view name);
    // Appends the macro of a file (numbered when its name is taken) and selects it.
    ImportedMacro Import(const std::filesystem::path& path);
    // Writes the current macro as it stands in the list.
    FileStatus Export(const std::filesystem::path& path) const;

    // The working copy.
    int Count() const { return count_; }
    std::span<const MacroAction> Actions() const { return {actions_, std::size_t(count_)}; }
    int Units() const;
    int SelectedAction() const { return selected_; }
    // -1 or a row of the working copy; anything else selects nothing.
    void SelectAction(int row);

    // Each edit returns nothing when it changed nothing, else where the change went.
    // A movement goes after the selected action, or to the end when none is selected.
    std::optional<CommitResult> InsertMove(int x, int y);
    // A press and a release of a mouse button (0xF1..0xF5) after the selected action, or at the
    // start when none is selected.
    std::optional<CommitResult> InsertClick(std::uint8_t code, int delay);
    std::optional<CommitResult> MoveUp();
    std::optional<CommitResult> MoveDown();
    std::optional<CommitResult> DeleteAction();
    std::optional<CommitResult> Clear();
    // The selected action's key (a key code from capture) or mouse button.
    std::optional<CommitResult> SetCode(std::uint8_t code);
    // Delay typed for a key or mouse-button action (10..25,000; not the last action) or for a
    // movement (1..25,000, the last included).
    std::optional<CommitResult> SetKeyDelay(long long typed);
    std::optional<CommitResult> SetMoveDelay(long long typed);
    // Coordinates of the selected movement, kept within -999..999.
    std::optional<CommitResult> SetMovement(long long x, long long y);
    // Throws the working copy away and reloads the current macro, keeping the selected row.
    void Revert();

    // Recording (macro_recording.cpp).
    DelayMode GetDelayMode() const { return delay_mode_; }
    void SetDelayMode(DelayMode mode) { delay_mode_ = mode; }
    int DefaultDelay() const { return default_delay_; }
    // Keeps the typed default delay within 1..25,000 and returns what was kept.
    int SetDefaultDelay(long long typed);
    bool Recording() const { return recording_; }
    // Recording replaces the actions when none is selected, else inserts after the selected
    // one. Adds a macro first when none is current (true then).
    bool StartRecording(std::uint32_t now_ms);
    struct RecordResult {
        bool recorded = false;                // an action was added
        std::optional<CommitResult> stopped;  // recording ended (full macro) and was committed
    };
    RecordResult RecordEvent(std::uintptr_t wparam, std::intptr_t lparam, std::uint32_t now_ms,
                             const KeyMap& keys);
    // Ends recording: presses left without their release get one where the budget allows and
    // are dropped where it does not; then the recording is committed.
    CommitResult StopRecording();

private:
    void LoadWorkingCopy();
    void ResetInsertion();
    // Stores the action at the insertion point (or the end) and moves the point on.
    bool InsertAction(const MacroAction& action);
    CommitResult Commit();
    // Commits an edit; an edit undone for the budget leaves the selection as it was before.
    std::optional<CommitResult> Keep(int selected_before);
    void CloseUnmatchedPresses();

    MacroList& list_;
    MacroStore& store_;
    std::vector<MacroListChange> changes_;
    int current_index_ = -1;
    MacroAction actions_[kMaxMacroActions] = {};
    int count_ = 0;
    int selected_ = -1;
    int insertion_index_ = -1;  // -1: at the end
    int insertion_start_ = -1;

    DelayMode delay_mode_ = DelayMode::kDefault;
    int default_delay_ = kInsertDelay;
    bool recording_ = false;
    bool has_previous_ = false;
    std::uint32_t last_tick_ = 0;
    std::optional<std::pair<std::uintptr_t, std::intptr_t>> last_event_;
    int recorded_from_ = 0;  // first row of this recording
    int recorded_to_ = 0;    // row after its last action
};

}  // namespace talvik::macro
