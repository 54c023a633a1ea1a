// With one monitor nothing is asked or written, and the display area is that monitor.
#include <gtest/gtest.h>
#include <wx/gdicmn.h>

#include "app/app_config.h"
#include "displaysetup/ds_monitor.h"
#include "gl_support.h"
#include "platform/pf_displays.h"

TEST(OneMonitor, NothingIsAskedOrStoredAndTheAreaIsThatMonitor) {
    ASSERT_EQ(PfCountDisplays(), 1u);
    GameConfig.DisplayIndex = -1;
    GameConfig.GameWidth = 640;
    EXPECT_TRUE(ChooseGameDisplay());  // a dialog here would never end: the test times out
    EXPECT_EQ(GameConfig.DisplayIndex, -1);
    EXPECT_EQ(GameConfig.GameWidth, 640);
    PlatformRect monitor;
    ASSERT_TRUE(PfGetDisplayGeometry(0, &monitor));
    wxPoint position(-1, -1);
    wxSize size;
    GetDisplayArea(&position, &size);
    EXPECT_EQ(position, wxPoint(monitor.left, monitor.top));
    EXPECT_EQ(size, wxSize(monitor.width, monitor.height));
    GetDisplayArea(nullptr, nullptr);  // either may be left out
}
