// The controls of every menu, painted from four shared button pictures with the
// label fitted into them: a plain button that ends its menu with its id, a choice
// that steps through a list of texts into an integer the screen owns, and a key
// button that captures one key press into an integer key code.
#pragma once

#include <wx/bitmap.h>
#include <wx/string.h>

#include "display/dp_command_ids.h"
#include "menus/mn_homemade.h"

class wxCommandEvent;
class wxDC;

// The box the label is fitted into, in client pixels; a decoration may move it.
struct LabelBox {
    int left, top, right, bottom;
};

// The four pictures every menu button of the process shares, scaled once per screen
// height to H / 20 high (the width follows the pictures' aspect ratio).
struct MenuButtonImages {
    wxBitmap normal, selected, focused, disabled;
    int height = 0;  // the height they were made for; 0 before the first button
    int width = 0;   // the size of every menu button: width x height
};
// Makes the pictures fit screen height screenHeight (nothing when they already do).
// A missing picture is left empty and drawn as nothing; when the normal picture is
// missing the buttons keep the pictures' own shape so their labels still show.
const MenuButtonImages& FitMenuButtonImages(int screenHeight);
// The four pictures of these resources (normal, selected, focused, disabled) made for
// screen height screenHeight, as FitMenuButtonImages makes the shared ones.
MenuButtonImages LoadMenuButtonImages(int screenHeight, const char* const names[4]);

class CKorvexMenuButton : public CBaseHomemadeButton {
public:
    CKorvexMenuButton(wxWindow* menu, int id, const wxString& label);

    // The text to draw.
    wxString GetLabel() const override;
    // Extra drawing before the label; may move the box's right edge.
    virtual void DrawDecoration(wxDC& dc, LabelBox& box);

    // Paints the whole button as it looks now into dc (the paint handler's buffer).
    void Draw(wxDC& dc);
    // Which picture the paint uses now, and the label's box.
    enum class Picture { Normal, Selected, Focused, Disabled };
    Picture CurrentPicture() const;
    LabelBox CurrentLabelBox() const;

protected:
    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);

private:
    wxString m_label;

    wxDECLARE_EVENT_TABLE();
};

// The id of a choice's pop-up item i: a menu command with this id picks item i. The
// pop-up's own pick comes back to the choice directly and never reaches the menu,
// whose own commands (Advanced, Go, Configure) share these ids.
constexpr int kChoicePopupFirstId = kCommandChoice1;

class CKorvexMenuChoice : public CKorvexMenuButton {
public:
    // choices ends with a null pointer; both it and selection must outlive the
    // control. A selection at or past the number of choices becomes 0.
    CKorvexMenuChoice(wxWindow* menu, int* selection, const char* const* choices);

    // The selected choice, or "-" when the selection is outside the list.
    wxString GetLabel() const override;
    // A downward triangle in a square at the right end of the box.
    void DrawDecoration(wxDC& dc, LabelBox& box) override;
    int ChoiceCount() const { return m_count; }
    // Picks choice i as the pop-up does (the selection, then a repaint); an index
    // outside the list only repaints.
    void Pick(int i);

protected:
    void OnMenu(wxCommandEvent& event);
    void OnClick(wxCommandEvent& event);
    void OnChar(wxKeyEvent& event);

private:
    const char* const* m_choices;  // not owned; null-terminated
    int* m_selection;              // the screen's integer; not owned
    int m_count;                   // entries before the null one

    wxDECLARE_EVENT_TABLE();
};

class CKorvexMenuKeyButton : public CKorvexMenuButton {
public:
    // keyCode (a toolkit key code) must outlive the control.
    CKorvexMenuKeyButton(wxWindow* menu, int* keyCode);

    // "Press Key..." while waiting, else the bound key's name.
    wxString GetLabel() const override;
    bool IsWaiting() const { return m_waiting; }

protected:
    void OnKeyDown(wxKeyEvent& event);
    void OnKillFocus(wxFocusEvent& event);
    void OnClick(wxCommandEvent& event);

private:
    bool m_waiting = false;  // the next key press is bound
    int* m_keyCode;          // the screen's integer; not owned

    wxDECLARE_EVENT_TABLE();
};
