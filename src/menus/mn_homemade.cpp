// The hand-drawn push button's behaviour and the wrapped paragraph.
#include "menus/mn_homemade.h"

#include <wx/dcclient.h>
#include <wx/event.h>

#include "display/dp_text.h"

namespace {

// wxNavigationKeyEvent's flags, as Navigate takes them.
constexpr int kNavigateBackward = 0;
constexpr int kNavigateForward = wxNavigationKeyEvent::IsForward;        // 1
constexpr int kNavigateWinChange = wxNavigationKeyEvent::WinChange;      // 2
constexpr int kNavigateFromTab = wxNavigationKeyEvent::FromTab;          // 4
static_assert(kNavigateForward == 1 && kNavigateWinChange == 2 && kNavigateFromTab == 4,
              "navigation flags");

}  // namespace

wxBEGIN_EVENT_TABLE(CBaseHomemadeButton, wxWindow)
    EVT_LEFT_DOWN(CBaseHomemadeButton::OnLeftDown)
    EVT_LEFT_UP(CBaseHomemadeButton::OnLeftUp)
    EVT_ENTER_WINDOW(CBaseHomemadeButton::OnEnterWindow)
    EVT_LEAVE_WINDOW(CBaseHomemadeButton::OnLeaveWindow)
    EVT_MOTION(CBaseHomemadeButton::OnMotion)
    EVT_MOUSE_CAPTURE_LOST(CBaseHomemadeButton::OnMouseCaptureLost)
    EVT_SET_FOCUS(CBaseHomemadeButton::OnFocus)
    EVT_KILL_FOCUS(CBaseHomemadeButton::OnFocus)
    EVT_CHAR(CBaseHomemadeButton::OnChar)
wxEND_EVENT_TABLE()

CBaseHomemadeButton::CBaseHomemadeButton(wxWindow* parent, int id)
    : wxWindow(parent, id, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS, "panel") {}

bool CBaseHomemadeButton::Enable(bool enable) {
    bool changed = wxWindow::Enable(enable);
    if (changed) Refresh();
    return changed;
}

void CBaseHomemadeButton::SendClick() {
    Refresh();
    m_firing = true;
    wxCommandEvent click(wxEVT_BUTTON, GetId());
    click.SetEventObject(this);
    ProcessWindowEvent(click);
    m_firing = false;
    Refresh();
}

void CBaseHomemadeButton::OnLeftDown(wxMouseEvent&) {
    if (m_pressed || !IsEnabled()) return;
    m_pressed = true;
    Refresh();
    SetFocus();
    if (!HasCapture()) CaptureMouse();
}

void CBaseHomemadeButton::OnLeftUp(wxMouseEvent&) {
    if (!m_pressed) return;
    if (HasCapture()) ReleaseMouse();
    if (m_hover && IsEnabled()) SendClick();
    m_pressed = false;
    Refresh();
}

void CBaseHomemadeButton::EnterHover() {
    if (m_hover) return;
    m_hover = true;
    Refresh();
}

void CBaseHomemadeButton::OnEnterWindow(wxMouseEvent&) { EnterHover(); }

void CBaseHomemadeButton::OnLeaveWindow(wxMouseEvent&) {
    if (!m_hover) return;
    m_hover = false;
    Refresh();
}

void CBaseHomemadeButton::OnMotion(wxMouseEvent& event) {
    // While the mouse is captured the pointer's leaving and returning shows here.
    wxSize size = GetClientSize();
    int x = event.GetX(), y = event.GetY();
    if (x >= 0 && x < size.x && y >= 0 && y < size.y) {
        EnterHover();
    } else if (m_hover) {
        m_hover = false;
        Refresh();
    }
}

void CBaseHomemadeButton::OnMouseCaptureLost(wxMouseCaptureLostEvent&) {
    if (!m_pressed) return;
    m_pressed = false;
    Refresh();
}

void CBaseHomemadeButton::OnFocus(wxFocusEvent& event) {
    Refresh();
    event.Skip();
}

void CBaseHomemadeButton::OnChar(wxKeyEvent& event) {
    int code = event.GetKeyCode();
    bool focused = HasFocus();
    if (code == WXK_RETURN) {
        SendClick();
        return;
    }
    if (focused && code == WXK_TAB) {
        int flags = event.ShiftDown() ? kNavigateBackward : kNavigateForward;
        if (event.ControlDown()) flags |= kNavigateWinChange;
        Navigate(flags | kNavigateFromTab);
        return;
    }
    if (focused && (code == WXK_LEFT || code == WXK_UP)) {
        Navigate(kNavigateBackward);
        return;
    }
    if (focused && (code == WXK_RIGHT || code == WXK_DOWN)) {
        Navigate(kNavigateForward);
        return;
    }
    // Everything else is the menu's: Escape and Enter end it (handled later, posted).
    if (wxWindow* parent = GetParent()) wxPostEvent(parent, event);
}

wxBEGIN_EVENT_TABLE(CMultiLineSizedText, wxWindow)
    EVT_PAINT(CMultiLineSizedText::OnPaint)
wxEND_EVENT_TABLE()

CMultiLineSizedText::CMultiLineSizedText(wxWindow* parent, const wxString& text, bool centre)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "panel"),
      m_text(text),
      m_centre(centre) {}

void CMultiLineSizedText::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    Draw(dc);
}

void CMultiLineSizedText::Draw(wxDC& dc) {
    wxSize size = GetClientSize();
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetForegroundColour());
    wxArrayString lines;
    WrapText(dc, m_text, size.x, lines);
    // The height of the text measured as one line; its newlines measure as spaces.
    wxString single = m_text;
    single.Replace("\n", " ");
    wxCoord tw = 0, lineHeight = 0;
    dc.GetTextExtent(single.empty() ? wxString(" ") : single, &tw, &lineHeight);
    int y = (size.y - static_cast<int>(lines.size()) * lineHeight) / 2;
    for (const wxString& line : lines) {
        int x = 0;
        if (m_centre) {
            wxCoord lw = 0, lh = 0;
            dc.GetTextExtent(line, &lw, &lh);
            x = (size.x - lw) / 2;
        }
        dc.DrawText(line, x, y);
        y += lineHeight;
    }
}
