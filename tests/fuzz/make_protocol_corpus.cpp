// Writes the seed replies and reports of the protocol fuzz targets, as the virtual mouse sends
// them: make_protocol_corpus <corpus folder>.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "macro/record_name.h"
#include "profile/profile_defaults.h"
#include "protocol/device_reports.h"
#include "protocol/mouse_report.h"
#include "protocol/output_frame.h"
#include "protocol/read_request.h"
#include "protocol/settings_packets.h"
#include "report_sequence.h"
#include "sim/virtual_mouse.h"

namespace {

using namespace talvik;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

void Write(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The blocks and the Bluetooth LE notification of a mouse that was sent `p`.
void WriteReplies(const fs::path& folder, const std::string& name, const profile::ProfileInfo& p) {
    auto mouse = sim::VirtualMouse::Create({.link = sim::SimLink::kBle});
    Bytes notification;
    mouse->SetNotificationSink([&](Bytes value) { notification = std::move(value); });
    for (const protocol::CommandPacket& packet :
         {protocol::BuildSensorPacket(p), protocol::BuildLightPacket(p),
          protocol::BuildPollingPacket(p)}) {
        mouse->GattWrite(packet.view());
    }
    mouse->GattWrite(protocol::BuildBleReadRequest());
    Write(folder / (name + "_sensor.bin"), mouse->Block(protocol::kSensorBlock));
    Write(folder / (name + "_light.bin"), mouse->Block(protocol::kLightBlock));
    Write(folder / (name + "_polling.bin"), mouse->Block(protocol::kPollingBlock));
    Write(folder / (name + "_ble.bin"), notification);
}

// What the mouse reports by itself on the receivers, over Bluetooth LE and through the vendor
// library, and the status replies of the output-report links.
void WriteReports(const fs::path& folder) {
    const std::vector<std::pair<std::string, std::string>> actions = {{"stage", "stage 3"},
                                                                      {"polling", "polling 4 4"},
                                                                      {"battery", "battery 57"},
                                                                      {"charging", "charging"},
                                                                      {"full", "full"}};
    for (const auto& [name, command] : actions) {
        auto receiver = sim::VirtualMouse::Create({.link = sim::SimLink::k24g});
        receiver->Command(command);
        Bytes report(16);
        receiver->InputInterface()->Read(report, 0);
        Write(folder / ("receiver_" + name + ".bin"), report);

        auto ble = sim::VirtualMouse::Create({.link = sim::SimLink::kBle});
        Bytes value;
        ble->SetNotificationSink([&](Bytes v) { value = std::move(v); });
        ble->Command(command);
        Write(folder / ("ble_" + name + ".bin"), value);

        auto wired = sim::VirtualMouse::Create({.link = sim::SimLink::kWired});
        std::uint32_t code = 0;
        wired->SetDriverSink(
            [&](std::uintptr_t w, std::intptr_t l) { code = protocol::DriverDataCode(w, l); });
        wired->Command(command);
        Write(folder / ("driver_" + name + ".bin"),
              Bytes(reinterpret_cast<const std::uint8_t*>(&code),
                    reinterpret_cast<const std::uint8_t*>(&code) + sizeof(code)));
    }
    auto mouse = sim::VirtualMouse::Create({.link = sim::SimLink::k4kB});
    const auto defaults = profile::CreateProfile();
    const protocol::OutputFrame frame =
        protocol::BuildCommandFrame(protocol::BuildLightPacket(*defaults));
    mouse->OutputWrite(sim::SimLink::k4kB, frame);
    for (const char* name : {"status_received.bin", "status_executed.bin"}) {
        Bytes reply(protocol::kReplySize);
        mouse->CommandRead(sim::SimLink::k4kB, reply, 0);
        Write(folder / name, reply);
    }
}

// The mouse's own reports for one control line, in the form each link hands them on.
struct Reported {
    Bytes receiver;      // the 16-byte input report of the receivers
    Bytes ble;           // the Bluetooth LE notification
    std::uint32_t code;  // the vendor library's event code
};

Reported Report(const std::string& command) {
    Reported out{Bytes(16), {}, 0};
    auto receiver = sim::VirtualMouse::Create({.link = sim::SimLink::k24g});
    receiver->Command(command);
    receiver->InputInterface()->Read(out.receiver, 0);
    auto ble = sim::VirtualMouse::Create({.link = sim::SimLink::kBle});
    ble->SetNotificationSink([&](Bytes v) { out.ble = std::move(v); });
    ble->Command(command);
    auto wired = sim::VirtualMouse::Create({.link = sim::SimLink::kWired});
    wired->SetDriverSink(
        [&](std::uintptr_t w, std::intptr_t l) { out.code = protocol::DriverDataCode(w, l); });
    wired->Command(command);
    return out;
}

Bytes Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

const std::vector<std::string> kSession = {"battery 57", "stage 3",   "polling 4 4", "charging",
                                           "full",       "battery 9", "stage 1",     "polling 2 3"};

// Sequences of what the links hand the UI thread, for the device_reports target.
void WriteSequences(const fs::path& folder) {
    using fuzz::sequence::Step;
    using fuzz::sequence::Writer;
    const auto timer = [](protocol::DeviceTimer t) { return Bytes{static_cast<std::uint8_t>(t)}; };
    // One receiver session per family: the link opens, the mouse reports, then goes quiet.
    const std::vector<std::tuple<std::string, Step, std::uint8_t, protocol::DeviceTimer>>
        receivers = {{"24g", Step::kReport24g, 0, protocol::DeviceTimer::kWatchdog24g},
                     {"4k", Step::kReport4k, 1, protocol::DeviceTimer::kWatchdog4k},
                     {"4kb", Step::kReport4kB, 2, protocol::DeviceTimer::kWatchdog4kB}};
    for (const auto& [name, step, link, watchdog] : receivers) {
        Writer w({.active_profile = 1});
        w.Add(Step::kLink, {link, 1});
        for (const std::string& command : kSession) {
            const Bytes r = Report(command).receiver;
            if (step == Step::kReport4kB) {
                w.Add(step, r);
            } else {
                w.Add(step, std::span(r).subspan(1, 4));
            }
        }
        w.Add(Step::kTimer, timer(watchdog));
        Write(folder / ("receiver_" + name + ".bin"), w.bytes());
    }

    // Bluetooth LE: the settings reply, then the mouse's reports.
    Writer ble({.active_profile = 2});
    ble.Add(Step::kLink, {3, 1});
    auto mouse = sim::VirtualMouse::Create({.link = sim::SimLink::kBle});
    Bytes reply;
    mouse->SetNotificationSink([&](Bytes v) { reply = std::move(v); });
    mouse->GattWrite(protocol::BuildBleReadRequest());
    ble.Add(Step::kBle, reply);
    for (const std::string& command : kSession) {
        ble.Add(Step::kBle, Report(command).ble);
    }
    Write(folder / "ble_session.bin", ble.bytes());

    // The cable: it arrives, opens after the delay, reports, goes; then one that will not open.
    Writer wired({.active_profile = 0});
    wired.Add(Step::kLink, {0, 1});
    wired.Add(Step::kDriverEvent, Le32(protocol::kDriverArrived));
    wired.Add(Step::kTimer, timer(protocol::DeviceTimer::kWiredOpen));
    for (const std::string& command : kSession) {
        wired.Add(Step::kDriverEvent, Le32(Report(command).code));
    }
    wired.Add(Step::kDriverEvent, Le32(protocol::kDriverRemoved));
    wired.Add(Step::kCableOpens, {0});
    wired.Add(Step::kDriverEvent, Le32(protocol::kDriverArrived));
    wired.Add(Step::kTimer, timer(protocol::DeviceTimer::kWiredOpen));
    Write(folder / "wired_session.bin", wired.bytes());

    // The mouse moves from the receiver to Bluetooth LE and back.
    Writer moves({.active_profile = 0});
    const Reported battery = Report("battery 40");
    moves.Add(Step::kLink, {0, 1});
    moves.Add(Step::kReport24g, std::span(battery.receiver).subspan(1, 4));
    moves.Add(Step::kLink, {3, 1});
    moves.Add(Step::kBle, battery.ble);
    moves.Add(Step::kLink, {3, 0});
    moves.Add(Step::kReport24g, std::span(battery.receiver).subspan(1, 4));
    Write(folder / "receiver_to_ble.bin", moves.bytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path corpus = argv[1];
    const auto defaults = profile::CreateProfile();
    WriteReplies(corpus / "settings_decode", "default", *defaults);
    auto custom = profile::CreateProfile();
    custom->dpi_value[7] = 520;
    custom->dpi_enabled[7] = 1;
    custom->current_dpi_stage = 7;
    custom->lift_off_distance = 1;
    custom->angle_snap = 1;
    custom->light_mode = 1;
    custom->brightness = 15;
    custom->breath_speed = 0;
    custom->sleep_timer = 0xA5;
    custom->polling_rate = 0;
    custom->polling_rate_hs = 6;
    WriteReplies(corpus / "settings_decode", "custom", *custom);
    WriteReports(corpus / "reports");
    WriteSequences(corpus / "device_reports");
    return 0;
}
