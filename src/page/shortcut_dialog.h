#pragma once

#include <array>
#include <memory>

#include "app/toolkit/window.h"
#include "macro/text_lookup.h"
#include "page/button_dialogs.h"
#include "page/input_capture.h"
#include "platform/keyboard_layout.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace talvik::page {

// The key-combination dialog: four modifier boxes and a key field that takes the next key
// pressed while it has the focus. Closes with 1 for OK, 0 otherwise; it stores nothing itself.
class ShortcutDialog : public toolkit::Window {
    Q_OBJECT
public:
    // `capture` may lack key capture (no main window); the field then keeps its key.
    ShortcutDialog(toolkit::Toolkit& toolkit, KeyCombination initial, const InputCapture& capture,
                   const macro::TextLookup& texts);
    ~ShortcutDialog() override;

    QString ClassName() const override { return QStringLiteral("ShortcutWnd"); }
    QString LayoutFile() const override { return QStringLiteral("shortcut.xml"); }

    KeyCombination Value() const { return value_; }

protected:
    void BindControls() override;
    void OnInit() override;
    void Notify(const toolkit::Notification& notification) override;

private:
    void ShowKey();

    KeyCombination value_;
    InputCapture capture_;
    const macro::TextLookup& texts_;
    std::array<QCheckBox*, 4> flags_{};
    QLineEdit* edit_key_ = nullptr;
    QPushButton* btn_ok_ = nullptr;
    QPushButton* btn_cancel_ = nullptr;
    QPushButton* btn_exit_ = nullptr;
};

}  // namespace talvik::page
