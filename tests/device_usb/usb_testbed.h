#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace talvik::test {

// Re-executes the running program under the umockdev preload when it is not loaded yet. Returns
// false when umockdev is not installed (the caller then exits with 77, "skipped").
bool EnsureUmockdevPreload(int argc, char** argv);

// One HID interface of an emulated receiver.
struct InterfaceSpec {
    uint16_t usage_page = 0;
    uint16_t usage = 0;
};

// An emulated hidraw node: answers the HID ioctls hidapi uses and hands out queued input reports
// one per read. umockdev does not see poll(), so the node is a pseudo-terminal that holds one
// byte while reports are queued (and after a disconnect): poll() then wakes the reader.
class HidrawNode {
public:
    HidrawNode(std::string devnode, std::vector<uint8_t> descriptor, uint16_t vid, uint16_t pid);
    ~HidrawNode();

    const std::string& devnode() const { return devnode_; }
    void Attach(UMockdevTestbed* testbed);
    void QueueReport(std::vector<uint8_t> report);
    size_t pending() const;
    // The device goes away: every read from now on fails as on a pulled receiver.
    void Disconnect();
    // Lets go of the emulation (after Disconnect, with no reader left).
    void Detach(UMockdevTestbed* testbed);

private:
    void Announce();
    static int OnIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);
    static int OnRead(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);
    static int OnWrite(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);

    std::string devnode_;
    std::vector<uint8_t> descriptor_;
    uint16_t vid_;
    uint16_t pid_;
    UMockdevIoctlBase* handler_ = nullptr;
    int pty_ = -1;
    int master_ = -1;
    mutable std::mutex mutex_;
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
        std::vector<std::string> hid_syspaths;
        std::vector<std::shared_ptr<HidrawNode>> nodes;
    };

    // Adds a receiver with the given interfaces; returns its index.
    int AddReceiver(uint16_t vid, uint16_t pid, const std::vector<InterfaceSpec>& interfaces);
    Receiver& receiver(int index) { return receivers_.at(index); }
    HidrawNode& node(int receiver, int interface) {
        return *receivers_.at(receiver).nodes.at(interface);
    }

    // Sends "remove" for every node of the receiver, then removes it from the tree.
    void Unplug(int index);
    // Drops what the testbed keeps for a pulled receiver, once nothing reads its nodes any more.
    void Release(int index);

private:
    UMockdevTestbed* testbed_ = nullptr;
    std::vector<Receiver> receivers_;
    int next_usb_ = 1;
    int next_hidraw_ = 0;
};

// A report descriptor with one top-level collection of the given usage, with input, output and
// feature reports of id 3 carrying 63 bytes.
std::vector<uint8_t> MakeDescriptor(uint16_t usage_page, uint16_t usage);

}  // namespace talvik::test
