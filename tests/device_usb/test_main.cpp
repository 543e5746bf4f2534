#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstring>

#include "usb_testbed.h"

// The thread sanitizer sees inside neither GLib's locks nor the testbed's worker thread that
// serves the emulated devices; their reports are about the test harness, not about our code.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libglib-2.0.so.0\n"
           "race:libumockdev.so.0\n";
}

// The emulated devices need the umockdev preload in this very process: re-run under it, or
// report the suite as skipped (77) where umockdev is not installed. Listing the tests needs
// neither.
int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i) {
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    }
    if (!listing && !talvik::test::EnsureUmockdevPreload(argc, argv)) {
        return 77;
    }
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
