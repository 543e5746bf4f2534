#pragma once

#include <QPixmap>
#include <QString>
#include <span>
#include <vector>

#include "macro/macro_record.h"
#include "macro/text_lookup.h"

class QListWidget;
class QWidget;

namespace talvik::platform {
class KeyboardLayout;
}  // namespace talvik::platform

namespace talvik::toolkit {
class Window;
}  // namespace talvik::toolkit

namespace talvik::page {

// The action list of the macro editor: one row per action, built from "keylistitem.xml", with
// the key (icon and name), the action (press or release icon and text, or the movement) and the
// delay. Rows are kept and reused, and a row is rewritten only when its action changed, so
// recording into a long macro does not rebuild the list on every event. UI thread.
class MacroActionRows {
public:
    MacroActionRows(toolkit::Window& window, QListWidget* list, const macro::TextLookup& texts);

    // Shows `actions` and selects `selected` (-1: none), scrolled into view.
    void Show(std::span<const macro::MacroAction> actions, int selected,
              const platform::KeyboardLayout* layout);
    // The name shown for a key or mouse-button code.
    QString KeyName(std::uint8_t code, const platform::KeyboardLayout* layout) const;

private:
    struct Row {
        QWidget* widget = nullptr;
        macro::MacroAction shown{};
        bool valid = false;
    };
    void Fill(Row& row, const macro::MacroAction& action, const platform::KeyboardLayout* layout);
    QPixmap Icon(const char* file, int width, int height) const;

    toolkit::Window& window_;
    QListWidget* list_;
    const macro::TextLookup& texts_;
    std::vector<Row> rows_;
    QPixmap mouse_icon_, key_icon_, move_icon_, press_icon_, release_icon_;
    QString press_text_, release_text_, move_text_;
};

}  // namespace talvik::page
