#pragma once

#include <QString>
#include <functional>

#include "page/power_listener.h"

namespace talvik::toolkit {
class Toolkit;
}  // namespace talvik::toolkit

namespace talvik::platform {
class DesktopNotifier;
}  // namespace talvik::platform

namespace talvik::app {

// The mouse's link and battery where the user looks: the tray icon's tool tip follows every
// report, and a low battery raises one desktop notification per discharge. UI thread only.
class TrayStatus final : public page::PowerListener {
public:
    // At or below this level, on the battery, the user is told once.
    static constexpr int kLowBattery = 15;

    using ToolTipSink = std::function<void(const QString& text)>;

    // Texts come from the toolkit's current language; `notifier` may be null (no notifications).
    TrayStatus(const toolkit::Toolkit& toolkit, ToolTipSink tool_tip,
               platform::DesktopNotifier* notifier);

    void PowerChanged(const page::PowerState& state) override;
    // The language changed: the tool tip in the new one.
    void Retranslate();

    QString ToolTip() const;

private:
    QString LinkName() const;

    const toolkit::Toolkit& toolkit_;
    ToolTipSink tool_tip_;
    platform::DesktopNotifier* notifier_;
    page::PowerState state_;
    // A low level may be told; cleared once told, set again by charging.
    bool low_warning_armed_ = true;
};

}  // namespace talvik::app
