// The menu framework: layout in screen units at two display sizes (walking the
// sizers), the result of every way to end a menu, and keys reaching it through its
// controls, with injected input.
#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "display/dp_command_ids.h"
#include "display/dp_session.h"
#include "display/dp_text.h"
#include "menu_test_support.h"
#include "menus/mn_homemade.h"
#include "menus/mn_menu.h"
#include "menus/mn_menu_button.h"
#include "sample_menu.h"

namespace {

template <typename T>
std::vector<T*> ChildrenOf(wxWindow* parent) {
    std::vector<T*> found;
    for (wxWindow* child : parent->GetChildren())
        if (auto* typed = dynamic_cast<T*>(child)) found.push_back(typed);
    return found;
}

// The point size GetFontForPixelHeight picks for px.
int PointSizeFor(int px) {
    wxBitmap probe(8, 8, 24);
    wxMemoryDC dc(probe);
    GetFontForPixelHeight(dc, px);
    return dc.GetFont().GetPointSize();
}

struct Expected {
    int width, height;
    int buttonWidth, buttonHeight;  // the normal picture at H / 20
    int labelPx, paragraphPx;       // H / 24, H / 36
    wxSize title;                   // "text_settings" at 0.4 W, at most 0.15 H
    int gapX, titledGap, plainGap;  // 0.01 W, 0.05 H, 0.01 H
};

TEST(MenuLayout, ScreenUnitsAtTwoDisplaySizes) {
    const Expected cases[] = {
        {1024, 768, 149, 38, 32, 21, wxSize(409, 113), 10, 38, 7},
        {1920, 1080, 212, 54, 45, 30, wxSize(584, 162), 19, 54, 10},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.width);
        SetScreenArea({0, 0, e.width, e.height});
        SampleMenuValues values;
        SampleMenu sample = BuildSampleMenu(values);
        CKorvexMenu* menu = sample.menu.get();
        ASSERT_NE(menu->Builder(), nullptr);
        menu->FinishLayout();
        EXPECT_EQ(menu->Builder(), nullptr);
        EXPECT_EQ(menu->GetParent(), static_cast<wxWindow*>(GetBackgroundFrame()));
        EXPECT_EQ(menu->GetAffirmativeId(), MenuResultOk);
        EXPECT_EQ(menu->GetEscapeId(), MenuResultCancel);
        EXPECT_EQ(menu->GetBackgroundColour(), *wxBLACK);
        EXPECT_TRUE(menu->HasFlag(wxNO_BORDER));

        // Every control has the size of the button pictures.
        auto buttons = ChildrenOf<CKorvexMenuButton>(menu);
        EXPECT_EQ(buttons.size(), 7u);
        for (CKorvexMenuButton* b : buttons) EXPECT_EQ(b->GetSize(), wxSize(e.buttonWidth, e.buttonHeight));

        // Fonts by pixel height: labels H / 24, the paragraph (class 1) H / 36.
        int labels = 0;
        for (wxStaticText* label : ChildrenOf<wxStaticText>(menu)) {
            ++labels;
            EXPECT_EQ(label->GetFont().GetPointSize(), PointSizeFor(e.labelPx));
            EXPECT_EQ(label->GetForegroundColour(), *wxWHITE);
            wxClientDC dc(label);
            dc.SetFont(label->GetFont());
            EXPECT_LE(dc.GetCharHeight(), e.labelPx);
            EXPECT_GT(dc.GetCharHeight(), e.labelPx * 3 / 4);
        }
        EXPECT_EQ(labels, 5);
        auto paragraphs = ChildrenOf<CMultiLineSizedText>(menu);
        ASSERT_EQ(paragraphs.size(), 1u);
        EXPECT_EQ(paragraphs[0]->GetFont().GetPointSize(), PointSizeFor(e.paragraphPx));
        EXPECT_EQ(paragraphs[0]->GetSize(), wxSize(int(e.width * 0.4), int(e.height * 0.08)));

        // The title picture, centred.
        auto bitmaps = ChildrenOf<wxStaticBitmap>(menu);
        ASSERT_EQ(bitmaps.size(), 1u);
        EXPECT_EQ(bitmaps[0]->GetBitmap().GetSize(), e.title);
        wxRect title = bitmaps[0]->GetRect();
        EXPECT_NEAR(title.x + title.width / 2, menu->GetClientSize().x / 2, 1);

        // Groups: [0.01 W][top gap, items, 0.01 H][0.01 W].
        const auto& groups = menu->Groups();
        ASSERT_EQ(groups.size(), 3u);
        EXPECT_EQ(groups[0].title, "Game");
        EXPECT_EQ(groups[1].title, "Controls");
        EXPECT_EQ(groups[2].title, "");
        for (const MenuGroup& g : groups) {
            auto outer = SizerItems(g.box);
            ASSERT_EQ(outer.size(), 3u);
            EXPECT_EQ(dynamic_cast<wxBoxSizer*>(g.box)->GetOrientation(), wxHORIZONTAL);
            EXPECT_EQ(outer[0]->GetSpacer(), wxSize(e.gapX, 0));
            EXPECT_EQ(outer[2]->GetSpacer(), wxSize(e.gapX, 0));
            auto inner = SizerItems(outer[1]->GetSizer());
            ASSERT_GE(inner.size(), 3u);
            int top = g.title.empty() ? e.plainGap : e.titledGap;
            EXPECT_EQ(inner.front()->GetSpacer(), wxSize(0, top));
            EXPECT_EQ(inner.back()->GetSpacer(), wxSize(0, e.plainGap));
            // The group box is expanded across the content.
            EXPECT_EQ(FindItemOf(menu->GetSizer(), g.box)->GetFlag(), wxEXPAND);
        }
        // The groups stack from the top: the controls group starts where the game
        // group ends.
        EXPECT_EQ(groups[1].box->GetPosition().y,
                  groups[0].box->GetPosition().y + groups[0].box->GetSize().y);
        // The choice row: its label, then the choice.
        wxSizerItem* row = FindItemOf(menu->GetSizer(), sample.music);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->GetFlag(), wxALIGN_CENTRE | wxALL);
        EXPECT_EQ(row->GetBorder(), 5);
    }
}

// A small menu with a few of a screen's own choices.
struct OwnChoices {
    std::unique_ptr<CKorvexMenu> menu;
    CKorvexMenuButton* configure;
    CKorvexMenuButton* ok;
    CKorvexMenuChoice* choice;
    CKorvexMenuKeyButton* key;
};

const char* const kMusic[] = {"Off", "Once", "Loop", nullptr};

OwnChoices MakeOwnChoices(int* selection, int* keyCode) {
    SetScreenArea({0, 0, 1024, 768});
    OwnChoices m;
    m.menu.reset(new CKorvexMenu(MenuResultOk));
    m.menu->BeginGroup("Own");
    m.choice = m.menu->AddChoice("Music", selection, kMusic);
    m.key = m.menu->AddKeyButton(keyCode);
    m.menu->EndGroup();
    m.configure = m.menu->AddButton(MenuResultChoice3, "Configure");
    m.ok = m.menu->AddButton(MenuResultOk, "OK");
    return m;
}

TEST(MenuResults, EveryWayToEndAMenu) {
    int selection = 0, key = 32;
    {
        // Enter on a plain button gives its id; Enter reaching the menu itself the
        // affirmative id; Escape on any control the escape id.
        OwnChoices m = MakeOwnChoices(&selection, &key);
        EXPECT_EQ(RunModal(m.menu.get(), [&] { PressKey(m.configure, WXK_RETURN); }), MenuResultChoice3);
        EXPECT_EQ(RunModal(m.menu.get(), [&] { PressKey(m.menu.get(), WXK_RETURN); }), MenuResultOk);
        EXPECT_EQ(RunModal(m.menu.get(), [&] { PressKey(m.ok, WXK_ESCAPE); }), MenuResultCancel);
        EXPECT_EQ(RunModal(m.menu.get(), [&] { PressKey(m.choice, WXK_ESCAPE); }), MenuResultCancel);
        // Other keys leave it open.
        EXPECT_EQ(RunModal(m.menu.get(), [&] {
                      PressKey(m.ok, WXK_SPACE);
                      PressKey(m.ok, 'X');
                      FlushToolkit();
                      EXPECT_TRUE(m.menu->IsModal());
                      m.menu->EndModal(77);
                  }),
                  77);
        // A mouse click on a plain button gives its id.
        EXPECT_EQ(RunModal(m.menu.get(), [&] {
                      SendMouse(m.configure, wxEVT_ENTER_WINDOW, 3, 3);
                      SendMouse(m.configure, wxEVT_LEFT_DOWN, 3, 3);
                      SendMouse(m.configure, wxEVT_LEFT_UP, 3, 3);
                  }),
                  MenuResultChoice3);
    }
    {
        // A waiting key button takes Escape; the menu stays. Pop-up picks (ids 10001
        // on) and own-choice menu commands at the menu never end it.
        OwnChoices m = MakeOwnChoices(&selection, &key);
        int result = RunModal(m.menu.get(), [&] {
            m.key->SendClick();
            PressKey(m.key, WXK_ESCAPE);
            FlushToolkit();
            EXPECT_TRUE(m.menu->IsModal());
            EXPECT_FALSE(m.key->IsWaiting());
            for (int id : {kCommandChoice1, kCommandChoice2, kCommandChoice3}) {
                wxCommandEvent pick(wxEVT_MENU, id);
                m.choice->ProcessWindowEvent(pick);
                wxCommandEvent atMenu(wxEVT_MENU, id);
                m.menu->ProcessWindowEvent(atMenu);
            }
            EXPECT_TRUE(m.menu->IsModal());
            m.menu->EndModal(78);
        });
        EXPECT_EQ(result, 78);
        EXPECT_EQ(selection, 2);
        EXPECT_EQ(key, 32);
    }
    {
        // Closing the window and the exit command end it with 5006 and set the flag.
        OwnChoices m = MakeOwnChoices(&selection, &key);
        EXPECT_EQ(RunModal(m.menu.get(), [&] { m.menu->Close(); }), MenuResultExit);
        EXPECT_EQ(QuitRequested, 1);
        ResetDisplayRunState();
        EXPECT_EQ(RunModal(m.menu.get(), [&] {
                      wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
                      m.configure->ProcessWindowEvent(exit);
                      EXPECT_EQ(QuitRequested, 1);  // at once, before the menu's loop ends
                  }),
                  MenuResultExit);
        EXPECT_EQ(QuitRequested, 1);
    }
}

TEST(MenuResults, BuiltButNeverShown) {
    int selection = 0, key = 32;
    OwnChoices m = MakeOwnChoices(&selection, &key);
    EXPECT_FALSE(m.menu->IsShown());
    m.menu.reset();  // the destructor lays it out; nothing is shown or faulted
    FlushToolkit();
    // Closing a sizer that is not there is an internal fault, also through a menu.
    SetScreenArea({0, 0, 1024, 768});
    CKorvexMenu menu(MenuResultOk);
    try {
        menu.PopSizer();
        ADD_FAILURE() << "no fault";
    } catch (const std::exception& fault) {
        EXPECT_STREQ(fault.what(), kSizerPopFault);
    }
}

// A menu destroyed unshown with a sizer left open: its destructor, which may not throw,
// reports the fault and ends the program with -1, as any internal fault does, instead
// of ending in std::terminate.
TEST(MenuResults, DestroyedUnshownWithASizerLeftOpenReportsTheFault) {
    SetScreenArea({0, 0, 1024, 768});
    auto* menu = new CKorvexMenu(MenuResultOk);
    menu->BeginGroup("left open");
    EXPECT_EXIT(delete menu, ::testing::ExitedWithCode(255),
                "vorpane: internal fault \\{46A447EF-631B-4af7-BD8E-BB2C769A8E10\\}");
    menu->EndGroup();
    menu->Destroy();
    FlushToolkit();
}

// Laying a menu out further once its layout is finished (after ShowModal or
// FinishLayout) is misuse of our own: every layout call names it and ends the program.
TEST(MenuLayoutDeathTest, LayoutCallsAfterTheLayoutIsFinishedFailTheirCheck) {
    SetScreenArea({0, 0, 1024, 768});
    CKorvexMenu menu(MenuResultOk);
    menu.AddButton(MenuResultOk, "OK");
    menu.FinishLayout();
    const char* misuse = "vorpane: check failed: CKorvexMenu: a layout call after the layout "
                         "was finished";
    EXPECT_DEATH(menu.AddButton(MenuResultCancel, "Cancel"), misuse);
    EXPECT_DEATH(menu.AddLabel("late", 0), misuse);
    EXPECT_DEATH(menu.AddWindow(new wxPanel(&menu)), misuse);
    EXPECT_DEATH(menu.BeginGroup("late"), misuse);
    EXPECT_DEATH(menu.PopSizer(), misuse);
    EXPECT_DEATH(menu.AddSpacer(0.01, 0.01), misuse);
    EXPECT_EQ(menu.Builder(), nullptr);  // this process never got past a check
}

}  // namespace
