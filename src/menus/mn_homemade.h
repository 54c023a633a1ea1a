// Windows the program draws itself: the behaviour of a push button without a look
// (hover, press with the mouse captured, click on release inside or on Enter, focus
// moved by Tab and the arrows, other keys handed to the parent), and a word-wrapped
// paragraph centred in its area.
#pragma once

#include <wx/string.h>
#include <wx/window.h>

class wxDC;
class wxFocusEvent;
class wxKeyEvent;
class wxMouseCaptureLostEvent;
class wxMouseEvent;
class wxPaintEvent;

class CBaseHomemadeButton : public wxWindow {
public:
    // A window that wants all keys (Tab, Enter and the arrows arrive as key events).
    CBaseHomemadeButton(wxWindow* parent, int id);

    // The toolkit's Enable; repaints when the state changed.
    bool Enable(bool enable = true) override;
    // Repaints, then processes a button-clicked command of the window's id at once:
    // the window's own handlers first, then its parents (a menu ends with that id
    // unless a subclass consumed the click). Paints as selected meanwhile.
    void SendClick();

    bool IsHover() const { return m_hover; }
    bool IsPressed() const { return m_pressed; }
    bool IsFiring() const { return m_firing; }

protected:
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnEnterWindow(wxMouseEvent& event);
    void OnLeaveWindow(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnMouseCaptureLost(wxMouseCaptureLostEvent& event);
    void OnFocus(wxFocusEvent& event);
    void OnChar(wxKeyEvent& event);

private:
    void EnterHover();

    bool m_hover = false;    // the pointer is over the button
    bool m_pressed = false;  // the left button went down here and is held (mouse captured)
    bool m_firing = false;   // the click is being processed

    wxDECLARE_EVENT_TABLE();
};

class CMultiLineSizedText : public wxWindow {
public:
    // Paints text wrapped to the window's width in the window's font and foreground
    // colour, the block centred vertically; each line centred when centre is set.
    CMultiLineSizedText(wxWindow* parent, const wxString& text, bool centre);

    // Paints the lines into dc over the window's client size (no background of its
    // own: the toolkit's erasing in the inherited colour is the background).
    void Draw(wxDC& dc);

protected:
    void OnPaint(wxPaintEvent& event);

private:
    wxString m_text;
    bool m_centre;  // centre each line horizontally

    wxDECLARE_EVENT_TABLE();
};
