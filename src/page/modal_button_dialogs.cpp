#include "page/modal_button_dialogs.h"

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWidget>

#include "app/toolkit/popup_menu.h"
#include "app/toolkit/window.h"
#include "page/menu_placement.h"
#include "page/select_macro_dialog.h"
#include "page/shortcut_dialog.h"
#include "platform/trace.h"

namespace talvik::page {

namespace {

const QString kFunctionMenuFile = QStringLiteral("ms_5_menu.xml");

}  // namespace

ModalButtonDialogs::ModalButtonDialogs(toolkit::Window& owner, const InputCapture& capture,
                                       const macro::TextLookup& texts)
    : owner_(owner), capture_(capture), texts_(texts) {}

ModalButtonDialogs::~ModalButtonDialogs() = default;

void ModalButtonDialogs::OpenFunctionMenu(std::string_view button) {
    menu_.reset();  // one menu at a time
    QWidget* anchor = owner_.Find<QWidget>(
        QString::fromUtf8(button.data(), static_cast<qsizetype>(button.size())));
    if (anchor == nullptr) {
        return;
    }
    auto menu = std::make_unique<toolkit::PopupMenu>(owner_);
    if (!menu->Load(kFunctionMenuFile)) {
        return;
    }
    QScreen* screen = anchor->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    const QRect button_rect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    menu->Menu()->ensurePolished();
    const QSize size = menu->Menu()->sizeHint();
    menu->Open(area.isEmpty() ? button_rect.topRight() + QPoint(1, 0)
                              : FunctionMenuPosition(button_rect, size, area));
    menu_ = std::move(menu);
}

std::optional<KeyCombination> ModalButtonDialogs::AskKeyCombination(KeyCombination initial) {
    ShortcutDialog dialog(owner_.toolkit(), initial, capture_, texts_);
    if (!dialog.Create(&owner_)) {
        platform::Trace("key combination dialog: %s", qPrintable(dialog.LoadError()));
        return std::nullopt;
    }
    dialog.CenterWindow();
    if (dialog.ShowModal() != 1) {
        return std::nullopt;
    }
    return dialog.Value();
}

std::optional<MacroSelection> ModalButtonDialogs::SelectMacro(const macro::MacroList& macros,
                                                              MacroSelection initial) {
    SelectMacroDialog dialog(owner_.toolkit(), macros, initial);
    if (!dialog.Create(&owner_)) {
        platform::Trace("macro selection dialog: %s", qPrintable(dialog.LoadError()));
        return std::nullopt;
    }
    dialog.CenterWindow();
    if (dialog.ShowModal() != 1) {
        return std::nullopt;
    }
    return dialog.Value();
}

}  // namespace talvik::page
