#include "device/usb/node_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "device/usb/receiver_family.h"

namespace talvik::device {

const std::vector<UsbIds>& RuleIds() {
    static const std::vector<UsbIds> ids = [] {
        std::vector<UsbIds> list{{0x331A, 0x503C}};  // the mouse on its cable
        for (const ReceiverFamily family : kAllFamilies) {
            list.push_back({Traits(family).vendor_id, Traits(family).product_id});
        }
        list.push_back({0x331A, 0x5044});  // the mouse on Bluetooth LE (HID over GATT)
        return list;
    }();
    return ids;
}

bool NodeRefused(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EACCES || errno == EPERM;
}

std::vector<BlockedNode> FindBlockedNodes(HidBackend& backend) {
    std::vector<BlockedNode> blocked;
    for (const UsbIds& ids : RuleIds()) {
        for (const HidInterfaceInfo& info : backend.Enumerate(ids.vendor_id, ids.product_id)) {
            if (NodeRefused(info.path)) {
                blocked.push_back({info.path, ids.vendor_id, ids.product_id});
            }
        }
    }
    return blocked;
}

PermissionFix MakePermissionFix(const std::string& app_dir,
                                const std::vector<std::string>& rule_dirs) {
    PermissionFix fix;
    std::error_code ec;
    for (const std::string& dir : rule_dirs) {
        if (std::filesystem::is_regular_file(std::filesystem::path(dir) / kRuleFileName, ec)) {
            fix.rule_installed = true;
        }
    }
    if (!fix.rule_installed) {
        // The build and the package leave the rule beside the program; a bare checkout has it
        // in packaging/.
        const std::filesystem::path beside = std::filesystem::path(app_dir) / kRuleFileName;
        fix.rule_source = std::filesystem::is_regular_file(beside, ec)
                              ? beside.string()
                              : std::string("packaging/") + kRuleFileName;
        fix.commands.push_back("sudo install -m 644 " + fix.rule_source + " /etc/udev/rules.d/");
    }
    fix.commands.push_back("sudo udevadm control --reload-rules");
    fix.commands.push_back("sudo udevadm trigger --subsystem-match=hidraw --subsystem-match=usb");
    return fix;
}

std::string CommandLines(const PermissionFix& fix) {
    std::string lines;
    for (const std::string& command : fix.commands) {
        lines += command + "\n";
    }
    return lines;
}

std::string DescribeBlocked(const std::vector<BlockedNode>& nodes, const PermissionFix& fix) {
    std::string text;
    for (const BlockedNode& node : nodes) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04X:%04X", node.vendor_id, node.product_id);
        text += "permission denied: " + node.path + " (" + ids + ")\n";
    }
    text +=
        "The mouse or its receiver is connected, but this user may not open it. Do not run "
        "the program as root; let udev give the logged-in user access instead:\n";
    for (const std::string& command : fix.commands) {
        text += "    " + command + "\n";
    }
    text += "Then unplug the receiver or cable and plug it in again.\n";
    return text;
}

}  // namespace talvik::device
