// Recording the user's keys and mouse buttons into the editor's working copy.
#include <algorithm>
#include <cstring>
#include <map>

#include "macro/macro_editor.h"
#include "macro/macro_units.h"

namespace talvik::macro {

namespace {

// Messages of the hook for mouse buttons.
constexpr std::uintptr_t kLeftDown = 0x201;
constexpr std::uintptr_t kLeftUp = 0x202;
constexpr std::uintptr_t kRightDown = 0x204;
constexpr std::uintptr_t kRightUp = 0x205;
constexpr std::uintptr_t kMiddleDown = 0x207;
constexpr std::uintptr_t kMiddleUp = 0x208;
constexpr std::uintptr_t kExtraDown = 0x20B;
constexpr std::uintptr_t kExtraUp = 0x20C;

// Recording stops at this many units: the next event could need two more (its own and a longer
// pause of the action before it).
constexpr int kRecordingUnitLimit = kMaxMacroUnits - 1;

}  // namespace

std::optional<DecodedInput> DecodeHookInput(std::uintptr_t wparam, std::intptr_t lparam,
                                            const KeyMap& keys) {
    switch (wparam) {
        case kLeftDown:
        case kLeftUp:
            return DecodedInput{kCodeLeftButton, wparam == kLeftDown};
        case kRightDown:
        case kRightUp:
            return DecodedInput{kCodeRightButton, wparam == kRightDown};
        case kMiddleDown:
        case kMiddleUp:
            return DecodedInput{kCodeMiddleButton, wparam == kMiddleDown};
        case kExtraDown:
        case kExtraUp:
            if (lparam == 1 || lparam == 2) {
                return DecodedInput{lparam == 2 ? kCodeBackwardButton : kCodeForwardButton,
                                    wparam == kExtraDown};
            }
            break;
        default:
            break;
    }
    const std::optional<std::uint8_t> code =
        keys ? keys(static_cast<int>(wparam)) : std::optional<std::uint8_t>();
    if (!code || *code == 0) {
        return std::nullopt;
    }
    return DecodedInput{*code, lparam == 0};
}

int MacroEditor::SetDefaultDelay(long long typed) {
    default_delay_ = static_cast<int>(std::clamp<long long>(typed, kMinDelay, kMaxDelay));
    return default_delay_;
}

bool MacroEditor::StartRecording(std::uint32_t now_ms) {
    if (recording_) {
        return false;
    }
    bool added = false;
    if (current_index_ < 0) {
        AddMacro();
        added = true;
    }
    if (selected_ < 0) {
        // Recording replaces the actions.
        std::memset(actions_, 0, sizeof(actions_));
        count_ = 0;
        ResetInsertion();
        recorded_from_ = 0;
    } else {
        insertion_index_ = insertion_start_ = selected_ + 1;
        recorded_from_ = insertion_start_;
    }
    recorded_to_ = recorded_from_;
    recording_ = true;
    has_previous_ = true;
    // A held key of an earlier recording must not swallow this one's first event.
    last_event_.reset();
    last_tick_ = now_ms;
    return added;
}

MacroEditor::RecordResult MacroEditor::RecordEvent(std::uintptr_t wparam, std::intptr_t lparam,
                                                   std::uint32_t now_ms, const KeyMap& keys) {
    RecordResult result;
    if (!recording_) {
        return result;
    }
    // The hook repeats a held key: only its first press counts.
    const std::pair<std::uintptr_t, std::intptr_t> event{wparam, lparam};
    if (last_event_ == event) {
        return result;
    }
    last_event_ = event;
    if (Units() >= kRecordingUnitLimit) {
        result.stopped = StopRecording();
        return result;
    }
    const std::optional<DecodedInput> input = DecodeHookInput(wparam, lparam, keys);
    if (!input) {
        return result;
    }
    int delay = kMinDelay;
    if (has_previous_) {
        switch (delay_mode_) {
            case DelayMode::kRecorded:
                delay = static_cast<int>(
                    std::clamp<std::uint32_t>(now_ms - last_tick_, kMinDelay, kMaxDelay));
                break;
            case DelayMode::kDefault:
                delay = default_delay_;
                break;
            case DelayMode::kNone:
                break;
        }
    }
    // The pause just ended belongs to the action before the new one.
    int before = -1;
    if (insertion_index_ < 0) {
        before = count_ - 1;
    } else if (insertion_index_ == insertion_start_) {
        // First event of an insertion: the action that will follow it, or the selected one when
        // the insertion is at the end.
        before = insertion_index_ < count_ ? insertion_index_ : insertion_index_ - 1;
    } else {
        before = insertion_index_ - 1;
    }
    if (before >= 0 && before < count_) {
        actions_[before].delay = static_cast<std::uint16_t>(delay);
    }
    MacroAction action{};
    action.code = input->code;
    action.kind =
        static_cast<std::uint8_t>(input->pressed ? ActionKind::kPress : ActionKind::kRelease);
    action.delay = kMinDelay;  // becomes the measured pause when the next event arrives
    if (!InsertAction(action)) {
        result.stopped = StopRecording();
        return result;
    }
    ++recorded_to_;
    result.recorded = true;
    last_tick_ = now_ms;
    has_previous_ = true;
    if (count_ >= kMaxMacroActions) {
        result.stopped = StopRecording();
    }
    return result;
}

CommitResult MacroEditor::StopRecording() {
    if (!recording_) {
        return CommitResult::kNoMacro;
    }
    recording_ = false;
    has_previous_ = false;
    last_tick_ = 0;
    CloseUnmatchedPresses();
    ResetInsertion();
    selected_ = count_ > 0 ? std::clamp(recorded_to_ - 1, 0, count_ - 1) : -1;
    return Commit();
}

// A press whose release was not recorded (the macro filled up, or a key was still held at the
// stop) would leave the key down when the mouse plays the macro: it gets its release right after
// the recording when the budget allows, and is dropped when it does not.
void MacroEditor::CloseUnmatchedPresses() {
    for (;;) {
        std::map<std::uint8_t, std::vector<int>> open;
        for (int i = recorded_from_; i < recorded_to_; ++i) {
            const MacroAction& a = actions_[i];
            if (a.kind == static_cast<std::uint8_t>(ActionKind::kPress)) {
                open[a.code].push_back(i);
            } else if (a.kind == static_cast<std::uint8_t>(ActionKind::kRelease) &&
                       !open[a.code].empty()) {
                open[a.code].pop_back();
            }
        }
        int latest = -1;
        for (const auto& [code, presses] : open) {
            if (!presses.empty()) {
                latest = std::max(latest, presses.back());
            }
        }
        if (latest < 0) {
            return;
        }
        // A release with the shortest pause takes one unit.
        if (count_ < kMaxMacroActions && Units() + 1 <= kMaxMacroUnits) {
            MacroAction release{};
            release.code = actions_[latest].code;
            release.kind = static_cast<std::uint8_t>(ActionKind::kRelease);
            release.delay = kMinDelay;
            insertion_index_ = recorded_to_;
            InsertAction(release);
            ++recorded_to_;
        } else {
            std::memmove(&actions_[latest], &actions_[latest + 1],
                         static_cast<std::size_t>(count_ - latest - 1) * sizeof(MacroAction));
            --count_;
            actions_[count_] = MacroAction{};
            --recorded_to_;
        }
    }
}

}  // namespace talvik::macro
