// Writes the seed replies and reports of the protocol fuzz targets, as the virtual mouse sends
// them: make_protocol_corpus <corpus folder>.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "macro/record_name.h"
#include "profile/profile_defaults.h"
#include "protocol/mouse_report.h"
#include "protocol/output_frame.h"
#include "protocol/read_request.h"
#include "protocol/settings_packets.h"
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
    return 0;
}
