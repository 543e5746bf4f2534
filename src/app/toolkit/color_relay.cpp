#include "app/toolkit/color_relay.h"

#include "app/toolkit/window.h"

namespace talvik::toolkit {

ColorRelay::ColorRelay(Window* window, QWidget* control, NotifyType type, const QMetaMethod& signal)
    : QObject(window), window_(window), control_(control), type_(type) {
    const int slot = metaObject()->indexOfSlot("Fire()");
    QObject::connect(control, signal, this, metaObject()->method(slot));
}

void ColorRelay::Fire() {
    if (control_) {
        window_->Raise(type_, control_);
    }
}

}  // namespace talvik::toolkit
