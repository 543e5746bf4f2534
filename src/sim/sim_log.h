#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace talvik::sim {

// One report as the mouse received it.
struct LoggedReport {
    enum class Kind { kFeature, kOutput, kGatt } kind;
    std::vector<std::uint8_t> bytes;
};

// Appends "FEATURE <hex>", "OUTPUT <hex>" or "GATT <hex>" lines to a file; does nothing without
// a path. A log that cannot be written is skipped silently: the mouse keeps working.
class SimLog {
public:
    explicit SimLog(std::string path);
    void Append(const LoggedReport& report);
    static std::string Line(const LoggedReport& report);

private:
    std::string path_;
    std::mutex mutex_;
};

}  // namespace talvik::sim
