#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/usb/hid_backend.h"

namespace talvik::device {

// A hidraw node of one of our devices that udev lists but this user may not open: the udev
// rule is missing, or udev has not applied it yet.
struct BlockedNode {
    std::string path;
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
};

// The USB ids the udev rule covers: the wired mouse, the three receivers, the mouse on
// Bluetooth LE.
struct UsbIds {
    uint16_t vendor_id;
    uint16_t product_id;
};
const std::vector<UsbIds>& RuleIds();

// True when opening `path` for reading and writing is refused for lack of permission (EACCES
// or EPERM). Other failures (a node that just went away) are not this user's problem to fix.
bool NodeRefused(const std::string& path);

// Every node of our devices that the backend lists and NodeRefused refuses, in RuleIds order.
std::vector<BlockedNode> FindBlockedNodes(HidBackend& backend);

// How to let the user reach the devices: the rule to install (unless udev has it already), the
// commands that reload udev, and the re-plug.
struct PermissionFix {
    bool rule_installed = false;
    std::string rule_source;            // the rule file to install when it is not
    std::vector<std::string> commands;  // shell lines, run in order
};

inline constexpr char kRuleFileName[] = "70-talvik-mouse.rules";

// `app_dir`: the program's folder (ending with '/'), where the build leaves a copy of the rule.
// `rule_dirs`: where udev reads rules from (tests give their own).
PermissionFix MakePermissionFix(const std::string& app_dir,
                                const std::vector<std::string>& rule_dirs = {
                                    "/etc/udev/rules.d", "/usr/lib/udev/rules.d",
                                    "/lib/udev/rules.d"});

// The fix as the command-line tool prints it: what is wrong, the commands, the re-plug; one line
// per node first.
std::string DescribeBlocked(const std::vector<BlockedNode>& nodes, const PermissionFix& fix);

// The commands alone, one a line, as they are copied to the clipboard.
std::string CommandLines(const PermissionFix& fix);

}  // namespace talvik::device
