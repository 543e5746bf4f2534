#include "sim/virtual_mouse.h"

#include <pthread.h>

#include <algorithm>
#include <cstdlib>

#include "profile/profile_defaults.h"
#include "protocol/key_packet.h"
#include "protocol/mouse_report.h"
#include "protocol/output_frame.h"
#include "protocol/packet_layouts.h"
#include "protocol/read_request.h"
#include "protocol/settings_decode.h"
#include "protocol/settings_packets.h"
#include "sim/sim_interfaces.h"

namespace talvik::sim {

namespace {

using protocol::CommandId;

constexpr std::size_t kInputReportSize = 16;
// How far the heartbeat may fall behind its grid and still send the beats it missed.
constexpr std::chrono::milliseconds kHeartbeatCatchUp{100};

// The sum of bytes first..last, stored big-endian right behind them.
bool SumMatches(std::span<const std::uint8_t> bytes, std::size_t first, std::size_t last) {
    if (last + 2 >= bytes.size()) {
        return false;
    }
    const std::uint16_t sum = protocol::ByteSum(bytes, first, last);
    return bytes[last + 1] == (sum >> 8) && bytes[last + 2] == (sum & 0xFF);
}

// The DPI in a sensor write is the DPI itself; the mouse keeps and reports a count of 50-DPI
// steps from zero.
void StoreSensor(std::span<const std::uint8_t> packet, std::array<std::uint8_t, 56>& block) {
    namespace at = protocol::sensor_layout;
    std::copy_n(packet.begin(), block.size(), block.begin());
    block[1] = 56;
    block[at::kHighRange] = 0;
    for (int k = 0; k < 8; ++k) {
        const int dpi = packet[at::kDpiLow + k] | packet[at::kDpiHigh + k] << 8;
        const int count = std::max(0, dpi / 50 - 1);
        block[at::kDpiLow + k] = static_cast<std::uint8_t>(count);
        block[at::kDpiHigh + k] = static_cast<std::uint8_t>(count >> 8);
    }
}

bool SumMatchesFrame(std::span<const std::uint8_t> frame, std::size_t length) {
    return length >= 6 && length <= frame.size() && SumMatches(frame, 0, length - 3);
}

std::uint8_t BlePollingCode(std::uint8_t polling_byte) {
    switch (polling_byte & 0x0F) {
        case 4:
            return 1;
        case 3:
            return 2;
        case 2:
            return 4;
        default:
            return 8;
    }
}

}  // namespace

VirtualMouse::Options VirtualMouse::OptionsFromEnvironment(SimLink link) {
    Options options;
    options.link = link;
    if (const char* path = std::getenv("TALVIK_SIM_LOG")) {
        options.log_path = path;
    }
    return options;
}

std::shared_ptr<VirtualMouse> VirtualMouse::Create(Options options) {
    return std::shared_ptr<VirtualMouse>(new VirtualMouse(std::move(options)));
}

VirtualMouse::VirtualMouse(Options options)
    : options_(std::move(options)), log_(options_.log_path) {
    const auto defaults = profile::CreateProfile();
    StoreSensor(protocol::BuildSensorPacket(*defaults).view(), sensor_);
    const auto light = protocol::BuildLightPacket(*defaults);
    std::copy_n(light.bytes.begin(), light_.size(), light_.begin());
    const auto polling = protocol::BuildPollingPacket(*defaults);
    std::copy_n(polling.bytes.begin(), polling_.size(), polling_.begin());
    const auto keys = protocol::BuildKeyPacket(*defaults);
    std::copy_n(keys.bytes.begin(), keys_.size(), keys_.begin());
}

VirtualMouse::~VirtualMouse() {
    {
        std::lock_guard lock(heartbeat_mutex_);
        stopping_ = true;
    }
    heartbeat_cv_.notify_all();
    if (heartbeat_.joinable()) {
        heartbeat_.join();
    }
}

std::shared_ptr<platform::HidDevice> VirtualMouse::CommandInterface(SimLink link) {
    if (link == SimLink::k4k || link == SimLink::k4kB) {
        return std::make_shared<OutputEndpoint>(shared_from_this(), link);
    }
    return std::make_shared<FeatureEndpoint>(shared_from_this(), link);
}

std::shared_ptr<platform::HidDevice> VirtualMouse::InputInterface() {
    return std::make_shared<InputEndpoint>(shared_from_this());
}

std::shared_ptr<platform::BleWriter> VirtualMouse::GattWriter() {
    return std::make_shared<GattEndpoint>(shared_from_this());
}

void VirtualMouse::SetNotificationSink(std::function<void(std::vector<std::uint8_t>)> sink) {
    std::lock_guard lock(mutex_);
    notification_sink_ = std::move(sink);
}

void VirtualMouse::SetDriverSink(std::function<void(std::uintptr_t, std::intptr_t)> sink) {
    std::lock_guard lock(mutex_);
    driver_sink_ = std::move(sink);
}

void VirtualMouse::SetPlugSink(std::function<void(bool)> sink) {
    std::lock_guard lock(mutex_);
    plug_sink_ = std::move(sink);
}

std::vector<protocol::CommandPacket> VirtualMouse::Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

std::vector<LoggedReport> VirtualMouse::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::uint8_t> VirtualMouse::Block(std::uint8_t block) const {
    std::lock_guard lock(mutex_);
    return BlockLocked(block);
}

VirtualMouse::Bytes VirtualMouse::BlockLocked(std::uint8_t block) const {
    if (const auto it = overrides_.find(block); it != overrides_.end()) {
        return it->second;
    }
    switch (block) {
        case protocol::kSensorBlock:
            return Bytes(sensor_.begin(), sensor_.end());
        case protocol::kLightBlock:
            return Bytes(light_.begin(), light_.end());
        case protocol::kPollingBlock:
            return Bytes(polling_.begin(), polling_.end());
        default:
            return {};
    }
}

VirtualMouse::Bytes VirtualMouse::BleSettingsLocked() const {
    Bytes value(61, 0);
    value[0] = protocol::kBleSettingsReply;
    value[1] = BlePollingCode(polling_[protocol::polling_layout::kRates]);
    // The sensor payload in place, the light payload behind it.
    std::copy(sensor_.begin() + 3, sensor_.begin() + protocol::sensor_layout::kLastPayload,
              value.begin() + 3);
    std::copy(light_.begin() + 3, light_.begin() + protocol::light_layout::kLastPayload + 1,
              value.begin() + 53);
    return value;
}

bool VirtualMouse::AcceptCommandLocked(std::span<const std::uint8_t> p) {
    if (p.size() < 3) {
        return false;
    }
    protocol::CommandPacket packet;
    packet.length = std::min(p.size(), protocol::kMaxPacketLength);
    std::copy_n(p.begin(), packet.length, packet.bytes.begin());
    const auto need = [&](std::size_t length, std::size_t last_payload) {
        return p.size() >= length && (last_payload == 0 || SumMatches(p, 3, last_payload));
    };
    switch (static_cast<CommandId>(p[0])) {
        case CommandId::kApplyBegin:
            if (!need(protocol::kApplyBeginLength, 0)) {
                return false;
            }
            break;
        case CommandId::kSensorSettings:
            if (!need(protocol::kSensorPacketLength, protocol::sensor_layout::kLastPayload)) {
                return false;
            }
            StoreSensor(p, sensor_);
            break;
        case CommandId::kLightSettings:
            if (!need(protocol::kLightPacketLength, protocol::light_layout::kLastPayload)) {
                return false;
            }
            std::copy_n(p.begin(), light_.size(), light_.begin());
            break;
        case CommandId::kPollingRate:
            if (!need(protocol::kPollingPacketLength, 0) ||
                (p[protocol::polling_layout::kRates] ^ p[protocol::polling_layout::kCheck]) !=
                    0xFF) {
                return false;
            }
            std::copy_n(p.begin(), polling_.size(), polling_.begin());
            break;
        case CommandId::kKeyAssignment:
            if (!need(protocol::kKeyPacketLength, 56)) {
                return false;
            }
            std::copy_n(p.begin(), keys_.size(), keys_.begin());
            break;
        case CommandId::kMacroData:
            if (!need(protocol::kMacroPacketLength, 108)) {
                return false;
            }
            break;
        default:
            return false;
    }
    commands_.push_back(packet);
    return true;
}

void VirtualMouse::QueueReplyLocked(SimLink link, Bytes reply) {
    if (!silent_) {
        reply.resize(std::max<std::size_t>(reply.size(), 4), 0);
        replies_[link].push_back(std::move(reply));
    }
}

bool VirtualMouse::TakeWriteFailureLocked() {
    if (fail_writes_ > 0) {
        --fail_writes_;
        return true;
    }
    return false;
}

std::optional<std::size_t> VirtualMouse::FeatureWrite(SimLink,
                                                      std::span<const std::uint8_t> report) {
    std::lock_guard lock(mutex_);
    if (!plugged_ || report.empty() || TakeWriteFailureLocked()) {
        return std::nullopt;
    }
    LoggedReport logged{LoggedReport::Kind::kFeature, Bytes(report.begin(), report.end())};
    log_.Append(logged);
    received_.push_back(std::move(logged));
    if (report[0] == protocol::kReadStatusReport) {
        requested_block_ = report.size() >= 2 ? std::optional(report[1]) : std::nullopt;
    } else if (report[0] == static_cast<std::uint8_t>(CommandId::kMacroData) &&
               report.size() == protocol::kWiredChunkSize) {
        const std::uint8_t chunk = report[3];
        if (chunk < 3) {
            wired_macro_chunks_[chunk].assign(report.begin(), report.end());
        }
        if (chunk == 2 && std::all_of(wired_macro_chunks_.begin(), wired_macro_chunks_.end(),
                                      [](const Bytes& c) { return c.size() == 64; })) {
            Bytes packet{0x09, 0x6F, report[2]};
            for (const Bytes& c : wired_macro_chunks_) {
                packet.insert(packet.end(), c.begin() + 4, c.end());
            }
            packet.resize(protocol::kMacroPacketLength);
            AcceptCommandLocked(packet);
            for (Bytes& c : wired_macro_chunks_) {
                c.clear();
            }
        }
    } else {
        AcceptCommandLocked(report);
    }
    return report.size();
}

std::optional<std::size_t> VirtualMouse::FeatureRead(std::span<std::uint8_t> buffer) {
    std::lock_guard lock(mutex_);
    if (!plugged_ || buffer.empty()) {
        return std::nullopt;
    }
    if (silent_) {
        return 0;
    }
    Bytes reply;
    if (buffer[0] == protocol::kReadStatusReport) {
        const bool known = requested_block_ && !BlockLocked(*requested_block_).empty();
        reply = {protocol::kReadStatusReport, static_cast<std::uint8_t>(known ? 1 : 0)};
    } else {
        reply = BlockLocked(buffer[0]);
    }
    if (reply.empty()) {
        return std::nullopt;
    }
    const std::size_t n = std::min(reply.size(), buffer.size());
    std::fill(buffer.begin(), buffer.end(), 0);
    std::copy_n(reply.begin(), n, buffer.begin());
    return buffer.size();
}

std::optional<std::size_t> VirtualMouse::OutputWrite(SimLink link,
                                                     std::span<const std::uint8_t> r) {
    std::lock_guard lock(mutex_);
    if (!plugged_ || r.empty() || TakeWriteFailureLocked()) {
        return std::nullopt;
    }
    LoggedReport logged{LoggedReport::Kind::kOutput, Bytes(r.begin(), r.end())};
    log_.Append(logged);
    received_.push_back(std::move(logged));
    if (r.size() < 12 || r[0] != protocol::kOutputReportId) {
        return r.size();
    }
    const Bytes received{0x04, 0x02, 0xC0, 0x01};
    const Bytes executed{0x04, 0x02, 0xC1, 0x01};
    const std::uint8_t f = r[1];
    const bool framed = SumMatchesFrame(r, f);
    if (r[1] == 0x40 && r[2] == 0 && r[3] == static_cast<std::uint8_t>(CommandId::kMacroData)) {
        if (framed) {
            output_macro_chunk0_.assign(r.begin() + 3, r.begin() + 62);
            QueueReplyLocked(link, received);
        }
    } else if (r[1] == 0x39 && r[2] == 1) {
        if (framed && output_macro_chunk0_.size() == 59) {
            Bytes packet = output_macro_chunk0_;
            packet.insert(packet.end(), r.begin() + 3, r.begin() + 55);
            output_macro_chunk0_.clear();
            QueueReplyLocked(link, received);
            if (AcceptCommandLocked(packet)) {
                QueueReplyLocked(link, executed);
            }
        }
    } else if (r[2] == protocol::kReadStatusReport) {
        if (framed) {
            QueueReplyLocked(link, received);
            Bytes block = BlockLocked(r[3]);
            if (!block.empty()) {
                QueueReplyLocked(link, std::move(block));
            }
        }
    } else if (r[2] == 0x00 && framed) {
        QueueReplyLocked(link, received);
        if (AcceptCommandLocked(r.subspan(3, f - 5))) {
            QueueReplyLocked(link, executed);
        }
    }
    return r.size();
}

std::optional<std::size_t> VirtualMouse::CommandRead(SimLink link, std::span<std::uint8_t> buffer,
                                                     int timeout_ms) {
    std::unique_lock lock(mutex_);
    if (!plugged_) {
        return std::nullopt;
    }
    std::fill(buffer.begin(), buffer.end(), 0);
    auto& queue = replies_[link];
    if (queue.empty()) {
        // A real device would keep the caller waiting for the whole timeout.
        if (options_.clock != nullptr && timeout_ms > 0) {
            options_.clock->Advance(timeout_ms);
        }
        return 0;
    }
    const Bytes reply = std::move(queue.front());
    queue.pop_front();
    const std::size_t n = std::min(reply.size(), buffer.size());
    std::copy_n(reply.begin(), n, buffer.begin());
    return n;
}

std::optional<std::size_t> VirtualMouse::InputRead(std::span<std::uint8_t> buffer, int timeout_ms) {
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return !plugged_ || !input_.empty() || input_interrupted_; };
    if (timeout_ms < 0) {
        input_ready_.wait(lock, ready);
    } else if (timeout_ms > 0) {
        input_ready_.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
    }
    if (!plugged_) {
        return std::nullopt;
    }
    if (input_.empty() || input_interrupted_) {
        input_interrupted_ = false;
        return 0;
    }
    const Bytes report = std::move(input_.front());
    input_.pop_front();
    std::fill(buffer.begin(), buffer.end(), 0);
    const std::size_t n = std::min(report.size(), buffer.size());
    std::copy_n(report.begin(), n, buffer.begin());
    return n;
}

void VirtualMouse::InterruptInput() {
    {
        std::lock_guard lock(mutex_);
        input_interrupted_ = true;
    }
    input_ready_.notify_all();
}

bool VirtualMouse::GattWrite(std::span<const std::uint8_t> value) {
    std::function<void(std::vector<std::uint8_t>)> sink;
    Bytes notification;
    {
        std::lock_guard lock(mutex_);
        if (!plugged_ || value.empty() || TakeWriteFailureLocked()) {
            return false;
        }
        LoggedReport logged{LoggedReport::Kind::kGatt, Bytes(value.begin(), value.end())};
        log_.Append(logged);
        received_.push_back(std::move(logged));
        const auto request = protocol::BuildBleReadRequest();
        if (std::equal(value.begin(), value.end(), request.begin(), request.end())) {
            if (!silent_) {
                notification = BleSettingsLocked();
                sink = notification_sink_;
            }
        } else {
            AcceptCommandLocked(value);
        }
    }
    if (sink && !notification.empty()) {
        sink(std::move(notification));
    }
    return true;
}

void VirtualMouse::EmitReport(std::uint8_t type, std::uint8_t val_lo, std::uint8_t val_hi,
                              std::uint8_t marker) {
    std::function<void(std::vector<std::uint8_t>)> ble_sink;
    std::function<void(std::uintptr_t, std::intptr_t)> driver_sink;
    bool queued = false;
    {
        std::lock_guard lock(mutex_);
        if (!plugged_) {
            return;
        }
        if (type == 0x10 && val_lo >= 1 && val_lo <= 8) {
            sensor_[protocol::sensor_layout::kStage] = val_lo;
        }
        switch (options_.link) {
            case SimLink::kBle:
                ble_sink = notification_sink_;
                break;
            case SimLink::kWired:
                driver_sink = driver_sink_;
                break;
            default: {
                Bytes report(kInputReportSize, 0);
                report[0] = protocol::kInputReportId;
                report[1] = marker;
                report[2] = type;
                report[3] = val_lo;
                report[4] = val_hi;
                input_.push_back(std::move(report));
                queued = true;
            }
        }
    }
    if (queued) {
        input_ready_.notify_all();  // after unlocking: the reader would only block on the lock
    }
    if (ble_sink) {
        ble_sink({marker, type, val_lo, val_hi});
    }
    if (driver_sink) {
        driver_sink(static_cast<std::uintptr_t>(type << 8 | marker),
                    static_cast<std::intptr_t>(val_lo | val_hi << 8));
    }
}

void VirtualMouse::EmitHeartbeat() {
    std::uint8_t lo = 1;
    std::uint8_t level;
    {
        std::lock_guard lock(mutex_);
        level = static_cast<std::uint8_t>(battery_);
        if (power_ == Power::kCharging) {
            lo = protocol::kBatteryCharging;
        } else if (power_ == Power::kFull) {
            lo = protocol::kBatteryFull;
        }
    }
    EmitReport(protocol::kBatteryBit, lo, level);
}

void VirtualMouse::SetHeartbeatPeriod(int period_ms) {
    {
        std::lock_guard lock(heartbeat_mutex_);
        heartbeat_ms_ = std::max(0, period_ms);
        if (!heartbeat_.joinable() && heartbeat_ms_ > 0) {
            heartbeat_ = std::thread([this] { HeartbeatLoop(); });
        }
    }
    heartbeat_cv_.notify_all();
}

void VirtualMouse::HeartbeatLoop() {
    pthread_setname_np(pthread_self(), "sim-heartbeat");  // told apart from the program's own
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(heartbeat_mutex_);
    Clock::time_point next = Clock::now();
    while (!stopping_) {
        if (heartbeat_ms_ == 0) {
            heartbeat_cv_.wait(lock, [&] { return stopping_ || heartbeat_ms_ > 0; });
            next = Clock::now();
            continue;
        }
        // Beats on a fixed grid, so a 1 ms period gives 1,000 reports a second rather than one
        // period plus the wake-up delay: beats a late wake-up missed follow at once. A thread
        // held up for longer than the catch-up window starts a new grid instead.
        const auto period = std::chrono::milliseconds(heartbeat_ms_);
        next += period;
        const Clock::time_point now = Clock::now();
        if (now - next > std::max<Clock::duration>(period, kHeartbeatCatchUp)) {
            next = now;
        }
        if (heartbeat_cv_.wait_until(lock, next, [&] { return stopping_; })) {
            break;
        }
        lock.unlock();
        EmitHeartbeat();
        lock.lock();
    }
}

bool VirtualMouse::IsPlugged() const {
    std::lock_guard lock(mutex_);
    return plugged_;
}

void VirtualMouse::SetPlugged(bool plugged) {
    std::function<void(bool)> sink;
    {
        std::lock_guard lock(mutex_);
        if (plugged_ == plugged) {
            return;
        }
        plugged_ = plugged;
        sink = plug_sink_;
        for (auto& [link, queue] : replies_) {
            queue.clear();
        }
        input_ready_.notify_all();
    }
    if (sink) {
        sink(plugged);
    }
}

void VirtualMouse::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void VirtualMouse::FailNextWrites(int n) {
    std::lock_guard lock(mutex_);
    fail_writes_ = std::max(0, n);
}

void VirtualMouse::OverrideBlock(std::uint8_t block, std::vector<std::uint8_t> reply) {
    std::lock_guard lock(mutex_);
    overrides_[block] = std::move(reply);
}

}  // namespace talvik::sim
