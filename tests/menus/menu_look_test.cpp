// How a menu looks on the screen: the sample settings menu painted under Xvfb, read
// back from the screen (so it runs alone: no other window may cover it), checked where
// the group frames and titles must be, and saved for a look.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>

#include "display/dp_session.h"
#include "gl_support.h"
#include "menu_test_support.h"
#include "menus/mn_menu.h"
#include "menus/mn_menu_button.h"
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

int Brightness(const wxImage& image, int x, int y) {
    return (image.GetRed(x, y) + image.GetGreen(x, y) + image.GetBlue(x, y)) / 3;
}

TEST(ScreenshotMenu, SampleSettingsMenu) {
    SetScreenArea({0, 0, 1024, 768});
    SampleMenuValues values;
    SampleMenu sample = BuildSampleMenu(values);
    CKorvexMenu* menu = sample.menu.get();
    wxImage shot;
    int result = RunModal(menu, [&] {
        menu->Raise();
        PumpFor(200);
        FlushToolkit();
        shot = GrabScreen(menu->GetScreenRect());
        menu->EndModal(MenuResultCancel);
    }, 300);
    EXPECT_EQ(result, MenuResultCancel);
    ASSERT_TRUE(shot.IsOk());
    shot.SaveFile("menu_sample_1024x768.png", wxBITMAP_TYPE_PNG);

    EXPECT_LT(Brightness(shot, 2, 2), 10);  // black all round
    const int t = 768 / 24, half = t / 2;
    const auto& groups = menu->Groups();
    ASSERT_EQ(groups.size(), 3u);
    for (const MenuGroup& g : groups) {
        wxPoint at = g.box->GetPosition();
        wxSize size = g.box->GetSize();
        int top = g.title.empty() ? at.y + 3 : at.y + half;
        SCOPED_TRACE(g.title.utf8_string());
        // The frame: left and right lines 3 pixels in, the top line, the bottom line.
        EXPECT_GT(Brightness(shot, at.x + 3, at.y + size.y / 2), 200);
        EXPECT_LT(Brightness(shot, at.x + 1, at.y + size.y / 2), 40);
        EXPECT_GT(Brightness(shot, at.x + size.x - 4, at.y + size.y / 2), 200);
        EXPECT_GT(Brightness(shot, at.x + size.x - 20, top), 200);
        EXPECT_GT(Brightness(shot, at.x + size.x / 2, at.y + size.y - 4), 200);
        if (!g.title.empty()) {
            // The line is blanked behind the title, which starts 18 pixels in.
            EXPECT_LT(Brightness(shot, at.x + 14, top), 40);
            int ink = 0;
            for (int x = at.x + 18; x < at.x + 18 + t; ++x)
                for (int y = at.y; y < at.y + t; ++y) ink += Brightness(shot, x, y) > 128;
            EXPECT_GT(ink, 10);
        }
    }
    // The buttons show their pictures: the face colour of the normal picture left of
    // Cancel's label.
    wxImage picture = FitMenuButtonImages(768).normal.ConvertToImage();
    wxPoint cancel = sample.cancel->GetPosition();
    int px = picture.GetWidth() / 10, py = picture.GetHeight() / 2;
    unsigned char rgb[3];
    PicturePixelOverBlack(picture, px, py, rgb);
    EXPECT_NEAR(shot.GetBlue(cancel.x + px, cancel.y + py), rgb[2], 6);
}

}  // namespace
