#include "app/tray_status.h"

#include "app/toolkit/toolkit.h"
#include "platform/desktop_notifier.h"

namespace talvik::app {

namespace {

using Source = page::PowerState::Source;

// The themed icon the package installs, also the desktop file's name.
const QString kIconName = QStringLiteral("talvik-mouse");

}  // namespace

TrayStatus::TrayStatus(const toolkit::Toolkit& toolkit, ToolTipSink tool_tip,
                       platform::DesktopNotifier* notifier)
    : toolkit_(toolkit), tool_tip_(std::move(tool_tip)), notifier_(notifier) {}

void TrayStatus::PowerChanged(const page::PowerState& state) {
    state_ = state;
    if (state.source == Source::kCharging || state.source == Source::kFull) {
        low_warning_armed_ = true;
    }
    tool_tip_(ToolTip());
    if (state.source == Source::kBattery && state.level && *state.level <= kLowBattery &&
        low_warning_armed_) {
        low_warning_armed_ = false;
        if (notifier_ != nullptr) {
            notifier_->Notify(
                toolkit_.Text(QStringLiteral("mouse_name_text")), kIconName,
                toolkit_.Text(QStringLiteral("battery_low_title_text")),
                toolkit_.Text(QStringLiteral("battery_low_body_text")).arg(*state.level));
        }
    }
}

void TrayStatus::Retranslate() {
    tool_tip_(ToolTip());
}

QString TrayStatus::LinkName() const {
    const protocol::LinkFlags& links = state_.links;
    if (links.wired_up()) {
        return toolkit_.Text(QStringLiteral("tray_link_wired_text"));
    }
    if (links.link_24g) {
        return toolkit_.Text(QStringLiteral("tray_link_24g_text"));
    }
    if (links.link_4k || links.link_4k_b) {
        return toolkit_.Text(QStringLiteral("tray_link_4k_text"));
    }
    if (links.ble) {
        return toolkit_.Text(QStringLiteral("tray_link_ble_text"));
    }
    return {};
}

// "Talvik Gaming Mouse — 2.4 GHz, 64 %"; the parts the program does not know are left out.
QString TrayStatus::ToolTip() const {
    QString text = toolkit_.Text(QStringLiteral("mouse_name_text"));
    const QString link = LinkName();
    if (link.isEmpty()) {
        return text;
    }
    text += QStringLiteral(" \u2014 ") + link;
    if (state_.source == Source::kCharging) {
        text += QStringLiteral(", ") + toolkit_.Text(QStringLiteral("charging_text"));
    } else if (state_.level && state_.source != Source::kUnknown) {
        text += QStringLiteral(", %1 %").arg(*state_.level);
    }
    return text;
}

}  // namespace talvik::app
