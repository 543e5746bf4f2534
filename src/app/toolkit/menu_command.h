#pragma once

#include <QString>
#include <cstdint>

namespace talvik::toolkit {

// The chosen item of a pop-up menu, delivered as WM_MS5_MENU_CLICK with wparam naming it. The
// record belongs to the message: Window::DeliveredMenuCommand gives it while HandleCustomMessage
// runs; it is freed after that (or with the message, when the window dies first). Copy what you
// keep.
struct MenuCommand {
    static constexpr int kMaxName = 256;

    QString name;
};

}  // namespace talvik::toolkit
