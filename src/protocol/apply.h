#pragma once

#include <vector>

#include "profile/profile_record.h"
#include "protocol/command_packet.h"
#include "protocol/exchange.h"

namespace talvik::protocol {

// The packets of one apply, in sending order.
struct ApplyPlan {
    std::vector<CommandPacket> packets;
    // Buttons whose macro was changed but not planned: no slot range of their own (7..17), or
    // more packets than the range holds.
    std::vector<int> unsent_macros;
};

// APPLY_BEGIN, then the groups that differ between `current` and `applied` (all of them when
// `force_full`), then the changed macros of buttons 0..17.
ApplyPlan PlanApply(const profile::ProfileInfo& current, const profile::ProfileInfo& applied,
                    bool force_full);

struct ApplyReport {
    int sent = 0;
    int failed = 0;
    int skipped = 0;
};

// Sends every planned packet; a failed packet does not stop the ones after it.
ApplyReport SendApply(Exchange& exchange, const ApplyPlan& plan);

}  // namespace talvik::protocol
