// The pop-up list of a choice button: the choices drawn in the menus' own look (white
// on black in the label font, the highlighted item on amber) under the button's right
// end, run modally until an item is picked or the pop-up is dismissed. Arrow keys,
// Home and End move the highlight; Enter or Space picks it; Escape, Tab or a click
// outside dismisses; the pointer highlights and a release over an item picks it.
// While it is up every key and mouse event of the program goes to it.
#pragma once

#include <wx/popupwin.h>

#include <functional>
#include <vector>

class CChoicePopup : public wxPopupWindow {
public:
    // The items as the choice button gives them, the selection highlighted first
    // (none when it is outside the list), drawn with a font of fontPx pixels high.
    CChoicePopup(wxWindow* owner, const std::vector<wxString>& items, int selection, int fontPx);

    // Shows the pop-up with its top left corner at origin (screen pixels; moved to
    // stay on the owner's display), runs until a pick or a dismissal and hides it.
    // The picked index, or -1.
    int Run(const wxPoint& origin);
    // Ends Run with this result (-1: dismissed).
    void Finish(int result);
    // Ends Run dismissed, and calls then() once Run's loop has returned (the pop-up
    // no longer current): for whoever has to end a loop of its own that runs Run.
    void FinishThen(std::function<void()> then);

    int Highlight() const { return m_highlight; }
    int ItemCount() const { return static_cast<int>(m_items.size()); }
    // The item under a screen point, or -1.
    int ItemAtScreen(const wxPoint& point) const;
    // An item's rectangle in the pop-up's client pixels.
    wxRect ItemRect(int i) const;
    // Takes one event of the program while the pop-up runs; false to let it pass.
    bool TakeEvent(wxEvent& event);

    // The pop-up now running, or null.
    static CChoicePopup* Current();

protected:
    void OnPaint(wxPaintEvent& event);

private:
    void SetHighlight(int i);

    std::vector<wxString> m_items;
    int m_highlight;       // the item drawn highlighted, or -1
    int m_itemHeight;      // pixels per item
    int m_pad;             // horizontal padding of the texts
    int m_result = -1;
    bool m_done = false;
    bool m_pressedInside = false;  // a button went down over the pop-up
    wxWindow* m_owner;     // the choice button; not owned
    std::vector<std::function<void()>> m_afterEnd;  // FinishThen's calls, in order

    wxDECLARE_EVENT_TABLE();
};
