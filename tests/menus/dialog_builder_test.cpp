// The dialog builder: the sizer stack, layout flags, the button row and the finished
// dialog's size and place.
#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/display.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/app_fault.h"
#include "menu_test_support.h"
#include "display/dp_command_ids.h"
#include "menus/mn_dialog_builder.h"

namespace {

std::string FaultOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const InternalFault& fault) {
        return fault.Guid();
    }
    return "";
}

// The dialog a builder that ends in a fault was laying out; the emergency hook says
// whether it was laid out when the process ended.
wxDialog* g_faultDialog = nullptr;
void ReportWhetherLaidOut() {
    std::fputs(g_faultDialog && !g_faultDialog->GetSizer() ? "dialog not laid out\n"
                                                           : "dialog laid out\n",
               stderr);
}

TEST(DialogBuilder, StackGridAndLayoutFlags) {
    TestDialog dialog;
    CDialogBuilder builder(dialog.get());
    wxSizer* content = builder.ContentSizer();
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(builder.OpenCount(), 1);
    EXPECT_EQ(builder.CurrentSizer(), content);

    // Pushing right after construction adds to the content sizer; push and pop
    // return the sizer in question.
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    EXPECT_EQ(builder.PushSizer(row, true), row);
    ASSERT_EQ(content->GetItemCount(), 1u);
    wxSizerItem* rowItem = content->GetItem(size_t(0));
    EXPECT_EQ(rowItem->GetSizer(), row);
    EXPECT_EQ(rowItem->GetFlag(), wxEXPAND | wxALL);
    EXPECT_EQ(rowItem->GetBorder(), 5);
    EXPECT_EQ(rowItem->GetProportion(), 0);
    EXPECT_EQ(builder.PopSizer(), row);
    EXPECT_EQ(builder.CurrentSizer(), content);

    auto* plain = new wxBoxSizer(wxVERTICAL);
    builder.PushSizer(plain, false);
    EXPECT_EQ(content->GetItem(size_t(1))->GetFlag(), wxEXPAND);
    EXPECT_EQ(content->GetItem(size_t(1))->GetBorder(), 0);
    struct Case {
        int layout, flags, border;
    } cases[] = {{0x11, wxALL, 5},        {0x10, wxALIGN_CENTRE | wxALL, 5},
                 {0, wxALIGN_CENTRE, 0},  {1, 0, 0},
                 {2, wxALIGN_RIGHT, 0},   {3, wxEXPAND, 0},
                 {0x13, wxEXPAND | wxALL, 5}, {7, 0, 0},
                 {0x2F, 0, 0}};  // bits above 4 are ignored
    for (const Case& c : cases) {
        wxStaticText* text = builder.AddText("label", c.layout);
        EXPECT_EQ(text->GetName(), "staticText");
        wxSizerItem* item = plain->GetItem(text);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->GetFlag(), c.flags) << "layout " << c.layout;
        EXPECT_EQ(item->GetBorder(), c.border) << "layout " << c.layout;
        EXPECT_EQ(item->GetProportion(), 0);
    }
    wxStaticBitmap* bitmap = builder.AddBitmap(wxBitmap(8, 8));
    EXPECT_EQ(bitmap->GetName(), "staticBitmap");
    EXPECT_EQ(plain->GetItem(bitmap)->GetFlag(), wxALIGN_CENTRE | wxALL);
    builder.PopSizer();

    // A two-column grid of three rows holds six items in row order.
    builder.BeginGrid(3);
    auto* grid = dynamic_cast<wxFlexGridSizer*>(builder.CurrentSizer());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->GetCols(), 2);
    EXPECT_EQ(grid->GetRows(), 3);
    EXPECT_EQ(grid->GetVGap(), 0);
    EXPECT_EQ(grid->GetHGap(), 0);
    EXPECT_EQ(content->GetItem(size_t(2))->GetFlag(), wxEXPAND);
    std::vector<wxWindow*> added;
    for (int i = 0; i < 6; ++i) added.push_back(builder.AddText(i % 2 ? "control" : "label", 1));
    auto items = SizerItems(grid);
    ASSERT_EQ(items.size(), 6u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(items[i]->GetWindow(), added[i]);
    builder.PopSizer();
    EXPECT_EQ(builder.OpenCount(), 1);
}

TEST(DialogBuilder, UnbalancedStacksAreInternalFaults) {
    TestDialog dialog;
    {
        CDialogBuilder builder(dialog.get());
        // Closing the content sizer closes nothing.
        EXPECT_EQ(FaultOf([&] { builder.PopSizer(); }), kSizerPopFault);
        EXPECT_EQ(builder.OpenCount(), 1);
        builder.PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
        builder.PopSizer();
        EXPECT_EQ(FaultOf([&] { builder.PopSizer(); }), kSizerPopFault);
        builder.PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
        // Finishing with a sizer open faults before any layout is done.
        EXPECT_EQ(FaultOf([&] { builder.Finish(); }), kSizerLeftOpenFault);
        EXPECT_EQ(dialog->GetSizer(), nullptr);
        builder.PopSizer();
    }
    EXPECT_NE(dialog->GetSizer(), nullptr);

    // The destructor reports the same fault without throwing and ends the process with
    // exit code -1, before any layout is done (the hook looks at the dialog as it ends).
    TestDialog second;
    g_faultDialog = second.get();
    EXPECT_EXIT(
        {
            AddEmergencyHook(ReportWhetherLaidOut);
            CDialogBuilder builder(second.get());
            builder.PushSizer(new wxBoxSizer(wxVERTICAL), true);
        },
        ::testing::ExitedWithCode(255),
        "internal fault \\{46A447EF-631B-4af7-BD8E-BB2C769A8E10\\}\n.*dialog not laid out");
    g_faultDialog = nullptr;
    // The orphaned content sizer was never handed to the dialog.
}

// Once the layout is finished the builder's stack is gone: every call that would add
// to it is misuse of our own, named by a failed check.
TEST(DialogBuilderDeathTest, CallsAfterTheLayoutIsFinishedFailTheirCheck) {
    TestDialog dialog;
    CDialogBuilder builder(dialog.get());
    builder.AddText("laid out", 0);
    builder.Finish();
    ASSERT_NE(dialog->GetSizer(), nullptr);
    const std::string misuse = "vorpane: check failed: CDialogBuilder::";
    const std::string late = " after the layout was finished";
    EXPECT_DEATH(builder.PushSizer(new wxBoxSizer(wxHORIZONTAL), false),
                 misuse + "PushSizer" + late);
    EXPECT_DEATH(builder.BeginGrid(2), misuse + "BeginGrid" + late);
    EXPECT_DEATH(builder.PopSizer(), misuse + "PopSizer" + late);
    EXPECT_DEATH(builder.AddButton(wxID_OK, false, ""), misuse + "AddButton" + late);
    EXPECT_DEATH(builder.AddText("late", 0), misuse + "AddText" + late);
    EXPECT_DEATH(builder.AddBitmap(wxBitmap(4, 4)), misuse + "AddBitmap" + late);
    EXPECT_DEATH(builder.AddWindow(new wxPanel(dialog.get()), 0), misuse + "AddWindow" + late);
    // Finishing again and the destructor stay quiet.
    builder.Finish();
}

TEST(DialogBuilder, FinishedDialogIsFittedCentredWithTheButtonRowLast) {
    TestDialog dialog;
    wxSizer* content = nullptr;
    wxButton* cancel = nullptr;
    wxButton* agree = nullptr;
    {
        CDialogBuilder builder(dialog.get());
        content = builder.ContentSizer();
        builder.AddText("A line of text in the dialog", 0x10);
        builder.PushSizer(new wxBoxSizer(wxHORIZONTAL), true);
        builder.AddText("left", 1);
        builder.AddText("right", 1);
        builder.PopSizer();
        cancel = builder.AddButton(wxID_CANCEL, true, "");
        agree = builder.AddButton(wxID_OK, false, "&Agree");
    }
    wxSizer* outer = dialog->GetSizer();
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->GetItemCount(), 1u);
    wxSizerItem* contentItem = outer->GetItem(size_t(0));
    EXPECT_EQ(contentItem->GetSizer(), content);
    EXPECT_EQ(contentItem->GetFlag(), wxEXPAND | wxALL);
    EXPECT_EQ(contentItem->GetBorder(), 5);

    auto items = SizerItems(content);
    ASSERT_EQ(items.size(), 3u);
    auto* row = dynamic_cast<wxStdDialogButtonSizer*>(items.back()->GetSizer());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(items.back()->GetFlag(), wxEXPAND | wxALL);
    EXPECT_EQ(items.back()->GetBorder(), 5);
    EXPECT_EQ(row->GetCancelButton(), cancel);
    EXPECT_EQ(row->GetAffirmativeButton(), agree);
    EXPECT_EQ(cancel->GetName(), "button");
    EXPECT_FALSE(cancel->GetLabel().empty());  // the stock label
    EXPECT_EQ(agree->GetLabel(), "&Agree");
    EXPECT_EQ(dialog->GetDefaultItem(), cancel);

    // The content's minimum plus the outer border on both sides, centred on the screen.
    wxSize min = content->GetMinSize();
    EXPECT_EQ(dialog->GetClientSize(), wxSize(min.x + 10, min.y + 10));
    wxRect screen = wxDisplay(0u).GetGeometry();
    wxRect rect = dialog->GetRect();
    EXPECT_NEAR(rect.x + rect.width / 2, screen.x + screen.width / 2, 1);
    EXPECT_NEAR(rect.y + rect.height / 2, screen.y + screen.height / 2, 1);
}

TEST(DialogBuilder, NoButtonsNoRow) {
    TestDialog dialog;
    wxSizer* content = nullptr;
    {
        CDialogBuilder builder(dialog.get());
        content = builder.ContentSizer();
        builder.AddText("only text", 0);
    }
    auto items = SizerItems(content);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_TRUE(items[0]->IsWindow());
    // An id the standard row does not arrange still lands in the row.
    TestDialog other;
    {
        CDialogBuilder builder(other.get());
        content = builder.ContentSizer();
        wxButton* odd = builder.AddButton(kCommandChoice1, false, "Odd");
        builder.AddButton(wxID_OK, true, "");
        builder.Finish();
        EXPECT_NE(FindItemOf(content, odd), nullptr);
        EXPECT_EQ(other->GetDefaultItem()->GetId(), wxID_OK);
    }
}

}  // namespace
