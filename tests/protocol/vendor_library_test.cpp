#include "protocol/vendor_library.h"

#include <gtest/gtest.h>
#include <hidapi.h>

#include <vector>

#include "monitor_events.h"

namespace talvik::protocol {
namespace {

struct Posted {
    std::uint32_t message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
    bool operator==(const Posted&) const = default;
};

void Record(void* context, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    static_cast<std::vector<Posted>*>(context)->push_back({message, wparam, lparam});
}

TEST(VendorLibrary, BuiltLibraryLoadsAndAnswersWithoutAMouse) {
    auto library = LoadVendorLibrary(TALVIK_HIDDRIVER_PATH);
    ASSERT_TRUE(library);
    library->SetVidPid(kWiredVendorId, kWiredProductId);
    std::vector<Posted> posts;
    const TalvikWindowHandle window{&posts, &Record};
    library->OpenDevMonitor(&window, msg::WM_MS5_DRIVER_DATA, msg::WM_MS5_DRIVER_PLUG);
    // No wired mouse on the test machine: nothing opens and nothing is sent.
    EXPECT_FALSE(library->OpenFeatureDevice());
    const std::uint8_t report[10] = {0x0C, 0x0A, 0x01};
    EXPECT_FALSE(library->SetFeature(report));
    std::uint8_t buffer[8] = {0xA0};
    EXPECT_FALSE(library->GetFeature(buffer));
    library->CloseFeatureDevice();
    library->CloseDevMonitor();
    library->CloseDevMonitor();
    EXPECT_TRUE(posts.empty());
    library.reset();
    // hidapi keeps its last error in a global of its own until the program ends it.
    hid_exit();
}

TEST(VendorLibrary, MissingLibraryOrEntryPointMeansNoWiredLink) {
    EXPECT_FALSE(LoadVendorLibrary("/nonexistent/libhiddriver_5.so"));
    EXPECT_FALSE(LoadVendorLibrary(TALVIK_STUB_HIDDRIVER_PATH));
}

TEST(MonitorEvents, OneArrivalAndRemovalPerMouseAndReportsAsDataMessages) {
    std::vector<Posted> posts;
    hiddriver::MonitorEvents events({&posts, &Record}, 0x653, 0x654);
    events.NodeAdded("/sys/a", false);  // present at start: no message
    events.NodeRemoved("/sys/a");
    events.NodeAdded("/sys/a");
    events.NodeAdded("/sys/b");
    events.NodeRemoved("/sys/unknown");
    events.NodeRemoved("/sys/a");
    events.NodeRemoved("/sys/b");
    EXPECT_EQ(posts, (std::vector<Posted>{{0x654, 0, 0}, {0x654, 1, 0}, {0x654, 0, 0}}));
    posts.clear();
    const std::uint8_t battery[] = {3, 0xC5, 0x40, 0x05, 0x39, 0, 0};
    const std::uint8_t foreign[] = {3, 0x00, 0x10, 0x02, 0x00};
    const std::uint8_t shorty[] = {3, 0xC5, 0x10, 0x02};
    events.Report(battery);
    events.Report(foreign);
    events.Report(shorty);
    EXPECT_EQ(posts, std::vector<Posted>{(Posted{0x653, 0x40C5, 0x3905})});
    // A window without a post function takes nothing and breaks nothing.
    hiddriver::MonitorEvents silent({nullptr, nullptr}, 1, 2);
    silent.NodeAdded("/sys/a");
    silent.Report(battery);
    EXPECT_TRUE(silent.present());
}

}  // namespace
}  // namespace talvik::protocol
