// The start-up presence check against emulated HID devices.
#include "device/ble/ble_presence.h"

#include <gtest/gtest.h>
#include <umockdev.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace talvik::device {
namespace {

// The emulation works through a preload library that has to be there from the process start:
// run again with it before the tests begin. Without umockdev the tests skip.
const bool g_in_testbed = [] {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload != nullptr &&
        std::string(preload).find("libumockdev-preload") != std::string::npos) {
        return true;
    }
    if (std::getenv("TALVIK_UMOCKDEV_REEXEC") != nullptr) {
        return false;
    }
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(cmdline)),
                          std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    for (size_t start = 0; start < all.size();) {
        const size_t end = all.find('\0', start);
        args.push_back(all.substr(start, end - start));
        start = end == std::string::npos ? all.size() : end + 1;
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    setenv("TALVIK_UMOCKDEV_REEXEC", "1", 1);
    setenv("LD_PRELOAD", "libumockdev-preload.so.0", 1);
    // The address sanitizer wants to be loaded first; the preload library comes before it here.
    setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 0);
    execv("/proc/self/exe", argv.data());
    return false;
}();

class BlePresenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_in_testbed) {
            GTEST_SKIP() << "umockdev is not available";
        }
        testbed_ = umockdev_testbed_new();
        if (!umockdev_in_mock_environment()) {
            GTEST_SKIP() << "the umockdev preload library did not load";
        }
    }

    void TearDown() override {
        if (testbed_ != nullptr) {
            g_object_unref(testbed_);
        }
    }

    // A HID device on the given bus with ids, and its hidraw node as hidapi finds them.
    void AddHid(const char* name, const char* hid_id, const char* hidraw) {
        gchar* hid =
            umockdev_testbed_add_device(testbed_, "hid", name, nullptr, nullptr, "HID_ID", hid_id,
                                        "HID_NAME", "test mouse", "HID_UNIQ", "", nullptr);
        ASSERT_NE(hid, nullptr);
        static guint8 kDescriptor[] = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,
                                       0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01,
                                       0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0xC0, 0xC0};
        umockdev_testbed_set_attribute_binary(testbed_, hid, "report_descriptor", kDescriptor,
                                              sizeof kDescriptor);
        gchar* raw =
            umockdev_testbed_add_device(testbed_, "hidraw", hidraw, hid, nullptr, "DEVNAME",
                                        (std::string("/dev/") + hidraw).c_str(), nullptr);
        ASSERT_NE(raw, nullptr);
        gchar* root = umockdev_testbed_get_root_dir(testbed_);
        const std::string link = std::string(root) + raw + "/device";
        EXPECT_EQ(symlink("..", link.c_str()), 0);
        g_free(root);
        g_free(raw);
        g_free(hid);
    }

    UMockdevTestbed* testbed_ = nullptr;
};

TEST_F(BlePresenceTest, MouseOnBluetoothCountsAsPresent) {
    EXPECT_FALSE(BleMouseListedByHid());
    AddHid("0005:331A:5044.0001", "0005:0000331A:00005044", "hidraw0");
    EXPECT_TRUE(BleMouseListedByHid());
}

TEST_F(BlePresenceTest, OtherIdsDoNot) {
    AddHid("0005:331A:5043.0001", "0005:0000331A:00005043", "hidraw0");
    AddHid("0005:1D57:5044.0002", "0005:00001D57:00005044", "hidraw1");
    EXPECT_FALSE(BleMouseListedByHid());
}

}  // namespace
}  // namespace talvik::device
