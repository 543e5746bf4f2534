#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/ble_writer.h"
#include "platform/hid_device.h"
#include "protocol/command_packet.h"
#include "sim/sim_log.h"
#include "sim/virtual_clock.h"

namespace talvik::sim {

// The link a virtual mouse presents itself on.
enum class SimLink { kWired, k24g, k4k, k4kB, kBle };

// A mouse that speaks the protocol behind the same HID and Bluetooth LE interfaces as the real
// devices: it answers commands with status replies, keeps what it was sent, answers read requests
// with its settings blocks, and sends DPI-stage, polling, battery and heartbeat reports.
// Thread-safe: the worker, reader threads and the control thread may use it at once.
class VirtualMouse : public std::enable_shared_from_this<VirtualMouse> {
public:
    struct Options {
        SimLink link = SimLink::k4kB;   // where the mouse's own reports go
        std::string log_path;           // append one line per report received; empty: no log
        VirtualClock* clock = nullptr;  // when set, waits for replies that never come take no time
    };
    // Options with the log file of TALVIK_SIM_LOG.
    static Options OptionsFromEnvironment(SimLink link);

    static std::shared_ptr<VirtualMouse> Create(Options options);
    ~VirtualMouse();
    VirtualMouse(const VirtualMouse&) = delete;
    VirtualMouse& operator=(const VirtualMouse&) = delete;

    // The command interface of a link: feature reports (wired, 2.4G) or output reports (4K, 4K B).
    std::shared_ptr<platform::HidDevice> CommandInterface(SimLink link);
    // The receivers' input interface: the mouse's own reports, report id 3.
    std::shared_ptr<platform::HidDevice> InputInterface();
    // The Bluetooth LE command characteristic.
    std::shared_ptr<platform::BleWriter> GattWriter();

    // Where reports go on the links without an input interface. Called on the thread that
    // caused the report; the receiver hands it on to its own thread.
    void SetNotificationSink(std::function<void(std::vector<std::uint8_t>)> sink);  // Bluetooth LE
    void SetDriverSink(std::function<void(std::uintptr_t, std::intptr_t)> sink);    // wired
    void SetPlugSink(std::function<void(bool plugged)> sink);

    // What the mouse was sent: command packets in arrival order (macro data reassembled), and
    // every raw report.
    std::vector<protocol::CommandPacket> Commands() const;
    std::vector<LoggedReport> Received() const;
    // The block the mouse answers a read request for `block` with.
    std::vector<std::uint8_t> Block(std::uint8_t block) const;

    // The user's hand on the mouse. `Command` takes one control line ("stage 3", "polling 4 4",
    // "battery 57", "charging", "full", "heartbeat 1000", "unplug", "plug"); false when the
    // line is not a command.
    bool Command(std::string_view line);
    void EmitReport(std::uint8_t type, std::uint8_t val_lo, std::uint8_t val_hi,
                    std::uint8_t marker = 0xC5);
    void EmitHeartbeat();
    // Real-time heartbeat every `period_ms`; 0 stops it.
    void SetHeartbeatPeriod(int period_ms);
    // Unplugged: every call fails as on a removed device.
    void SetPlugged(bool plugged);
    bool IsPlugged() const;

    // Misbehaviour for tests: accept reports but never reply; fail the next n writes.
    void SetSilent(bool silent);
    void FailNextWrites(int n);
    // Answer read requests for `block` with these bytes instead of the settings.
    void OverrideBlock(std::uint8_t block, std::vector<std::uint8_t> reply);

    // Called by the interfaces.
    std::optional<std::size_t> FeatureWrite(SimLink link, std::span<const std::uint8_t> report);
    std::optional<std::size_t> FeatureRead(std::span<std::uint8_t> buffer);
    std::optional<std::size_t> OutputWrite(SimLink link, std::span<const std::uint8_t> report);
    std::optional<std::size_t> CommandRead(SimLink link, std::span<std::uint8_t> buffer,
                                           int timeout_ms);
    std::optional<std::size_t> InputRead(std::span<std::uint8_t> buffer, int timeout_ms);
    // Makes a waiting InputRead return 0 at once.
    void InterruptInput();
    bool GattWrite(std::span<const std::uint8_t> value);

private:
    explicit VirtualMouse(Options options);
    using Bytes = std::vector<std::uint8_t>;

    bool AcceptCommandLocked(std::span<const std::uint8_t> packet);
    void QueueReplyLocked(SimLink link, Bytes reply);
    Bytes BlockLocked(std::uint8_t block) const;
    Bytes BleSettingsLocked() const;
    bool TakeWriteFailureLocked();
    void HeartbeatLoop();

    Options options_;
    SimLog log_;
    mutable std::mutex mutex_;
    std::condition_variable input_ready_;
    bool plugged_ = true;
    bool input_interrupted_ = false;
    bool silent_ = false;
    int fail_writes_ = 0;

    // Settings as the mouse keeps them, in the form of its read replies.
    std::array<std::uint8_t, 56> sensor_{};
    std::array<std::uint8_t, 15> light_{};
    std::array<std::uint8_t, 9> polling_{};
    std::array<std::uint8_t, 59> keys_{};
    std::map<std::uint8_t, Bytes> overrides_;
    std::optional<std::uint8_t> requested_block_;
    std::array<Bytes, 3> wired_macro_chunks_;
    Bytes output_macro_chunk0_;

    std::vector<protocol::CommandPacket> commands_;
    std::vector<LoggedReport> received_;
    std::map<SimLink, std::deque<Bytes>> replies_;
    std::deque<Bytes> input_;

    int battery_ = 80;
    enum class Power { kBattery, kCharging, kFull } power_ = Power::kBattery;

    std::function<void(std::vector<std::uint8_t>)> notification_sink_;
    std::function<void(std::uintptr_t, std::intptr_t)> driver_sink_;
    std::function<void(bool)> plug_sink_;

    std::mutex heartbeat_mutex_;
    std::condition_variable heartbeat_cv_;
    int heartbeat_ms_ = 0;
    bool stopping_ = false;
    std::thread heartbeat_;
};

}  // namespace talvik::sim
