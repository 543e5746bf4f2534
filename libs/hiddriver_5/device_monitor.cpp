#include "device_monitor.h"

#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace talvik::hiddriver {

namespace {

int HexAttribute(udev_device* device, const char* name) {
    const char* value = udev_device_get_sysattr_value(device, name);
    return value != nullptr ? static_cast<int>(std::strtol(value, nullptr, 16)) : -1;
}

}  // namespace

std::unique_ptr<DeviceMonitor> DeviceMonitor::Start(int vendor_id, int product_id,
                                                    MonitorEvents events) {
    std::unique_ptr<DeviceMonitor> monitor(
        new DeviceMonitor(vendor_id, product_id, std::move(events)));
    if (!monitor->Init()) {
        return nullptr;
    }
    monitor->thread_ = std::thread([m = monitor.get()] { m->Run(); });
    return monitor;
}

DeviceMonitor::DeviceMonitor(int vendor_id, int product_id, MonitorEvents events)
    : vendor_id_(vendor_id), product_id_(product_id), events_(std::move(events)) {}

DeviceMonitor::~DeviceMonitor() {
    if (thread_.joinable()) {
        const char stop = 'q';
        [[maybe_unused]] const ssize_t n = write(wake_[1], &stop, 1);
        thread_.join();
    }
    for (const auto& [path, fd] : readers_) {
        close(fd);
    }
    for (int fd : wake_) {
        if (fd >= 0) {
            close(fd);
        }
    }
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

bool DeviceMonitor::Init() {
    if (pipe2(wake_, O_CLOEXEC) != 0) {
        return false;
    }
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return false;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        return false;
    }
    // The nodes already there count as present without an arrival message: the page opens the
    // device itself at start.
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    if (enumerate != nullptr) {
        udev_enumerate_add_match_subsystem(enumerate, "hidraw");
        udev_enumerate_scan_devices(enumerate);
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            udev_device* device =
                udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (device != nullptr) {
                if (IsOurs(device)) {
                    Add(device, false);
                }
                udev_device_unref(device);
            }
        }
        udev_enumerate_unref(enumerate);
    }
    return true;
}

bool DeviceMonitor::IsOurs(udev_device* device) const {
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    return usb != nullptr && HexAttribute(usb, "idVendor") == vendor_id_ &&
           HexAttribute(usb, "idProduct") == product_id_;
}

void DeviceMonitor::Add(udev_device* device, bool announce) {
    const char* syspath = udev_device_get_syspath(device);
    const char* node = udev_device_get_devnode(device);
    if (syspath == nullptr) {
        return;
    }
    if (node != nullptr && readers_.count(syspath) == 0) {
        const int fd = open(node, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            readers_[syspath] = fd;
        }
    }
    events_.NodeAdded(syspath, announce);
}

void DeviceMonitor::Remove(const std::string& syspath) {
    if (const auto it = readers_.find(syspath); it != readers_.end()) {
        close(it->second);
        readers_.erase(it);
    }
    events_.NodeRemoved(syspath);
}

void DeviceMonitor::Run() {
    std::uint8_t report[256];
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({wake_[0], POLLIN, 0});
        fds.push_back({udev_monitor_get_fd(monitor_), POLLIN, 0});
        std::vector<std::string> paths;
        for (const auto& [path, fd] : readers_) {
            fds.push_back({fd, POLLIN, 0});
            paths.push_back(path);
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            if (udev_device* device = udev_monitor_receive_device(monitor_)) {
                const char* action = udev_device_get_action(device);
                const char* syspath = udev_device_get_syspath(device);
                if (action != nullptr && syspath != nullptr) {
                    const std::string what = action;
                    if (what == "add" && IsOurs(device)) {
                        Add(device, true);
                    } else if (what == "remove") {
                        // The parent's ids are gone by now; a node we never added is not ours.
                        Remove(syspath);
                    }
                }
                udev_device_unref(device);
            }
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if ((fds[i].revents & POLLIN) != 0) {
                const ssize_t n = read(fds[i].fd, report, sizeof report);
                if (n > 0) {
                    events_.Report(std::span(report, static_cast<std::size_t>(n)));
                }
            } else if ((fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                // The node went away; udev's remove event follows. Stop polling it meanwhile.
                if (const auto it = readers_.find(paths[i - 2]); it != readers_.end()) {
                    close(it->second);
                    readers_.erase(it);
                }
            }
        }
    }
}

}  // namespace talvik::hiddriver
