#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The input of the device_reports target: what the links hand the UI thread, in order.
//   byte 0     set-up: bits 0-1 the active profile (of kProfiles), bit 2 the wired link's library
//              is there, bit 3 it opens the cable
//   then steps [kind][length][length bytes], a step cut short by the end of input taking what
//   there is.
namespace talvik::fuzz::sequence {

inline constexpr int kProfiles = 3;

enum class Step : std::uint8_t {
    kReport24g,    // marker, type, val_lo, val_hi
    kReport4k,     // marker, type, val_lo, val_hi
    kReport4kB,    // the raw input report
    kBle,          // the raw notification value
    kDriverEvent,  // the vendor library's event code, little-endian
    kTimer,        // which DeviceTimer expired (only a running one fires)
    kLink,         // link (0 2.4G, 1 4K, 2 4K B, 3 Bluetooth LE), up
    kCableOpens,   // whether the library opens the cable from now on
    kCount
};

struct Setup {
    int active_profile = 0;
    bool library = true;
    bool cable_opens = true;

    std::uint8_t Byte() const {
        return static_cast<std::uint8_t>(active_profile | (library ? 4 : 0) |
                                         (cable_opens ? 8 : 0));
    }
    static Setup FromByte(std::uint8_t b) {
        return {(b & 3) % kProfiles, (b & 4) != 0, (b & 8) != 0};
    }
};

class Writer {
public:
    explicit Writer(Setup setup) { bytes_.push_back(setup.Byte()); }

    Writer& Add(Step step, std::span<const std::uint8_t> payload) {
        const std::size_t n = std::min<std::size_t>(payload.size(), 255);
        bytes_.push_back(static_cast<std::uint8_t>(step));
        bytes_.push_back(static_cast<std::uint8_t>(n));
        bytes_.insert(bytes_.end(), payload.begin(), payload.begin() + n);
        return *this;
    }
    Writer& Add(Step step, std::initializer_list<std::uint8_t> payload) {
        return Add(step, std::span<const std::uint8_t>(payload.begin(), payload.size()));
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

struct StepView {
    Step step;
    std::span<const std::uint8_t> payload;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> input) : rest_(input) {}

    Setup TakeSetup() {
        if (rest_.empty()) {
            return {};
        }
        const Setup setup = Setup::FromByte(rest_[0]);
        rest_ = rest_.subspan(1);
        return setup;
    }

    std::optional<StepView> Next() {
        if (rest_.empty()) {
            return std::nullopt;
        }
        const auto step = static_cast<Step>(rest_[0] % static_cast<std::uint8_t>(Step::kCount));
        const std::size_t length = rest_.size() >= 2 ? rest_[1] : 0;
        rest_ = rest_.subspan(std::min<std::size_t>(rest_.size(), 2));
        const std::size_t n = std::min(length, rest_.size());
        const StepView view{step, rest_.first(n)};
        rest_ = rest_.subspan(n);
        return view;
    }

private:
    std::span<const std::uint8_t> rest_;
};

}  // namespace talvik::fuzz::sequence
