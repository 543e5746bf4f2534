#pragma once

#include "profile/profile_record.h"
#include "protocol/command_packet.h"

namespace talvik::protocol {

// The fixed packet that opens every apply.
CommandPacket BuildApplyBegin();

// DPI stages, colours and sensor options of `profile`.
CommandPacket BuildSensorPacket(const profile::ProfileInfo& profile);

// Lighting, sleep and debounce settings of `profile`.
CommandPacket BuildLightPacket(const profile::ProfileInfo& profile);

// The two polling rates of `profile`, each sent as option index + 1.
CommandPacket BuildPollingPacket(const profile::ProfileInfo& profile);

}  // namespace talvik::protocol
