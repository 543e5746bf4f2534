#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <cstdint>
#include <memory>

namespace talvik::toolkit {

class Window;

// The notification-area icon. Clicks reach the owner as a posted message (by default
// WM_MS5_TRAYICON) with the mouse message in lparam: left button up 0x202, right button up
// 0x205. Without a system tray (no notification area, offscreen) nothing is shown and the
// program goes on.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr intptr_t kLeftButtonUp = 0x202;
    static constexpr intptr_t kLeftButtonDoubleClick = 0x203;
    static constexpr intptr_t kRightButtonUp = 0x205;
    static constexpr intptr_t kMiddleButtonUp = 0x208;

    TrayIcon(Window& owner, const QIcon& icon, const QString& tool_tip, uint32_t message);
    ~TrayIcon() override;

    void SetToolTip(const QString& tool_tip);
    // The Qt icon, also when no tray exists (it is then never shown).
    QSystemTrayIcon* Native() const { return icon_.get(); }

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    QPointer<Window> owner_;
    uint32_t message_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace talvik::toolkit
