#include "usb_testbed.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace talvik::test {

bool EnsureUmockdevPreload(int, char** argv) {
    constexpr char kPreload[] = "libumockdev-preload.so.0";
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload != nullptr && std::strstr(preload, kPreload) != nullptr) {
        return true;
    }
    if (std::getenv("TALVIK_UMOCKDEV_REEXEC") != nullptr) {
        return false;  // the preload did not take: umockdev is not installed
    }
    setenv("LD_PRELOAD", (std::string(preload != nullptr ? preload : "") + ":" + kPreload).c_str(),
           1);
    setenv("TALVIK_UMOCKDEV_REEXEC", "1", 1);
    // The address sanitizer wants to be loaded first; the preload library comes before it here.
    const char* asan = std::getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS",
           (std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
    execv("/proc/self/exe", argv);
    return false;
}

HidrawNode::HidrawNode(UMockdevTestbed* testbed, std::string devnode)
    : testbed_(testbed), devnode_(std::move(devnode)) {
    master_ = umockdev_testbed_get_dev_fd(testbed, devnode_.c_str());
    if (master_ < 0) {
        throw std::runtime_error("no pty behind " + devnode_);
    }
    termios raw{};
    tcgetattr(master_, &raw);
    cfmakeraw(&raw);
    tcsetattr(master_, TCSANOW, &raw);
    // Our own end of the terminal, to take one announcement byte per report handed out.
    pty_ = open(ptsname(master_), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&HidrawNode::OnIoctl), this);
    g_signal_connect(handler_, "handle-read", G_CALLBACK(&HidrawNode::OnRead), this);
    if (pty_ < 0 || !umockdev_testbed_attach_ioctl(testbed, devnode_.c_str(), handler_, nullptr)) {
        throw std::runtime_error("cannot emulate " + devnode_);
    }
}

HidrawNode::~HidrawNode() {
    umockdev_testbed_detach_ioctl(testbed_, devnode_.c_str(), nullptr);
    g_signal_handlers_disconnect_by_data(handler_, this);
    g_object_unref(handler_);
    close(pty_);
}

void HidrawNode::QueueReport(std::vector<uint8_t> report) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(report));
    if (queue_.size() == 1 && !gone_) {
        Announce();
    }
}

void HidrawNode::Announce() {
    const char mark = 'r';
    if (write(master_, &mark, 1) != 1) {
        throw std::runtime_error("pty write failed");
    }
}

void HidrawNode::Disconnect() {
    std::lock_guard lock(mutex_);
    if (!gone_ && queue_.empty()) {
        Announce();  // wakes a reader blocked in poll
    }
    gone_ = true;
}

// hidapi takes a node for a hidraw node when it tells its descriptor size.
int HidrawNode::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void*) {
    if (umockdev_ioctl_client_get_request(client) != HIDIOCGRDESCSIZE) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return TRUE;
    }
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(int), nullptr);
    int size = 9;
    umockdev_ioctl_data_update(data, 0, reinterpret_cast<guint8*>(&size), sizeof size);
    g_object_unref(data);
    umockdev_ioctl_client_complete(client, 0, 0);
    return TRUE;
}

int HidrawNode::OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self_ptr) {
    auto* self = static_cast<HidrawNode*>(self_ptr);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::vector<uint8_t> report;
    {
        std::lock_guard lock(self->mutex_);
        if (self->gone_) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        if (self->queue_.empty()) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return TRUE;
        }
        report = std::move(self->queue_.front());
        self->queue_.pop_front();
        // The last report taken: the terminal goes quiet until the next one.
        char mark;
        if (self->queue_.empty() && self->pty_ >= 0 && read(self->pty_, &mark, 1) != 1) {
            mark = 0;  // already taken: nothing to quiet
        }
    }
    const size_t size = std::min(report.size(), static_cast<size_t>(arg->data_len));
    umockdev_ioctl_data_update(arg, 0, report.data(), static_cast<gint>(size));
    umockdev_ioctl_client_complete(client, static_cast<long>(size), 0);
    return TRUE;
}

UsbTestbed::UsbTestbed() : testbed_(umockdev_testbed_new()) {}

UsbTestbed::~UsbTestbed() {
    receivers_.clear();
    g_object_unref(testbed_);
}

int UsbTestbed::AddReceiver(uint16_t vid, uint16_t pid,
                            const std::vector<InterfaceSpec>& interfaces) {
    Receiver& receiver = receivers_.emplace_back();
    char usb_name[16];
    char product[32];
    char hid_id[32];
    std::snprintf(usb_name, sizeof usb_name, "1-%zu", receivers_.size());
    std::snprintf(product, sizeof product, "%x/%x/100", vid, pid);
    std::snprintf(hid_id, sizeof hid_id, "0003:0000%04X:0000%04X", vid, pid);
    gchar* usb = umockdev_testbed_add_device(testbed_, "usb", usb_name, nullptr, nullptr, "DEVTYPE",
                                             "usb_device", "PRODUCT", product, nullptr);
    receiver.usb_syspath = usb;
    for (size_t i = 0; i < interfaces.size(); ++i) {
        const std::string if_name = std::string(usb_name) + ":1." + std::to_string(i);
        gchar* intf =
            umockdev_testbed_add_device(testbed_, "usb", if_name.c_str(), usb, nullptr, "DEVTYPE",
                                        "usb_interface", "PRODUCT", product, nullptr);
        const int raw_index = next_hidraw_++;
        char hid_name[64];
        std::snprintf(hid_name, sizeof hid_name, "0003:%04X:%04X.%04X", vid, pid, raw_index + 1);
        gchar* hid =
            umockdev_testbed_add_device(testbed_, "hid", hid_name, intf, nullptr, "HID_ID", hid_id,
                                        "HID_NAME", "Emulated receiver", "HID_UNIQ", "", nullptr);
        // One top-level collection of the interface's usage (little-endian, as the host).
        guint8 descriptor[] = {0x06, 0, 0, 0x0A, 0, 0, 0xA1, 0x01, 0xC0};
        std::memcpy(descriptor + 1, &interfaces[i].usage_page, 2);
        std::memcpy(descriptor + 4, &interfaces[i].usage, 2);
        umockdev_testbed_set_attribute_binary(testbed_, hid, "report_descriptor", descriptor,
                                              sizeof descriptor);
        const std::string raw_name = "hidraw" + std::to_string(raw_index);
        const std::string devnode = "/dev/" + raw_name;
        const std::string description = std::string("P: ") + (hid + std::strlen("/sys")) + "/" +
                                        raw_name + "\nN: " + raw_name + "\nE: DEVNAME=" + devnode +
                                        "\nE: SUBSYSTEM=hidraw\n";
        if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), nullptr)) {
            throw std::runtime_error("cannot add " + raw_name);
        }
        const std::string raw_path = std::string(hid) + "/" + raw_name;
        umockdev_testbed_set_attribute_link(testbed_, raw_path.c_str(), "device", "..");
        receiver.nodes.push_back(std::make_unique<HidrawNode>(testbed_, devnode));
        receiver.hidraw_syspaths.push_back(raw_path);
        g_free(hid);
        g_free(intf);
    }
    g_free(usb);
    return static_cast<int>(receivers_.size()) - 1;
}

void UsbTestbed::Unplug(int index) {
    Receiver& receiver = receivers_.at(index);
    for (const std::string& path : receiver.hidraw_syspaths) {
        umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
    }
    umockdev_testbed_uevent(testbed_, receiver.usb_syspath.c_str(), "remove");
    for (auto& node : receiver.nodes) {
        node->Disconnect();
    }
    umockdev_testbed_remove_device(testbed_, receiver.usb_syspath.c_str());
}

}  // namespace talvik::test
