#pragma once

#include <QObject>
#include <QPixmap>
#include <QString>
#include <memory>
#include <span>
#include <vector>

#include "macro/macro_record.h"
#include "macro/text_lookup.h"

class QListWidget;
class QListWidgetItem;
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
// delay. Only the rows in view have widgets; rows are kept and reused, and a row is rewritten
// only when its action changed, so a long macro opens at once and recording into it does not
// rebuild the list on every event. UI thread.
class MacroActionRows : public QObject {
public:
    MacroActionRows(toolkit::Window& window, QListWidget* list, const macro::TextLookup& texts);

    // Shows `actions` and selects `selected` (-1: none), scrolled into view.
    void Show(std::span<const macro::MacroAction> actions, int selected,
              std::shared_ptr<const platform::KeyboardLayout> layout);
    // The name shown for a key or mouse-button code.
    QString KeyName(std::uint8_t code, const platform::KeyboardLayout* layout) const;

private:
    struct Row {
        QWidget* widget = nullptr;
        macro::MacroAction shown{};
        bool valid = false;
    };
    QWidget* NewRow(QListWidgetItem* item);
    void Fill(Row& row, const macro::MacroAction& action);
    void ShowVisibleRows();
    bool eventFilter(QObject* watched, QEvent* event) override;
    QPixmap Icon(const char* file, int width, int height) const;

    toolkit::Window& window_;
    QListWidget* list_;
    const macro::TextLookup& texts_;
    std::vector<Row> rows_;
    std::vector<macro::MacroAction> actions_;
    std::shared_ptr<const platform::KeyboardLayout> layout_;  // names the keys of rows in view
    std::unique_ptr<QWidget> row_template_;
    bool template_loaded_ = false;
    bool cloneable_ = false;
    QPixmap mouse_icon_, key_icon_, move_icon_, press_icon_, release_icon_;
    QString press_text_, release_text_, move_text_;
};

}  // namespace talvik::page
