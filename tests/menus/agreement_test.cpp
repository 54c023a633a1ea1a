// The agreement dialog: its text and layout, and every way to close it.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/display.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <memory>

#include "menu_test_support.h"
#include "menus/mn_agreement.h"

namespace {

wxTextCtrl* TextOf(wxDialog* dialog) {
    return dynamic_cast<wxTextCtrl*>(dialog->FindWindow("text"));
}

void Click(wxDialog* dialog, int id) {
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(dialog->FindWindow(id));
    dialog->FindWindow(id)->GetEventHandler()->ProcessEvent(click);
}

TEST(Agreement, TextAndLayout) {
    std::string text = LicenseAgreementText();
    EXPECT_GT(text.size(), 3200u);
    EXPECT_LT(text.size(), 3600u);
    size_t blocks = 1;
    for (size_t at = text.find("\n\n"); at != std::string::npos; at = text.find("\n\n", at + 2))
        ++blocks;
    EXPECT_EQ(blocks, 14u);
    EXPECT_EQ(text.find("\n\n\n"), std::string::npos);

    auto* dialog = new CLicenseAgreementDialog;
    EXPECT_EQ(dialog->GetTitle(), "License Agreement");
    EXPECT_EQ(dialog->GetParent(), nullptr);
    wxTextCtrl* box = TextOf(dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->IsMultiLine());
    EXPECT_FALSE(box->IsEditable());
    EXPECT_EQ(box->GetValue().utf8_string(), text);
    EXPECT_EQ(box->GetMinSize(), wxSize(400, 300));
    auto* cancel = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_CANCEL));
    auto* agree = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_OK));
    ASSERT_NE(cancel, nullptr);
    ASSERT_NE(agree, nullptr);
    EXPECT_EQ(agree->GetLabel(), "&Agree");
    EXPECT_EQ(dialog->GetDefaultItem(), cancel);
    // The buttons sit under the text; the dialog holds the 400 x 300 box and borders.
    EXPECT_GE(agree->GetPosition().y, box->GetPosition().y + box->GetSize().y);
    EXPECT_EQ(box->GetSize(), wxSize(400, 300));
    EXPECT_GE(dialog->GetClientSize().x, 400 + 20);
    // Its text can be selected though not edited.
    box->SetSelection(0, 6);
    EXPECT_EQ(box->GetStringSelection(), "Please");
    dialog->Destroy();
    FlushToolkit();
}

TEST(Agreement, AgreeAcceptsEverythingElseDeclines) {
    std::unique_ptr<CLicenseAgreementDialog> dialog(new CLicenseAgreementDialog);
    EXPECT_EQ(RunModal(dialog.get(), [&] { Click(dialog.get(), wxID_OK); }), wxID_OK);
    EXPECT_EQ(RunModal(dialog.get(), [&] { Click(dialog.get(), wxID_CANCEL); }), wxID_CANCEL);
    EXPECT_EQ(RunModal(dialog.get(), [&] { dialog->Close(); }), wxID_CANCEL);
}

// Keys from the X server: Enter right away declines, Escape declines, Alt+A agrees,
// and typing into the text changes nothing.
TEST(RealInputAgreement, KeysFromTheXServer) {
    struct Case {
        const char* keys;
        int result;
    } cases[] = {{"Return", wxID_CANCEL}, {"Escape", wxID_CANCEL}, {"alt+a", wxID_OK}};
    for (const Case& c : cases) {
        std::unique_ptr<CLicenseAgreementDialog> dialog(new CLicenseAgreementDialog);
        wxString before = TextOf(dialog.get())->GetValue();
        int result = RunModal(dialog.get(), [&] {
            ASSERT_TRUE(FocusWithXdotool(dialog.get()));
            std::string typing = "xdotool type xyz; xdotool key BackSpace Delete ";
            ASSERT_EQ(std::system((typing + c.keys).c_str()), 0);
        }, 300);
        EXPECT_EQ(result, c.result) << c.keys;
        EXPECT_EQ(TextOf(dialog.get())->GetValue(), before);
    }
}

}  // namespace
