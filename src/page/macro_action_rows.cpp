#include "page/macro_action_rows.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <algorithm>
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

void CopyGeometry(const QWidget& from, QWidget& to) {
    to.setObjectName(from.objectName());
    to.setMinimumSize(from.minimumSize());
    to.setMaximumSize(from.maximumSize());
    to.setSizePolicy(from.sizePolicy());
}

}  // namespace

// The row layout is read once; further rows are built from it by code, since reading a layout
// file for each of 190 rows is what a user would notice. A layout that holds more than labels in
// one box is read for every row.
QWidget* MacroActionRows::NewRow(QListWidgetItem* item) {
    if (!template_loaded_) {
        template_loaded_ = true;
        row_template_ = window_.toolkit().LoadLayout(kRowLayout);
        auto* box = row_template_ ? qobject_cast<QBoxLayout*>(row_template_->layout()) : nullptr;
        cloneable_ = box != nullptr;
        for (int i = 0; cloneable_ && i < box->count(); ++i) {
            cloneable_ = qobject_cast<QLabel*>(box->itemAt(i)->widget()) != nullptr;
        }
    }
    if (!cloneable_) {
        std::unique_ptr<QWidget> loaded = window_.toolkit().LoadLayout(kRowLayout);
        if (!loaded) {
            return nullptr;
        }
        QWidget* row = loaded.release();
        list_->setItemWidget(item, row);
        window_.Attach(row);
        return row;
    }
    auto* from = static_cast<QBoxLayout*>(row_template_->layout());
    auto* row = new QWidget;
    CopyGeometry(*row_template_, *row);
    auto* box = new QBoxLayout(from->direction(), row);
    box->setContentsMargins(from->contentsMargins());
    box->setSpacing(from->spacing());
    for (int i = 0; i < from->count(); ++i) {
        const auto* source = static_cast<const QLabel*>(from->itemAt(i)->widget());
        auto* label = new QLabel(row);
        CopyGeometry(*source, *label);
        label->setAlignment(source->alignment());
        box->addWidget(label, from->stretch(i));
    }
    list_->setItemWidget(item, row);
    return row;
}

MacroActionRows::MacroActionRows(toolkit::Window& window, QListWidget* list,
                                 const macro::TextLookup& texts)
    : window_(window), list_(list), texts_(texts) {
    if (list_ != nullptr) {
        list_->viewport()->installEventFilter(this);
        connect(list_->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this] { ShowVisibleRows(); });
    }
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

void MacroActionRows::Fill(Row& row, const macro::MacroAction& a) {
    if (row.valid && std::memcmp(&row.shown, &a, sizeof(a)) == 0) {
        return;
    }
    QWidget* w = row.widget;
    if (!row.valid || row.shown.code != a.code || row.shown.kind != a.kind) {
        const bool move = a.kind == static_cast<std::uint8_t>(macro::ActionKind::kMove);
        const QString key = move ? move_text_ : KeyName(a.code, layout_.get());
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
                           std::shared_ptr<const platform::KeyboardLayout> layout) {
    if (list_ == nullptr) {
        return;
    }
    layout_ = std::move(layout);
    actions_.assign(actions.begin(), actions.end());
    list_->setUpdatesEnabled(false);
    while (rows_.size() > actions_.size()) {
        delete list_->takeItem(list_->count() - 1);
        rows_.pop_back();
    }
    while (rows_.size() < actions_.size()) {
        auto* item = new QListWidgetItem(list_);
        item->setSizeHint(QSize(0, kRowHeight));
        rows_.emplace_back();
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].widget != nullptr) {
            Fill(rows_[i], actions_[i]);
        }
    }
    if (selected >= 0 && selected < list_->count()) {
        list_->setCurrentRow(selected);
        list_->scrollToItem(list_->item(selected));
    } else {
        list_->setCurrentRow(-1);
        list_->clearSelection();
    }
    ShowVisibleRows();
    list_->setUpdatesEnabled(true);
}

// Only the rows in view get their widgets; the others get them when they are scrolled to.
void MacroActionRows::ShowVisibleRows() {
    if (list_ == nullptr || rows_.empty()) {
        return;
    }
    const QRect view = list_->viewport()->rect();
    int first = list_->indexAt(view.topLeft()).row();
    int last = list_->indexAt(QPoint(0, view.bottom())).row();
    if (first < 0) {
        first = 0;
    }
    if (last < 0) {
        last = static_cast<int>(rows_.size()) - 1;
    }
    // A screen's worth of rows more, so scrolling a little shows no empty rows.
    const int extra = std::max(1, last - first + 1);
    first = std::max(0, first - extra);
    last = std::min(static_cast<int>(rows_.size()) - 1, last + extra);
    for (int i = first; i <= last; ++i) {
        Row& row = rows_[static_cast<std::size_t>(i)];
        if (row.widget == nullptr) {
            row.widget = NewRow(list_->item(i));
            if (row.widget == nullptr) {
                return;
            }
            // Clicks go through the row to the list, which selects it.
            row.widget->setAttribute(Qt::WA_TransparentForMouseEvents);
            Fill(row, actions_[static_cast<std::size_t>(i)]);
        }
    }
}

bool MacroActionRows::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
        ShowVisibleRows();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace talvik::page
