#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "sim/virtual_mouse.h"

namespace talvik::app {

// Which link the virtual mouse stands behind.
using SimulatedLink = sim::SimLink;

struct CommandLine {
    std::optional<SimulatedLink> simulate;
    // What the program could not use; it starts anyway and traces these.
    QStringList ignored;
};

// Reads the program's arguments (without the program name). "-auto", given by the autostart
// entry, changes nothing. "--simulate" alone means the 2.4 GHz receiver; "--simulate=" names the
// link: "wired", "24g", "4k", "4kb" or "ble", in any letter case.
CommandLine ParseCommandLine(const QStringList& args);

}  // namespace talvik::app
