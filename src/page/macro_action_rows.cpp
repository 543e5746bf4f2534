#include "page/macro_action_rows.h"

#include <QLabel>
#include <QListWidget>
#include <cstring>

#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"
#include "macro/key_codes.h"

namespace talvik::page {

namespace {

constexpr int kRowHeight = 30;
const QString kRowLayout = QStringLiteral("keylistitem.xml");

bool IsMouseButton(std::uint8_t code) {
    return code >= macro::kCodeLeftButton && code <= macro::kCodeForwardButton;
}

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

void SetText(QWidget* row, const char* name, const QString& text) {
    if (auto* label = toolkit::Window::FindIn<QLabel>(row, QString::fromLatin1(name))) {
        label->setText(text);
    }
}

void SetIcon(QWidget* row, const char* name, const QPixmap& icon) {
    if (auto* label = toolkit::Window::FindIn<QLabel>(row, QString::fromLatin1(name))) {
        label->setPixmap(icon);
    }
}

}  // namespace

MacroActionRows::MacroActionRows(toolkit::Window& window, QListWidget* list,
                                 const macro::TextLookup& texts)
    : window_(window), list_(list), texts_(texts) {
    // Sizes of the icons' places in a row.
    mouse_icon_ = Icon("skins/mouse.png", 26, 26);
    key_icon_ = Icon("skins/keyboard_key_action.png", 30, 18);
    move_icon_ = Icon("skins/move.png", 26, 26);
    press_icon_ = Icon("skins/macro_key_down.png", 16, 18);
    release_icon_ = Icon("skins/macro_key_up.png", 16, 18);
    press_text_ = FromUtf8(texts_.Text("key_down_action"));
    release_text_ = FromUtf8(texts_.Text("key_up_action"));
    move_text_ = FromUtf8(texts_.Text("mouse_move_text"));
}

QPixmap MacroActionRows::Icon(const char* file, int width, int height) const {
    const QPixmap pixmap(window_.toolkit().ResourcePath(QString::fromLatin1(file)));
    if (pixmap.isNull()) {
        return pixmap;
    }
    return pixmap.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QString MacroActionRows::KeyName(std::uint8_t code, const platform::KeyboardLayout* layout) const {
    if (layout == nullptr) {
        return {};
    }
    return FromUtf8(macro::KeyCodeName(code, *layout, texts_));
}

void MacroActionRows::Fill(Row& row, const macro::MacroAction& a,
                           const platform::KeyboardLayout* layout) {
    if (row.valid && std::memcmp(&row.shown, &a, sizeof(a)) == 0) {
        return;
    }
    QWidget* w = row.widget;
    if (!row.valid || row.shown.code != a.code || row.shown.kind != a.kind) {
        const bool move = a.kind == static_cast<std::uint8_t>(macro::ActionKind::kMove);
        const QString key = move ? move_text_ : KeyName(a.code, layout);
        SetText(w, "key", key);
        if (auto* label = toolkit::Window::FindIn<QLabel>(w, QStringLiteral("key"))) {
            label->setToolTip(key);
        }
        SetIcon(w, "key_icon", move ? move_icon_ : IsMouseButton(a.code) ? mouse_icon_ : key_icon_);
        if (move) {
            SetIcon(w, "action_icon", QPixmap());
        } else {
            const bool press = a.kind == static_cast<std::uint8_t>(macro::ActionKind::kPress);
            SetText(w, "action", press ? press_text_ : release_text_);
            SetIcon(w, "action_icon", press ? press_icon_ : release_icon_);
        }
    }
    if (a.kind == static_cast<std::uint8_t>(macro::ActionKind::kMove)) {
        SetText(w, "action", QStringLiteral("X: %1 Y: %2").arg(a.x).arg(a.y));
    }
    SetText(w, "delay", QString::number(a.delay));
    row.shown = a;
    row.valid = true;
}

void MacroActionRows::Show(std::span<const macro::MacroAction> actions, int selected,
                           const platform::KeyboardLayout* layout) {
    if (list_ == nullptr) {
        return;
    }
    list_->setUpdatesEnabled(false);
    while (rows_.size() > actions.size()) {
        delete list_->takeItem(list_->count() - 1);
        rows_.pop_back();
    }
    while (rows_.size() < actions.size()) {
        QWidget* widget = window_.AddRow(list_, kRowLayout);
        if (widget == nullptr) {
            break;
        }
        // Clicks go through the row to the list, which selects it.
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
        list_->item(list_->count() - 1)->setSizeHint(QSize(0, kRowHeight));
        rows_.push_back(Row{widget});
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        Fill(rows_[i], actions[i], layout);
    }
    list_->setUpdatesEnabled(true);
    if (selected >= 0 && selected < list_->count()) {
        list_->setCurrentRow(selected);
        list_->scrollToItem(list_->item(selected));
    } else {
        list_->setCurrentRow(-1);
        list_->clearSelection();
    }
}

}  // namespace talvik::page
