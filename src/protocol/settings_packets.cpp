#include "protocol/settings_packets.h"

#include "protocol/packet_layouts.h"

namespace talvik::protocol {

namespace {

std::uint8_t Nibbles(int high, int low) {
    return static_cast<std::uint8_t>(((high & 0x0F) << 4) | (low & 0x0F));
}

}  // namespace

CommandPacket BuildApplyBegin() {
    CommandPacket packet = StartPacket(CommandId::kApplyBegin, kApplyBeginLength);
    packet.bytes[3] = 0xFE;
    packet.bytes[4] = 0x01;
    packet.bytes[5] = 0xFE;
    return packet;
}

CommandPacket BuildSensorPacket(const profile::ProfileInfo& p) {
    namespace at = sensor_layout;
    CommandPacket packet = StartPacket(CommandId::kSensorSettings, kSensorPacketLength);
    auto& b = packet.bytes;
    b[at::kLiftOffRipple] =
        static_cast<std::uint8_t>((p.lift_off_distance << 4) | p.ripple_control);
    b[at::kSnapSync] = static_cast<std::uint8_t>((p.angle_snap << 4) | p.motion_sync);
    std::uint8_t enabled = 0;
    for (int k = 0; k < profile::kDpiStages; ++k) {
        if (p.dpi_enabled[k] == 1) {
            enabled |= static_cast<std::uint8_t>(1u << k);
        }
    }
    b[at::kEnabled] = enabled;
    b[at::kHighRange] = 0x01;
    b[at::kHighRange + 1] = 0x00;
    for (int k = 0; k < profile::kDpiStages; ++k) {
        // Widened so that a hostile value cannot overflow; a negative DPI is sent as zero.
        const std::int64_t dpi = static_cast<std::int64_t>(p.dpi_value[k]) * 50;
        const std::uint32_t wire = dpi < 0 ? 0u : static_cast<std::uint32_t>(dpi);
        b[at::kDpiLow + k] = static_cast<std::uint8_t>(wire);
        b[at::kDpiHigh + k] = static_cast<std::uint8_t>(wire >> 8);
    }
    b[at::kStage] = static_cast<std::uint8_t>(p.current_dpi_stage + 1);
    for (int k = 0; k < profile::kDpiStages; ++k) {
        b[at::kColors + 3 * k] = profile::ColorRed(p.dpi_color[k]);
        b[at::kColors + 3 * k + 1] = profile::ColorGreen(p.dpi_color[k]);
        b[at::kColors + 3 * k + 2] = profile::ColorBlue(p.dpi_color[k]);
    }
    b[at::kLastPayload] = 0x02;
    WritePacketSum(packet, at::kLastPayload);
    return packet;
}

CommandPacket BuildLightPacket(const profile::ProfileInfo& p) {
    namespace at = light_layout;
    CommandPacket packet = StartPacket(CommandId::kLightSettings, kLightPacketLength);
    auto& b = packet.bytes;
    b[at::kMode] = static_cast<std::uint8_t>((p.light_mode & 0x0F) << 4);
    b[at::kSleepHighSpeed] = Nibbles(p.sleep_timer >> 4, 9 - p.breath_speed);
    const bool own_brightness = p.light_mode == 1 || p.light_mode == 5;
    b[at::kSleepLowBright] = Nibbles(p.sleep_timer, own_brightness ? p.brightness : 8);
    b[at::kColor] = profile::ColorRed(p.light_color);
    b[at::kColor + 1] = profile::ColorGreen(p.light_color);
    b[at::kColor + 2] = profile::ColorBlue(p.light_color);
    b[at::kOffTime] = static_cast<std::uint8_t>(p.light_off_time);
    b[at::kDebounce] = static_cast<std::uint8_t>(p.key_debounce);
    WritePacketSum(packet, at::kLastPayload);
    return packet;
}

CommandPacket BuildPollingPacket(const profile::ProfileInfo& p) {
    namespace at = polling_layout;
    CommandPacket packet = StartPacket(CommandId::kPollingRate, kPollingPacketLength);
    packet.bytes[at::kRates] = Nibbles(p.polling_rate_hs + 1, p.polling_rate + 1);
    packet.bytes[at::kCheck] = static_cast<std::uint8_t>(~packet.bytes[at::kRates]);
    return packet;
}

}  // namespace talvik::protocol
