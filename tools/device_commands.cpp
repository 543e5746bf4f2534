// The commands that talk to the mouse: list the links, apply a profile, read the settings back.
#include <condition_variable>
#include <mutex>

#include "cli.h"
#include "device/ble/ble_presence.h"
#include "device/usb/command_interfaces.h"
#include "device/usb/hidapi_backend.h"
#include "device/usb/node_access.h"
#include "device/usb/receiver_family.h"
#include "profile/profile_defaults.h"
#include "protocol/hiddriver_api.h"
#include "protocol/settings_decode.h"
#include "protocol/vendor_library.h"
#include "protocol/worker.h"
#include "sim/sim_links.h"
#include "sim/virtual_mouse.h"

namespace talvik::tools {

namespace {

struct LinkLine {
    std::string name;
    std::string description;
};

// The links that are up, with what keeps them open.
struct OpenLinks {
    protocol::Links links;
    std::vector<LinkLine> lines;
    bool ble_only_listed = false;  // the mouse is on Bluetooth LE, which the tool cannot drive
    std::shared_ptr<sim::VirtualMouse> mouse;
    std::shared_ptr<protocol::VendorLibrary> vendor;
    std::vector<device::BlockedNode> blocked;  // present, but this user may not open them
};

// What is wrong and the commands that fix it.
std::string PermissionProblem(const Context& context, const OpenLinks& open) {
    const device::PermissionFix fix =
        device::MakePermissionFix(context.resource_dir.string() + "/");
    std::string text = device::DescribeBlocked(open.blocked, fix);
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::optional<sim::SimLink> SimLinkNamed(const std::string& name) {
    static const std::pair<const char*, sim::SimLink> kNames[] = {{"wired", sim::SimLink::kWired},
                                                                  {"24g", sim::SimLink::k24g},
                                                                  {"4k", sim::SimLink::k4k},
                                                                  {"4kb", sim::SimLink::k4kB},
                                                                  {"ble", sim::SimLink::kBle}};
    for (const auto& [text, link] : kNames) {
        if (name == text) {
            return link;
        }
    }
    return std::nullopt;
}

std::optional<OpenLinks> OpenSimulated(Context& context, std::string* error) {
    const std::optional<sim::SimLink> link = SimLinkNamed(context.simulate);
    if (!link) {
        *error = "unknown link \"" + context.simulate + "\" (wired, 24g, 4k, 4kb or ble)";
        return std::nullopt;
    }
    OpenLinks open;
    open.mouse = sim::VirtualMouse::Create(sim::VirtualMouse::OptionsFromEnvironment(*link));
    open.links = sim::LinksFor(*open.mouse, *link);
    open.lines.push_back({context.simulate, "virtual mouse"});
    return open;
}

OpenLinks OpenReal(Context& context) {
    OpenLinks open;
    const std::string library = (context.resource_dir / TALVIK_HIDDRIVER_FILE).string();
    open.vendor = protocol::LoadVendorLibrary(library);
    if (open.vendor) {
        open.vendor->SetVidPid(protocol::kWiredVendorId, protocol::kWiredProductId);
        if (open.vendor->OpenFeatureDevice()) {
            open.links.flags.wired = protocol::WiredState::kConnected;
            open.links.handles.wired = open.vendor;
            open.lines.push_back({"wired", "mouse on the USB cable (331A:503C)"});
        }
    }
    const auto backend = device::HidapiBackend::Create();
    if (!backend) {
        return open;
    }
    open.blocked = device::FindBlockedNodes(*backend);
    for (device::CommandInterface& opened : device::OpenCommandInterfaces(*backend)) {
        const device::FamilyTraits& traits = device::Traits(opened.family);
        char ids[32];
        std::snprintf(ids, sizeof ids, " (%04X:%04X) at %s", traits.vendor_id, traits.product_id,
                      opened.path.c_str());
        switch (opened.family) {
            case device::ReceiverFamily::k24g:
                open.links.flags.link_24g = true;
                open.links.handles.command_24g = std::move(opened.device);
                open.lines.push_back({"24g", std::string("2.4 GHz receiver") + ids});
                break;
            case device::ReceiverFamily::k4k:
                open.links.flags.link_4k = true;
                open.links.handles.command_4k = std::move(opened.device);
                open.lines.push_back({"4k", std::string("4 kHz receiver") + ids});
                break;
            case device::ReceiverFamily::k4kB:
                open.links.flags.link_4k_b = true;
                open.links.handles.command_4k_b = std::move(opened.device);
                open.lines.push_back({"4kb", std::string("4 kHz receiver B") + ids});
                break;
        }
    }
    if (device::BleMouseListedByHid()) {
        open.lines.push_back({"ble", "mouse on Bluetooth LE (331A:5044)"});
        open.ble_only_listed = open.lines.size() == 1;
    }
    open.links.flags.any_link = open.links.flags.AnyUp();
    return open;
}

std::optional<OpenLinks> Open(Context& context, std::string* error) {
    if (!context.simulate.empty()) {
        return OpenSimulated(context, error);
    }
    OpenLinks open = OpenReal(context);
    if (!open.blocked.empty()) {
        *error = PermissionProblem(context, open);
        return std::nullopt;
    }
    if (open.lines.empty()) {
        *error = "no mouse found (no cable, receiver or Bluetooth LE mouse is connected)";
        return std::nullopt;
    }
    if (open.ble_only_listed) {
        *error = "the mouse is connected over Bluetooth LE only; use the program to reach it";
        return std::nullopt;
    }
    return open;
}

std::unique_ptr<profile::ProfileInfo> ReadProfile(const std::string& path, std::string* error) {
    auto record = std::make_unique<profile::ProfileInfo>();
    if (!ReadRecordFile(path, record.get(), sizeof(profile::ProfileInfo), error)) {
        return nullptr;
    }
    profile::RepairProfile(*record);
    return record;
}

protocol::JobResult RunJob(Context& context, protocol::JobKind kind,
                           const profile::ProfileInfo& profile, const protocol::Links& links) {
    protocol::JobInput input;
    input.kind = kind;
    input.current = std::make_unique<profile::ProfileInfo>(profile);
    input.applied = std::make_unique<profile::ProfileInfo>();
    input.force_full_apply = true;
    input.links = links;
    protocol::RealClock real_clock;
    return protocol::Worker::RunJob(std::move(input),
                                    context.clock != nullptr ? *context.clock : real_clock);
}

}  // namespace

int RunDevicesCommand(Context& context) {
    if (!context.args.empty()) {
        return UsageError(context, GroupNamed("devices"), "unexpected argument " + context.args[0]);
    }
    std::string error;
    const std::optional<OpenLinks> open = !context.simulate.empty()
                                              ? OpenSimulated(context, &error)
                                              : std::optional(OpenReal(context));
    if (!open) {
        return Fail(context, error);
    }
    for (const LinkLine& line : open->lines) {
        context.out << line.name << " " << line.description << "\n";
    }
    if (!open->blocked.empty()) {
        return Fail(context, PermissionProblem(context, *open));
    }
    if (open->lines.empty()) {
        return Fail(context, "no mouse found");
    }
    return 0;
}

int RunApplyCommand(Context& context) {
    const CommandGroup& group = GroupNamed("apply");
    if (context.args.size() != 1) {
        return UsageError(context, group, "apply needs one profile file");
    }
    std::string error;
    const std::unique_ptr<profile::ProfileInfo> profile = ReadProfile(context.args[0], &error);
    if (!profile) {
        return Fail(context, error);
    }
    const std::optional<OpenLinks> open = Open(context, &error);
    if (!open) {
        return Fail(context, error);
    }
    const protocol::LinkFlags& flags = open->links.flags;
    if (!flags.wired_up() && !flags.link_4k_b && !flags.ble) {
        return Fail(context,
                    "commands go over the cable, 4 kHz receiver B or Bluetooth LE; the "
                    "mouse is on none of them");
    }
    const protocol::JobResult result =
        RunJob(context, protocol::JobKind::kApply, *profile, open->links);
    if (result.apply.failed > 0 || result.apply.sent == 0) {
        return Fail(context, "the mouse took " + std::to_string(result.apply.sent) + " of " +
                                 std::to_string(result.apply.sent + result.apply.failed) +
                                 " packets");
    }
    context.out << "sent " << result.apply.sent << " packets over " << open->lines.front().name
                << "\n";
    return 0;
}

int RunReadCommand(Context& context) {
    const CommandGroup& group = GroupNamed("read");
    std::optional<std::string> base_path;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        if (context.args[i] == "--base" && i + 1 < context.args.size() && !base_path) {
            base_path = context.args[++i];
        } else {
            rest.push_back(context.args[i]);
        }
    }
    const OutputArgs output = ParseOutputArgs(rest);
    if (!output.error.empty() || !output.positional.empty() || !output.output) {
        return UsageError(context, group,
                          output.error.empty() ? "read needs -o OUT.pro" : output.error);
    }
    std::string error;
    std::unique_ptr<profile::ProfileInfo> profile =
        base_path ? ReadProfile(*base_path, &error) : profile::CreateProfile();
    if (!profile) {
        return Fail(context, error);
    }
    std::optional<OpenLinks> open = Open(context, &error);
    if (!open) {
        return Fail(context, error);
    }
    // Over Bluetooth LE the settings come back as one notification.
    std::mutex mutex;
    std::condition_variable arrived;
    std::optional<std::vector<std::uint8_t>> reply;
    if (open->mouse) {
        open->mouse->SetNotificationSink([&](std::vector<std::uint8_t> value) {
            std::lock_guard lock(mutex);
            if (!value.empty() && value[0] == 0xA0) {
                reply = std::move(value);
                arrived.notify_all();
            }
        });
    }
    const protocol::JobResult result =
        RunJob(context, protocol::JobKind::kReadBack, *profile, open->links);
    const protocol::ReadBackResult& read = result.read;
    int blocks = 0;
    if (read.over_ble) {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds(3), [&] { return reply.has_value(); });
        const auto settings = reply ? protocol::DecodeBleReply(*reply) : std::nullopt;
        if (settings) {
            blocks += settings->polling ? 1 : 0;
            blocks += settings->sensor ? 1 : 0;
            blocks += settings->light ? 1 : 0;
            if (settings->polling) {
                protocol::StorePollingSettings(*settings->polling, *profile);
            }
            if (settings->sensor) {
                protocol::StoreSensorSettings(*settings->sensor, *profile);
            }
            if (settings->light) {
                protocol::StoreLightSettings(*settings->light, *profile);
            }
        }
    } else {
        if (read.polling) {
            protocol::StorePollingSettings(*read.polling, *profile);
            ++blocks;
        }
        if (read.sensor) {
            protocol::StoreSensorSettings(*read.sensor, *profile);
            ++blocks;
        }
        if (read.light) {
            protocol::StoreLightSettings(*read.light, *profile);
            ++blocks;
        }
    }
    if (open->mouse) {
        open->mouse->SetNotificationSink({});
    }
    if (blocks == 0) {
        return Fail(context, "the mouse sent no settings back");
    }
    if (!WriteWholeFile(*output.output, profile.get(), sizeof(profile::ProfileInfo), &error)) {
        return Fail(context, error);
    }
    context.out << "read " << blocks << " settings blocks into " << *output.output << "\n";
    return 0;
}

}  // namespace talvik::tools
