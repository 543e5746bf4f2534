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
namespace {

constexpr char kPreload[] = "libumockdev-preload.so.0";
constexpr char kReexecMark[] = "TALVIK_UMOCKDEV_REEXEC";

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// The ioctl's argument of `size` bytes, or null after failing the call with EFAULT.
UMockdevIoctlData* Argument(UMockdevIoctlClient* client, size_t size) {
    GError* error = nullptr;
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, &error);
    if (data == nullptr) {
        g_clear_error(&error);
        umockdev_ioctl_client_complete(client, -1, EFAULT);
    }
    return data;
}

void CompleteWith(UMockdevIoctlClient* client, const void* bytes, size_t size, long result) {
    UMockdevIoctlData* data = Argument(client, size);
    if (data == nullptr) {
        return;
    }
    umockdev_ioctl_data_update(data, 0, static_cast<guint8*>(const_cast<void*>(bytes)),
                               static_cast<gint>(size));
    g_object_unref(data);
    umockdev_ioctl_client_complete(client, result, 0);
}

}  // namespace

bool PreloadLoaded() {
    FILE* maps = std::fopen("/proc/self/maps", "r");
    if (maps == nullptr) {
        return false;
    }
    char line[512];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, maps) != nullptr) {
        found = std::strstr(line, "libumockdev-preload") != nullptr;
    }
    std::fclose(maps);
    return found;
}

bool EnsureUmockdevPreload(int argc, char** argv) {
    (void)argc;
    if (PreloadLoaded()) {
        return true;
    }
    if (std::getenv(kReexecMark) != nullptr) {
        return false;  // the preload did not take: umockdev is not installed
    }
    std::string preload = kPreload;
    if (const char* old = std::getenv("LD_PRELOAD"); old != nullptr && *old != '\0') {
        preload = std::string(old) + ":" + preload;
    }
    setenv("LD_PRELOAD", preload.c_str(), 1);
    setenv(kReexecMark, "1", 1);
    std::string asan = "verify_asan_link_order=0";
    if (const char* old = std::getenv("ASAN_OPTIONS"); old != nullptr && *old != '\0') {
        asan = std::string(old) + ":" + asan;
    }
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    execv("/proc/self/exe", argv);
    return false;
}

HidrawNode::HidrawNode(std::string devnode, std::vector<uint8_t> descriptor, uint16_t vid,
                       uint16_t pid)
    : devnode_(std::move(devnode)), descriptor_(std::move(descriptor)), vid_(vid), pid_(pid) {}

HidrawNode::~HidrawNode() {
    if (handler_ != nullptr) {
        g_signal_handlers_disconnect_by_data(handler_, this);
        g_object_unref(handler_);
    }
    if (pty_ >= 0) {
        close(pty_);
    }
}

void HidrawNode::Attach(UMockdevTestbed* testbed) {
    int master = umockdev_testbed_get_dev_fd(testbed, devnode_.c_str());
    if (master < 0) {
        throw std::runtime_error("no pty behind " + devnode_);
    }
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    master_ = master;
    // Our own end of the terminal, to take one announcement byte per report handed out.
    pty_ = open(ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pty_ < 0) {
        throw std::runtime_error("cannot open the terminal behind " + devnode_);
    }
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&HidrawNode::OnIoctl), this);
    g_signal_connect(handler_, "handle-read", G_CALLBACK(&HidrawNode::OnRead), this);
    g_signal_connect(handler_, "handle-write", G_CALLBACK(&HidrawNode::OnWrite), this);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed, devnode_.c_str(), handler_, &error)) {
        std::string message = error != nullptr ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("attach_ioctl: " + message);
    }
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

void HidrawNode::Detach(UMockdevTestbed* testbed) {
    if (handler_ == nullptr) {
        return;
    }
    GError* error = nullptr;
    umockdev_testbed_detach_ioctl(testbed, devnode_.c_str(), &error);
    g_clear_error(&error);
    g_signal_handlers_disconnect_by_data(handler_, this);
    g_object_unref(handler_);
    handler_ = nullptr;
    std::lock_guard lock(mutex_);
    if (pty_ >= 0) {
        close(pty_);
        pty_ = -1;
    }
}

size_t HidrawNode::pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

int HidrawNode::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self_ptr) {
    auto* self = static_cast<HidrawNode*>(self_ptr);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    if (_IOC_TYPE(request) != 'H') {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
    const size_t size = _IOC_SIZE(request);
    switch (_IOC_NR(request)) {
        case _IOC_NR(HIDIOCGRDESCSIZE): {
            int value = static_cast<int>(self->descriptor_.size());
            CompleteWith(client, &value, sizeof value, 0);
            return TRUE;
        }
        case _IOC_NR(HIDIOCGRDESC): {
            hidraw_report_descriptor desc{};
            desc.size = static_cast<uint32_t>(self->descriptor_.size());
            std::memcpy(desc.value, self->descriptor_.data(), self->descriptor_.size());
            CompleteWith(client, &desc, sizeof desc, 0);
            return TRUE;
        }
        case _IOC_NR(HIDIOCGRAWINFO): {
            hidraw_devinfo info{};
            info.bustype = 3;
            info.vendor = static_cast<int16_t>(self->vid_);
            info.product = static_cast<int16_t>(self->pid_);
            CompleteWith(client, &info, sizeof info, 0);
            return TRUE;
        }
        case 0x04:    // raw name
        case 0x05:    // raw phys
        case 0x08: {  // raw uniq
            std::vector<char> text(size, '\0');
            const std::string value = _IOC_NR(request) == 0x04 ? "Emulated receiver" : "";
            std::strncpy(text.data(), value.c_str(), size > 0 ? size - 1 : 0);
            CompleteWith(client, text.data(), size, static_cast<long>(value.size() + 1));
            return TRUE;
        }
        case 0x06:    // set feature
        case 0x07: {  // get feature: report id kept, zeros after it
            UMockdevIoctlData* data = Argument(client, size);
            if (data == nullptr) {
                return TRUE;
            }
            if (_IOC_NR(request) == 0x07 && size > 0) {
                std::vector<uint8_t> zeros(size, 0);
                zeros[0] = data->data[0];
                umockdev_ioctl_data_update(data, 0, zeros.data(), static_cast<gint>(size));
            }
            g_object_unref(data);
            umockdev_ioctl_client_complete(client, static_cast<long>(size), 0);
            return TRUE;
        }
        default:
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
    }
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

int HidrawNode::OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, void*) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    umockdev_ioctl_client_complete(client, arg->data_len, 0);
    return TRUE;
}

UsbTestbed::UsbTestbed() : testbed_(umockdev_testbed_new()) {}

UsbTestbed::~UsbTestbed() {
    for (Receiver& receiver : receivers_) {
        for (auto& node : receiver.nodes) {
            node->Detach(testbed_);
        }
    }
    receivers_.clear();
    g_object_unref(testbed_);
}

int UsbTestbed::AddReceiver(uint16_t vid, uint16_t pid,
                            const std::vector<InterfaceSpec>& interfaces) {
    Receiver receiver;
    const std::string usb_name = "1-" + std::to_string(next_usb_++);
    const std::string product = Hex4(vid).substr(Hex4(vid).find_first_not_of('0')) + "/" +
                                Hex4(pid).substr(Hex4(pid).find_first_not_of('0')) + "/100";
    const std::string vid_hex = Hex4(vid);
    const std::string pid_hex = Hex4(pid);
    gchar* usb = umockdev_testbed_add_device(
        testbed_, "usb", usb_name.c_str(), nullptr, "idVendor", vid_hex.c_str(), "idProduct",
        pid_hex.c_str(), "bcdDevice", "0100", "manufacturer", "Emulated", "product",
        "Emulated receiver", "serial", "", nullptr, "DEVTYPE", "usb_device", "PRODUCT",
        product.c_str(), nullptr);
    receiver.usb_syspath = usb;
    const std::string hid_id = "0003:0000" + Upper(vid_hex) + ":0000" + Upper(pid_hex);
    for (size_t i = 0; i < interfaces.size(); ++i) {
        const std::string if_name = usb_name + ":1." + std::to_string(i);
        char number[24];
        std::snprintf(number, sizeof number, "%02zx", i);
        gchar* intf = umockdev_testbed_add_device(
            testbed_, "usb", if_name.c_str(), usb, "bInterfaceNumber", number, nullptr, "DEVTYPE",
            "usb_interface", "PRODUCT", product.c_str(), "INTERFACE", "3/0/0", nullptr);
        const int raw_index = next_hidraw_++;
        char hid_name[64];
        std::snprintf(hid_name, sizeof hid_name, "0003:%s:%s.%04X", Upper(vid_hex).c_str(),
                      Upper(pid_hex).c_str(), raw_index + 1);
        std::vector<uint8_t> descriptor =
            MakeDescriptor(interfaces[i].usage_page, interfaces[i].usage);
        gchar* hid = umockdev_testbed_add_device(
            testbed_, "hid", hid_name, intf, nullptr, "HID_ID", hid_id.c_str(), "HID_NAME",
            "Emulated receiver", "HID_UNIQ", "", "HID_PHYS", "usb-emulated/input0", nullptr);
        umockdev_testbed_set_attribute_binary(testbed_, hid, "report_descriptor", descriptor.data(),
                                              static_cast<gint>(descriptor.size()));
        const std::string raw_name = "hidraw" + std::to_string(raw_index);
        const std::string devnode = "/dev/" + raw_name;
        const std::string description = std::string("P: ") + (hid + std::strlen("/sys")) + "/" +
                                        raw_name + "\nN: " + raw_name + "\nE: DEVNAME=" + devnode +
                                        "\nE: SUBSYSTEM=hidraw\n";
        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), &error)) {
            std::string message = error != nullptr ? error->message : "?";
            g_clear_error(&error);
            throw std::runtime_error("add hidraw: " + message);
        }
        const std::string raw_path = std::string(hid) + "/" + raw_name;
        umockdev_testbed_set_attribute_link(testbed_, raw_path.c_str(), "device", "..");
        auto node = std::make_shared<HidrawNode>(devnode, descriptor, vid, pid);
        node->Attach(testbed_);
        receiver.nodes.push_back(std::move(node));
        receiver.hid_syspaths.push_back(raw_path);
        g_free(hid);
        g_free(intf);
    }
    g_free(usb);
    receivers_.push_back(std::move(receiver));
    return static_cast<int>(receivers_.size()) - 1;
}

void UsbTestbed::Release(int index) {
    for (auto& node : receivers_.at(index).nodes) {
        node->Detach(testbed_);
    }
}

void UsbTestbed::Unplug(int index) {
    Receiver& receiver = receivers_.at(index);
    for (const std::string& path : receiver.hid_syspaths) {
        umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
    }
    umockdev_testbed_uevent(testbed_, receiver.usb_syspath.c_str(), "remove");
    for (auto& node : receiver.nodes) {
        node->Disconnect();
    }
    umockdev_testbed_remove_device(testbed_, receiver.usb_syspath.c_str());
}

std::vector<uint8_t> MakeDescriptor(uint16_t usage_page, uint16_t usage) {
    auto lo = [](uint16_t v) { return static_cast<uint8_t>(v & 0xFF); };
    auto hi = [](uint16_t v) { return static_cast<uint8_t>(v >> 8); };
    return {0x06, lo(usage_page), hi(usage_page),              // usage page
            0x0A, lo(usage),      hi(usage),                   // usage
            0xA1, 0x01,                                        // collection (application)
            0x85, 0x03,                                        // report id 3
            0x15, 0x00,           0x26,           0xFF, 0x00,  // logical 0..255
            0x75, 0x08,           0x95,           0x3F,        // 63 bytes
            0x09, 0x01,           0x81,           0x02,        // input
            0x09, 0x01,           0x91,           0x02,        // output
            0x09, 0x01,           0xB1,           0x02,        // feature
            0xC0};
}

}  // namespace talvik::test
