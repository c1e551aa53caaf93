#include "shell/scan_dialog.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

TEST(StartResolution, DeviceValueOrClosestTo150) {
    ScannerCapabilities caps;
    caps.resolutions = {75, 100, 150, 200, 300, 600, 1200};
    caps.resolution = 300;
    EXPECT_EQ(StartResolution(caps), 300);
    // A value the list lacks (a backend reading 0) gives 150.
    caps.resolution = 0;
    EXPECT_EQ(StartResolution(caps), 150);
    // |200 - 150| = 50 beats |75 - 150| = 75.
    caps.resolutions = {75, 200};
    EXPECT_EQ(StartResolution(caps), 200);
    // Nothing offered: the device's own value.
    caps.resolutions.clear();
    caps.resolution = 96;
    EXPECT_EQ(StartResolution(caps), 96);
}

}  // namespace
}  // namespace vimbra
