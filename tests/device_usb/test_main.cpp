#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstring>

#include "usb_testbed.h"

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
