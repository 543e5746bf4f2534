#pragma once

#include <QString>
#include <cstdint>

namespace talvik::toolkit {

// The chosen item of a pop-up menu, delivered as WM_MS5_MENU_CLICK with wparam pointing at it.
// The record belongs to the message: it is valid while HandleCustomMessage runs and freed
// after it (or with the message, when the window dies first). Copy what you keep.
struct MenuCommand {
    static constexpr int kMaxName = 256;
    static constexpr int kMaxUserData = 1024;
    static constexpr int kMaxText = 1024;

    QString name;
    QString user_data;
    QString text;
};

// The record of a WM_MS5_MENU_CLICK message, or null for a wparam of 0.
inline const MenuCommand* MenuCommandFromWParam(uintptr_t wparam) {
    return reinterpret_cast<const MenuCommand*>(wparam);
}

}  // namespace talvik::toolkit
