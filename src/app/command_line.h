#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace talvik::app {

// Which link the virtual mouse stands behind.
enum class SimulatedLink { kWired, k24g, k4k, k4kB, kBle };

struct CommandLine {
    std::optional<SimulatedLink> simulate;
    // What the program could not use; it starts anyway and traces these.
    QStringList ignored;
};

// Reads the program's arguments (without the program name). "-auto", given by the autostart
// entry, changes nothing. "--simulate" alone means the 2.4 GHz receiver.
CommandLine ParseCommandLine(const QStringList& args);

// "wired", "24g", "4k", "4kb", "ble".
QString SimulatedLinkName(SimulatedLink link);
std::optional<SimulatedLink> SimulatedLinkFromName(const QString& name);

}  // namespace talvik::app
