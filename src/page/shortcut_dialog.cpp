#include "page/shortcut_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/toolkit/toolkit.h"
#include "macro/key_codes.h"
#include "page/key_capture.h"
#include "page/key_name_layout.h"
#include "platform/trace.h"

namespace talvik::page {

ShortcutDialog::ShortcutDialog(toolkit::Toolkit& toolkit, KeyCombination initial,
                               const InputCapture& capture, const macro::TextLookup& texts)
    : toolkit::Window(toolkit), value_(initial), capture_(capture), texts_(texts) {}

ShortcutDialog::~ShortcutDialog() {
    // Ends a capture still running; the field is gone when the owner went first.
    if (capture_.keys != nullptr && Widget() != nullptr && edit_key_ != nullptr) {
        capture_.keys->Detach(edit_key_);
    }
}

void ShortcutDialog::BindControls() {
    for (int n = 1; n <= static_cast<int>(flags_.size()); ++n) {
        Bind(flags_[n - 1], QStringLiteral("check_flag_%1").arg(n));
    }
    Bind(edit_key_, QStringLiteral("edit_key"));
    Bind(btn_ok_, QStringLiteral("btn_ok"));
    Bind(btn_cancel_, QStringLiteral("btn_cancel"));
    Bind(btn_exit_, QStringLiteral("btn_exit"));
}

void ShortcutDialog::OnInit() {
    for (std::size_t i = 0; i < flags_.size(); ++i) {
        flags_[i]->setChecked((value_.modifiers >> i) & 1);
    }
    ShowKey();
    if (capture_.keys != nullptr) {
        capture_.keys->Attach(edit_key_, [this](const KeyCapture::Key& key) {
            platform::Trace("%x,%x\n", key.virtual_key, key.pressed ? 0 : 1);
            // Press and release both count; a key without a row clears the field.
            value_.key_code = key.key_code.value_or(0);
            platform::Trace("iUsageID=%d\n", value_.key_code);
            ShowKey();
        });
    }
    btn_ok_->setFocus();  // the field captures only once the user picks it
}

void ShortcutDialog::ShowKey() {
    const std::string name =
        macro::KeyCodeName(value_.key_code, *KeyNameLayout(capture_.layout), texts_);
    edit_key_->setText(QString::fromStdString(name));
}

void ShortcutDialog::Notify(const toolkit::Notification& n) {
    if (n.type == toolkit::NotifyType::kCheckClick) {
        for (std::size_t i = 0; i < flags_.size(); ++i) {
            if (n.sender == flags_[i]) {
                const auto bit = static_cast<std::uint8_t>(1u << i);
                value_.modifiers = static_cast<std::uint8_t>(
                    flags_[i]->isChecked() ? value_.modifiers | bit : value_.modifiers & ~bit);
            }
        }
        return;
    }
    if (n.type != toolkit::NotifyType::kClick) {
        return;
    }
    if (n.sender == btn_ok_) {
        Close(1);
    } else if (n.sender == btn_cancel_ || n.sender == btn_exit_) {
        Close(0);
    }
}

}  // namespace talvik::page
