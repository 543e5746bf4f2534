#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/usb/receiver_family.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace talvik::test {

// Re-executes the running program under the umockdev preload when it is not loaded yet. Returns
// false when umockdev is not installed (the caller then exits with 77, "skipped").
bool EnsureUmockdevPreload(int argc, char** argv);

// One HID interface of an emulated receiver, by its usage.
using InterfaceSpec = device::UsagePair;

// An emulated hidraw node: answers the ioctl hidapi opens with and hands out queued input reports
// one per read. umockdev does not see poll(), so the node is a pseudo-terminal that holds one
// byte while reports are queued (and after a disconnect): poll() then wakes the reader.
class HidrawNode {
public:
    HidrawNode(UMockdevTestbed* testbed, std::string devnode);
    ~HidrawNode();

    void QueueReport(std::vector<uint8_t> report);
    // The device goes away: every read from now on fails as on a pulled receiver.
    void Disconnect();

private:
    void Announce();
    static int OnIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);
    static int OnRead(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);

    UMockdevTestbed* testbed_;
    std::string devnode_;
    UMockdevIoctlBase* handler_ = nullptr;
    int pty_ = -1;
    int master_ = -1;
    std::mutex mutex_;
    std::deque<std::vector<uint8_t>> queue_;
    bool gone_ = false;
};

// A umockdev testbed holding emulated USB receivers, each a usb_device with one usb_interface,
// hid node and hidraw node per HID interface, added in kernel order.
class UsbTestbed {
public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    struct Receiver {
        std::string usb_syspath;
        std::vector<std::string> hidraw_syspaths;
        std::vector<std::unique_ptr<HidrawNode>> nodes;
    };

    // Adds a receiver with the given interfaces; returns its index.
    int AddReceiver(uint16_t vid, uint16_t pid, const std::vector<InterfaceSpec>& interfaces);
    Receiver& receiver(int index) { return receivers_.at(index); }
    HidrawNode& node(int receiver, int interface) {
        return *receivers_.at(receiver).nodes.at(interface);
    }
    // Sends "remove" for every node of the receiver, then removes it from the tree.
    void Unplug(int index);
    // Drops the emulation of a pulled receiver's nodes, once nothing reads them any more.
    void Release(int index) { receivers_.at(index).nodes.clear(); }

private:
    UMockdevTestbed* testbed_ = nullptr;
    std::deque<Receiver> receivers_;
    int next_hidraw_ = 0;
};

}  // namespace talvik::test
