#include "protocol/apply.h"

#include "platform/trace.h"
#include "profile/profile_defaults.h"
#include "protocol/key_packet.h"
#include "protocol/macro_packet.h"
#include "protocol/settings_packets.h"

namespace talvik::protocol {

ApplyPlan PlanApply(const profile::ProfileInfo& current, const profile::ProfileInfo& applied,
                    bool force_full) {
    profile::ChangeSet changes;
    if (force_full) {
        changes.sensor = changes.light = changes.polling = changes.keys = true;
        changes.macro.fill(true);
    } else {
        changes = profile::Compare(current, applied);
    }
    ApplyPlan plan;
    plan.packets.push_back(BuildApplyBegin());
    if (changes.sensor) {
        plan.packets.push_back(BuildSensorPacket(current));
    }
    if (changes.light) {
        plan.packets.push_back(BuildLightPacket(current));
    }
    if (changes.polling) {
        plan.packets.push_back(BuildPollingPacket(current));
    }
    if (changes.keys) {
        plan.packets.push_back(BuildKeyPacket(current));
    }
    for (int b = 0; b < profile::kUsedButtons; ++b) {
        if (current.buttons[b].function != kFunctionMacro || !changes.macro[b]) {
            continue;
        }
        auto packets = BuildMacroPackets(current, b);
        if (!packets) {
            platform::Trace("macro of button %d not sent: it does not fit its slots\r\n", b);
            plan.unsent_macros.push_back(b);
            continue;
        }
        plan.packets.insert(plan.packets.end(), packets->begin(), packets->end());
    }
    return plan;
}

ApplyReport SendApply(Exchange& exchange, const ApplyPlan& plan) {
    ApplyReport report;
    for (const CommandPacket& packet : plan.packets) {
        if (exchange.Abandoned()) {
            ++report.failed;
            continue;
        }
        switch (exchange.SendCommand(packet)) {
            case SendResult::kSent:
                ++report.sent;
                break;
            case SendResult::kFailed:
                ++report.failed;
                break;
            case SendResult::kSkipped:
                ++report.skipped;
                break;
        }
    }
    return report;
}

}  // namespace talvik::protocol
