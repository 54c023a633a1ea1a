// The wrapped paragraph: lines centred in the window, the block centred vertically.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/dialog.h>

#include "display/dp_text.h"
#include "menu_test_support.h"
#include "menus/mn_homemade.h"

namespace {

struct Ink {
    int top = -1, bottom = -1, left = -1, right = -1;  // inclusive bounds; -1: none
    int rows = 0;                                       // rows with ink
};

Ink Paint(CMultiLineSizedText* text) {
    wxSize size = text->GetClientSize();
    wxBitmap bitmap(size.x, size.y, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        text->Draw(dc);
    }
    wxImage image = bitmap.ConvertToImage();
    Ink ink;
    for (int y = 0; y < size.y; ++y) {
        bool any = false;
        for (int x = 0; x < size.x; ++x) {
            if (image.GetRed(x, y) < 128) continue;
            any = true;
            if (ink.left < 0 || x < ink.left) ink.left = x;
            if (x > ink.right) ink.right = x;
        }
        if (!any) continue;
        ++ink.rows;
        if (ink.top < 0) ink.top = y;
        ink.bottom = y;
    }
    return ink;
}

class Paragraph : public ::testing::Test {
protected:
    CMultiLineSizedText* Make(const wxString& text, bool centre, wxSize size) {
        auto* paragraph = new CMultiLineSizedText(m_dialog.get(), text, centre);
        SetWindowFontHeight(paragraph, 20);
        paragraph->SetForegroundColour(*wxWHITE);
        paragraph->SetSize(size);
        return paragraph;
    }
    TestDialog m_dialog;
};

TEST_F(Paragraph, OneShortLineIsCentredBothWays) {
    CMultiLineSizedText* text = Make("Hello", true, wxSize(300, 200));
    EXPECT_EQ(text->GetName(), "panel");
    Ink ink = Paint(text);
    ASSERT_GE(ink.top, 0);
    EXPECT_NEAR(ink.top + ink.bottom, 200, 20);  // around the middle
    EXPECT_NEAR(ink.left + ink.right, 300, 4);
    EXPECT_LT(ink.bottom - ink.top, 25);         // one line
    // Not centred: the line starts at the left edge.
    Ink left = Paint(Make("Hello", false, wxSize(300, 200)));
    EXPECT_LT(left.left, 4);
    // An empty text draws one empty line: nothing.
    EXPECT_EQ(Paint(Make("", true, wxSize(300, 200))).rows, 0);
}

TEST_F(Paragraph, WrappedLinesStackInTheMiddle) {
    const wxString words = "one two three four five six seven eight nine ten eleven";
    CMultiLineSizedText* text = Make(words, true, wxSize(120, 300));
    wxBitmap probe(10, 10, 24);
    wxMemoryDC dc(probe);
    dc.SetFont(text->GetFont());
    wxArrayString lines;
    WrapText(dc, words, 120, lines);
    ASSERT_GE(lines.size(), 3u);
    wxCoord w = 0, lineHeight = 0;
    dc.GetTextExtent(words, &w, &lineHeight);
    Ink ink = Paint(text);
    int blockTop = (300 - int(lines.size()) * lineHeight) / 2;
    EXPECT_GE(ink.top, blockTop);
    EXPECT_LE(ink.bottom, blockTop + int(lines.size()) * lineHeight);
    EXPECT_GT(ink.bottom - ink.top, (int(lines.size()) - 1) * lineHeight);
    EXPECT_LE(ink.right, 120);
    // Too many lines for the height overflow equally at both ends.
    Ink over = Paint(Make(words, true, wxSize(120, lineHeight)));
    EXPECT_EQ(over.top, 0);
    EXPECT_EQ(over.bottom, lineHeight - 1);
}

}  // namespace
