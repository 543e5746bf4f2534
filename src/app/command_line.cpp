#include "app/command_line.h"

#include <array>
#include <utility>

namespace talvik::app {

namespace {

constexpr std::array<std::pair<SimulatedLink, const char*>, 5> kLinkNames = {{
    {SimulatedLink::kWired, "wired"},
    {SimulatedLink::k24g, "24g"},
    {SimulatedLink::k4k, "4k"},
    {SimulatedLink::k4kB, "4kb"},
    {SimulatedLink::kBle, "ble"},
}};

std::optional<SimulatedLink> SimulatedLinkFromName(const QString& name) {
    for (const auto& [value, text] : kLinkNames) {
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& args) {
    CommandLine result;
    const QString simulate = QStringLiteral("--simulate");
    for (const QString& arg : args) {
        if (arg.compare(QLatin1String("-auto"), Qt::CaseInsensitive) == 0) {
            continue;
        }
        if (arg == simulate) {
            result.simulate = SimulatedLink::k24g;
        } else if (arg.startsWith(simulate + QLatin1Char('='))) {
            const std::optional<SimulatedLink> link =
                SimulatedLinkFromName(arg.mid(simulate.size() + 1));
            if (link) {
                result.simulate = link;
            } else {
                result.ignored << arg;
            }
        } else {
            result.ignored << arg;
        }
    }
    return result;
}

}  // namespace talvik::app
