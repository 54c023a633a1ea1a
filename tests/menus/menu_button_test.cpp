// Menu buttons, choices and key buttons with injected input: hover, press, drag out
// and back, the picture of each state, keys handed on to the menu, the choice's
// stepping and pop-up picks, and the key button's capture.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/dialog.h>
#include <wx/utils.h>

#include <vector>

#include "display/dp_session.h"
#include "display/dp_text.h"
#include "menu_test_support.h"
#include "menus/mn_menu_button.h"

namespace {

using Picture = CKorvexMenuButton::Picture;

// A shown dialog holding the buttons, counting the clicks and keys that reach it.
class MenuButtons : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenArea({0, 0, 1024, 768});
        m_dialog = new wxDialog(nullptr, wxID_ANY, "buttons");
        m_dialog->Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) { m_clicks.push_back(e.GetId()); });
        m_dialog->Bind(wxEVT_CHAR, [this](wxKeyEvent& e) { m_keys.push_back(e.GetKeyCode()); });
    }
    void Show() {
        m_dialog->Fit();
        // Away from the real pointer, wherever an earlier test left it: its crossing
        // events would change the hover state under the injected ones.
        wxPoint pointer = wxGetMousePosition();
        m_dialog->Move(pointer.x < 640 ? 700 : 0, pointer.y < 512 ? 600 : 0);
        m_dialog->Show();
        FlushToolkit();
        // Forget whatever the real pointer did while the window mapped.
        for (wxWindow* child : m_dialog->GetChildren()) SendMouse(child, wxEVT_LEAVE_WINDOW, -1, -1);
    }
    void TearDown() override {
        m_dialog->Destroy();
        FlushToolkit();
    }
    // The colour drawn at (x, y) matches the state's picture there.
    void ExpectPicture(CKorvexMenuButton* button, Picture picture) {
        ASSERT_EQ(button->CurrentPicture(), picture);
        const MenuButtonImages& images = FitMenuButtonImages(768);
        const wxBitmap* bitmaps[] = {&images.normal, &images.selected, &images.focused,
                                     &images.disabled};
        wxImage expected = bitmaps[int(picture)]->ConvertToImage();
        wxImage drawn = DrawnButton(button);
        // Left of the label, in the middle of the face.
        int x = drawn.GetWidth() / 10, y = drawn.GetHeight() / 2;
        unsigned char rgb[3];
        PicturePixelOverBlack(expected, x, y, rgb);
        EXPECT_NEAR(drawn.GetRed(x, y), rgb[0], 3) << int(picture);
        EXPECT_NEAR(drawn.GetGreen(x, y), rgb[1], 3) << int(picture);
        EXPECT_NEAR(drawn.GetBlue(x, y), rgb[2], 3) << int(picture);
    }

    wxDialog* m_dialog = nullptr;
    int m_bound[4] = {};  // the integers the controls write; they outlive the dialog
    std::vector<int> m_clicks;
    std::vector<int> m_keys;
};

TEST_F(MenuButtons, SharedPicturesAtTheScreenHeight) {
    const MenuButtonImages& small = FitMenuButtonImages(768);
    EXPECT_EQ(small.height, 38);
    EXPECT_EQ(small.width, 149);  // 614 x 38 / 156
    for (const wxBitmap* b : {&small.normal, &small.selected, &small.focused, &small.disabled}) {
        ASSERT_TRUE(b->IsOk());
        EXPECT_EQ(b->GetSize(), wxSize(149, 38));
    }
    const MenuButtonImages& large = FitMenuButtonImages(1080);
    EXPECT_EQ(large.height, 54);
    EXPECT_EQ(large.width, 212);
    // A screen under 20 pixels high still makes buttons one pixel high.
    EXPECT_EQ(FitMenuButtonImages(10).height, 1);
    EXPECT_GE(FitMenuButtonImages(10).width, 1);
    // A missing picture stays empty (it is drawn as nothing); without the normal one
    // the buttons keep the pictures' shape instead of being 0 pixels wide.
    const char* const missing[4] = {"no_such_picture", "button_selected", "no_such_picture",
                                    "button_disabled"};
    MenuButtonImages partial = LoadMenuButtonImages(768, missing);
    EXPECT_FALSE(partial.normal.IsOk());
    EXPECT_TRUE(partial.selected.IsOk());
    EXPECT_EQ(partial.height, 38);
    EXPECT_EQ(partial.width, 38 * 614 / 156);
    FitMenuButtonImages(768);
    auto* button = new CKorvexMenuButton(m_dialog, 77, "Go");
    EXPECT_EQ(button->GetMinSize(), wxSize(149, 38));
    EXPECT_EQ(button->GetMaxSize(), wxSize(149, 38));
    EXPECT_EQ(button->GetName(), "panel");
    EXPECT_TRUE(button->HasFlag(wxWANTS_CHARS));
}

TEST_F(MenuButtons, MousePressDragOutAndBack) {
    auto* button = new CKorvexMenuButton(m_dialog, 77, "Go");
    Show();
    ExpectPicture(button, Picture::Normal);
    SendMouse(button, wxEVT_ENTER_WINDOW, 5, 5);
    EXPECT_TRUE(button->IsHover());
    SendMouse(button, wxEVT_LEFT_DOWN, 5, 5);
    EXPECT_TRUE(button->IsPressed());
    ExpectPicture(button, Picture::Selected);
    LabelBox pressed = button->CurrentLabelBox();
    EXPECT_EQ(pressed.left, 38 * 12 / 100);
    EXPECT_EQ(pressed.bottom, 38 - 38 * 12 / 100);
    // Dragged outside: the normal picture, never the focused one while pressed.
    SendMouse(button, wxEVT_MOTION, 200, 5);
    EXPECT_FALSE(button->IsHover());
    ExpectPicture(button, Picture::Normal);
    EXPECT_EQ(button->CurrentLabelBox().left, 38 * 10 / 100);
    SendMouse(button, wxEVT_MOTION, 148, 37);
    ExpectPicture(button, Picture::Selected);
    SendMouse(button, wxEVT_LEFT_UP, 148, 37);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(m_clicks, std::vector<int>{77});

    // Out and released outside: no click.
    SendMouse(button, wxEVT_LEFT_DOWN, 5, 5);
    SendMouse(button, wxEVT_MOTION, 5, -1);
    SendMouse(button, wxEVT_LEFT_UP, 5, -1);
    EXPECT_EQ(m_clicks.size(), 1u);
    // A lost capture ends the press without a click.
    SendMouse(button, wxEVT_MOTION, 5, 5);
    SendMouse(button, wxEVT_LEFT_DOWN, 5, 5);
    wxMouseCaptureLostEvent lost(button->GetId());
    button->ProcessWindowEvent(lost);
    EXPECT_FALSE(button->IsPressed());
    SendMouse(button, wxEVT_LEFT_UP, 5, 5);
    EXPECT_EQ(m_clicks.size(), 1u);

    // Disabled: the disabled picture; the mouse is ignored.
    button->Enable(false);
    ExpectPicture(button, Picture::Disabled);
    SendMouse(button, wxEVT_LEFT_DOWN, 5, 5);
    EXPECT_FALSE(button->IsPressed());
    // Disabled while pressed: the release does not click.
    button->Enable(true);
    SendMouse(button, wxEVT_LEFT_DOWN, 5, 5);
    button->Enable(false);
    SendMouse(button, wxEVT_LEFT_UP, 5, 5);
    EXPECT_EQ(m_clicks.size(), 1u);
    button->Enable(true);
}

TEST_F(MenuButtons, KeysClickOrGoToTheMenu) {
    auto* first = new CKorvexMenuButton(m_dialog, 71, "One");
    auto* second = new CKorvexMenuButton(m_dialog, 72, "Two");
    (void)first;
    Show();
    // Enter clicks exactly once; the click paints as selected while it runs.
    Picture during = Picture::Normal;
    m_dialog->Bind(wxEVT_BUTTON, [&](wxCommandEvent& e) {
        during = second->CurrentPicture();
        e.Skip();
    });
    PressKey(second, WXK_RETURN);
    EXPECT_EQ(m_clicks, std::vector<int>{72});
    EXPECT_EQ(during, Picture::Selected);
    EXPECT_FALSE(second->IsFiring());
    // Escape, Space, letters and (on a button without the focus) the arrows and Tab
    // are queued to the menu.
    for (int code : {int(WXK_ESCAPE), int(WXK_SPACE), int('A'), int(WXK_LEFT), int(WXK_DOWN), int(WXK_TAB)})
        PressKey(second, code);
    EXPECT_TRUE(m_keys.empty());  // posted, not yet handled
    FlushToolkit();
    if (!second->HasFocus()) {
        EXPECT_EQ(m_keys, (std::vector<int>{WXK_ESCAPE, WXK_SPACE, 'A', WXK_LEFT, WXK_DOWN, WXK_TAB}));
    }
    EXPECT_EQ(m_clicks.size(), 1u);
}

const char* const kMusic[] = {"Off", "Once", "Loop", nullptr};

TEST_F(MenuButtons, ChoiceStepsAndPicks) {
    int& selection = m_bound[0];
    selection = 3;  // one past the end: reset to the first
    auto* choice = new CKorvexMenuChoice(m_dialog, &selection, kMusic);
    Show();
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(choice->GetLabel(), "Off");
    EXPECT_EQ(choice->ChoiceCount(), 3);
    PressKey(choice, WXK_LEFT);
    EXPECT_EQ(selection, 0);  // no wrap
    PressKey(choice, WXK_RIGHT);
    PressKey(choice, WXK_DOWN);
    EXPECT_EQ(selection, 2);
    EXPECT_EQ(choice->GetLabel(), "Loop");
    PressKey(choice, WXK_RIGHT);
    PressKey(choice, WXK_DOWN);
    EXPECT_EQ(selection, 2);
    PressKey(choice, WXK_LEFT);
    EXPECT_EQ(selection, 1);
    PressKey(choice, WXK_UP);
    EXPECT_EQ(selection, 0);
    EXPECT_TRUE(m_clicks.empty());

    // A pop-up pick arrives as a menu command of 10001 + i; it is consumed.
    std::vector<int> reached;
    m_dialog->Bind(wxEVT_MENU, [&](wxCommandEvent& e) { reached.push_back(e.GetId()); });
    wxCommandEvent pick(wxEVT_MENU, kChoicePopupFirstId + 2);
    choice->ProcessWindowEvent(pick);
    EXPECT_EQ(selection, 2);
    wxCommandEvent outside(wxEVT_MENU, kChoicePopupFirstId + 3);
    choice->ProcessWindowEvent(outside);
    EXPECT_EQ(selection, 2);
    EXPECT_TRUE(reached.empty());

    // The decoration: the label fits left of a square holding a downward triangle.
    wxImage drawn = DrawnButton(choice);
    LabelBox box = choice->CurrentLabelBox();
    int s = box.bottom - box.top, t = s / 8;
    int cx = box.right - s + s / 2, cy = box.top + s / 2;
    EXPECT_EQ(drawn.GetRed(cx, cy), 0);          // inside the triangle: black
    EXPECT_GT(drawn.GetRed(cx, cy - 2 * t), 100);  // above it: the face
    EXPECT_GT(drawn.GetRed(cx + 2 * t, cy + t - 1), 100);

    // Out-of-list selections show "-" and read no entry outside the list.
    selection = -1;
    EXPECT_EQ(choice->GetLabel(), "-");
    PressKey(choice, WXK_LEFT);
    EXPECT_EQ(selection, -1);
    PressKey(choice, WXK_RIGHT);
    EXPECT_EQ(selection, 0);
    const char* const none[] = {nullptr};
    int& empty = m_bound[1];
    auto* nothing = new CKorvexMenuChoice(m_dialog, &empty, none);
    EXPECT_EQ(nothing->GetLabel(), "-");
    PressKey(nothing, WXK_RIGHT);
    EXPECT_EQ(empty, 0);
}

// The label as the button draws it, but white on black: its ink, without the picture.
wxImage LabelInk(CKorvexMenuButton* button) {
    wxSize size = button->GetClientSize();
    wxBitmap bitmap(size.x, size.y, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        LabelBox box = button->CurrentLabelBox();
        button->DrawDecoration(dc, box);
        dc.SetBrush(*wxBLACK_BRUSH);
        dc.DrawRectangle(box.right, 0, size.x - box.right, size.y);  // the triangle
        dc.SetTextForeground(*wxWHITE);
        int height = box.bottom - box.top;
        DrawFittedText(dc, button->GetLabel(), box.left, box.top, box.right - box.left, height,
                       height < 1 ? 1 : height);
    }
    return bitmap.ConvertToImage();
}

// Every label of the display settings' choices and buttons, at three screen heights:
// its ink stays inside the label box and stands on the picture's face (black text on
// the black around the picture or on its dark rim would read as cut off).
TEST_F(MenuButtons, LabelsStandOnTheFaceAtEveryScreenSize) {
    const char* const presets[] = {"Automatic", "Low", "Medium", "High", "Custom", nullptr};
    const char* const filters[] = {"GL_LINEAR_MIPMAP_NEAREST", "Very High", nullptr};
    const char* const labels[] = {"Advanced", "Cancel", "Settings", "Configure"};
    for (int height : {768, 1024, 1080}) {
        SetScreenArea({0, 0, height * 4 / 3, height});
        std::vector<CKorvexMenuButton*> buttons;
        int& preset = m_bound[0];
        int& filter = m_bound[1];
        for (int i = 0; presets[i]; ++i) {
            preset = i;
            buttons.push_back(new CKorvexMenuChoice(m_dialog, &preset, presets));
        }
        for (int i = 0; filters[i]; ++i) {
            filter = i;
            buttons.push_back(new CKorvexMenuChoice(m_dialog, &filter, filters));
        }
        for (const char* label : labels) buttons.push_back(new CKorvexMenuButton(m_dialog, 1, label));
        wxImage picture = FitMenuButtonImages(height).normal.ConvertToImage();
        for (size_t b = 0; b < buttons.size(); ++b) {
            CKorvexMenuButton* button = buttons[b];
            // Each choice shows its own entry: the bound integer is read at drawing.
            if (b < 5) preset = int(b);
            if (b >= 5 && b < 7) filter = int(b - 5);
            SCOPED_TRACE(height);
            SCOPED_TRACE(button->GetLabel().utf8_string());
            wxImage ink = LabelInk(button);
            LabelBox box = button->CurrentLabelBox();
            int inked = 0, offBox = 0, offFace = 0;
            for (int y = 0; y < ink.GetHeight(); ++y)
                for (int x = 0; x < ink.GetWidth(); ++x) {
                    if (ink.GetRed(x, y) < 128) continue;
                    ++inked;
                    offBox += x < box.left || x >= box.right || y < box.top || y >= box.bottom;
                    unsigned char rgb[3];
                    PicturePixelOverBlack(picture, x, y, rgb);
                    offFace += (rgb[0] + rgb[1] + rgb[2]) / 3 < 100;
                }
            EXPECT_GT(inked, 20);
            EXPECT_EQ(offBox, 0);
            EXPECT_EQ(offFace, 0);
        }
        for (CKorvexMenuButton* button : buttons) button->Destroy();
        FlushToolkit();
    }
}

TEST_F(MenuButtons, KeyButtonCapturesOneKey) {
    int& key = m_bound[2];
    key = 32;
    auto* button = new CKorvexMenuKeyButton(m_dialog, &key);
    Show();
    EXPECT_EQ(button->GetLabel(), "Space");
    button->SendClick();
    EXPECT_TRUE(button->IsWaiting());
    EXPECT_EQ(button->GetLabel(), "Press Key...");
    EXPECT_TRUE(m_clicks.empty());  // the click does not reach the menu
    // Escape cancels the capture and never reaches the menu.
    PressKey(button, WXK_ESCAPE);
    EXPECT_FALSE(button->IsWaiting());
    EXPECT_EQ(key, 32);
    FlushToolkit();
    EXPECT_TRUE(m_keys.empty());
    // Enter starts the capture (a click); Enter then binds 13.
    PressKey(button, WXK_RETURN);
    EXPECT_TRUE(button->IsWaiting());
    PressKey(button, WXK_RETURN);
    EXPECT_FALSE(button->IsWaiting());
    EXPECT_EQ(key, 13);
    EXPECT_EQ(button->GetLabel(), "Enter");
    // Arrows and letters bind too.
    button->SendClick();
    PressKey(button, 'Q');
    EXPECT_EQ(key, 'Q');
    EXPECT_EQ(button->GetLabel(), "Q");
    // A second click ends the waiting without binding.
    button->SendClick();
    button->SendClick();
    EXPECT_FALSE(button->IsWaiting());
    EXPECT_EQ(key, 'Q');
    // Losing the focus ends it too.
    button->SendClick();
    wxFocusEvent kill(wxEVT_KILL_FOCUS, button->GetId());
    button->ProcessWindowEvent(kill);
    EXPECT_FALSE(button->IsWaiting());
    // Not waiting, keys go on as on any button.
    PressKey(button, WXK_ESCAPE);
    FlushToolkit();
    EXPECT_EQ(m_keys, std::vector<int>{WXK_ESCAPE});
    EXPECT_TRUE(m_clicks.empty());
}

}  // namespace
