#include "sim/sim_log.h"

#include <fstream>

#include "protocol/hex.h"

namespace talvik::sim {

SimLog::SimLog(std::string path) : path_(std::move(path)) {}

std::string SimLog::Line(const LoggedReport& report) {
    const char* tag = report.kind == LoggedReport::Kind::kFeature  ? "FEATURE "
                      : report.kind == LoggedReport::Kind::kOutput ? "OUTPUT "
                                                                   : "GATT ";
    return tag + protocol::FormatHex(report.bytes);
}

void SimLog::Append(const LoggedReport& report) {
    if (path_.empty()) {
        return;
    }
    std::lock_guard lock(mutex_);
    std::ofstream out(path_, std::ios::app);
    out << Line(report) << '\n';
}

}  // namespace talvik::sim
