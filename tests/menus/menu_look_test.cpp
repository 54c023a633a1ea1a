// How a menu looks on the screen: the sample settings menu painted under Xvfb, read
// back from the screen and saved for a look.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>

#include "display/dp_session.h"
#include "menu_test_support.h"
#include "menus/mn_menu.h"
#include "sample_menu.h"

namespace {

wxImage GrabScreen(const wxRect& rect) {
    wxBitmap shot(rect.width, rect.height, 24);
    wxMemoryDC memory(shot);
    wxScreenDC screen;
    memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    memory.SelectObject(wxNullBitmap);
    return shot.ConvertToImage();
}

TEST(MenuLook, SampleSettingsMenu) {
    ScreenArea = {0, 0, 1024, 768};
    SampleMenuValues values;
    SampleMenu sample = BuildSampleMenu(values);
    wxImage shot;
    wxRect rect;
    int result = RunModal(sample.menu.get(), [&] {
        FlushToolkit();
        rect = sample.menu->GetScreenRect();
        shot = GrabScreen(wxRect(0, 0, 1024, 768));
        sample.menu->EndModal(MenuResultCancel);
    }, 400);
    EXPECT_EQ(result, MenuResultCancel);
    ASSERT_TRUE(shot.IsOk());
    shot.SaveFile("menu_sample_1024x768.png", wxBITMAP_TYPE_PNG);
}

}  // namespace
