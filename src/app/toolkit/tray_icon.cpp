#include "app/toolkit/tray_icon.h"

#include "app/toolkit/window.h"
#include "platform/trace.h"

namespace talvik::toolkit {

TrayIcon::TrayIcon(Window& owner, const QIcon& icon, const QString& tool_tip, uint32_t message)
    : owner_(&owner), message_(message), icon_(std::make_unique<QSystemTrayIcon>(icon)) {
    icon_->setToolTip(tool_tip);
    connect(icon_.get(), &QSystemTrayIcon::activated, this, &TrayIcon::OnActivated);
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        icon_->show();
    } else {
        platform::Trace("no system tray; tray icon not shown\n");
    }
}

TrayIcon::~TrayIcon() {
    if (icon_->isVisible()) {
        icon_->hide();
    }
}

void TrayIcon::SetToolTip(const QString& tool_tip) {
    icon_->setToolTip(tool_tip);
}

void TrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    if (!owner_) {
        return;
    }
    intptr_t mouse_message = 0;
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            mouse_message = kLeftButtonUp;
            break;
        case QSystemTrayIcon::DoubleClick:
            mouse_message = kLeftButtonDoubleClick;
            break;
        case QSystemTrayIcon::Context:
            mouse_message = kRightButtonUp;
            break;
        case QSystemTrayIcon::MiddleClick:
            mouse_message = kMiddleButtonUp;
            break;
        case QSystemTrayIcon::Unknown:
            return;
    }
    owner_->Post(message_, 0, mouse_message);
}

}  // namespace talvik::toolkit
