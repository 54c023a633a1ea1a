// The choice button's pop-up list and the event filter that routes the program's
// input to it while it runs.
#include "menus/mn_choice_popup.h"

#include <wx/dcbuffer.h>
#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/eventfilter.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include "display/dp_text.h"
#include "platform/pf_modal.h"

namespace {

const wxColour kHighlight(255, 176, 60);  // the amber of the pressed button picture
CChoicePopup* g_current = nullptr;        // main thread

// Every event of the program passes here first while a pop-up runs.
class PopupInputFilter : public wxEventFilter {
public:
    explicit PopupInputFilter(CChoicePopup* popup) : m_popup(popup) {
        wxEvtHandler::AddFilter(this);
    }
    ~PopupInputFilter() override { wxEvtHandler::RemoveFilter(this); }
    int FilterEvent(wxEvent& event) override {
        return m_popup->TakeEvent(event) ? Event_Processed : Event_Skip;
    }

private:
    CChoicePopup* m_popup;
};

}  // namespace

wxBEGIN_EVENT_TABLE(CChoicePopup, wxPopupWindow)
    EVT_PAINT(CChoicePopup::OnPaint)
wxEND_EVENT_TABLE()

CChoicePopup* CChoicePopup::Current() { return g_current; }

CChoicePopup::CChoicePopup(wxWindow* owner, const std::vector<wxString>& items, int selection,
                           int fontPx)
    : wxPopupWindow(owner, wxBORDER_NONE),
      m_items(items),
      m_highlight(selection >= 0 && selection < int(items.size()) ? selection : -1),
      m_owner(owner) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    int display = wxDisplay::GetFromWindow(owner);
    int screenHeight = wxDisplay(display == wxNOT_FOUND ? 0u : unsigned(display)).GetGeometry().height;
    int px = fontPx < 1 ? 1 : fontPx;
    // A list taller than the display is drawn in a smaller font (at most twice).
    for (int attempt = 0; attempt < 3; ++attempt) {
        wxClientDC dc(this);
        GetFontForPixelHeight(dc, px);
        SetFont(dc.GetFont());
        int widest = 0;
        for (const wxString& item : m_items) widest = std::max(widest, dc.GetTextExtent(item).x);
        int charHeight = dc.GetCharHeight();
        m_itemHeight = charHeight + charHeight / 3 + 1;
        m_pad = charHeight / 2 + 1;
        int count = std::max(1, ItemCount());
        wxSize size(widest + 2 * m_pad + 2, count * m_itemHeight + 2 + 2 * (m_itemHeight / 6));
        SetSize(size);
        if (size.y <= screenHeight || px == 1) break;
        px = std::max(1, int(int64_t(px) * screenHeight / size.y) - 1);
    }
}

wxRect CChoicePopup::ItemRect(int i) const {
    int top = 1 + m_itemHeight / 6;
    return wxRect(1, top + i * m_itemHeight, GetClientSize().x - 2, m_itemHeight);
}

int CChoicePopup::ItemAtScreen(const wxPoint& point) const {
    wxPoint local = ScreenToClient(point);
    for (int i = 0; i < ItemCount(); ++i)
        if (ItemRect(i).Contains(local)) return i;
    return -1;
}

void CChoicePopup::SetHighlight(int i) {
    if (i == m_highlight) return;
    m_highlight = i;
    Refresh();
}

void CChoicePopup::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    wxSize size = GetClientSize();
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.SetPen(*wxWHITE_PEN);
    dc.DrawRectangle(0, 0, size.x, size.y);
    dc.SetFont(GetFont());
    for (int i = 0; i < ItemCount(); ++i) {
        wxRect r = ItemRect(i);
        if (i == m_highlight) {
            dc.SetBrush(wxBrush(kHighlight));
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.DrawRectangle(r.x + 2, r.y, r.width - 4, r.height);
        }
        dc.SetTextForeground(i == m_highlight ? *wxBLACK : *wxWHITE);
        int th = dc.GetCharHeight();
        dc.DrawText(m_items[i], r.x + m_pad, r.y + (r.height - th) / 2);
    }
}

void CChoicePopup::Finish(int result) {
    if (m_done) return;
    m_done = true;
    m_result = result;
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->ScheduleExit(0);
}

void CChoicePopup::FinishThen(std::function<void()> then) {
    m_afterEnd.push_back(std::move(then));
    Finish(-1);
}

bool CChoicePopup::TakeEvent(wxEvent& event) {
    if (m_done) return false;
    wxEventType type = event.GetEventType();
    if (type == wxEVT_KEY_DOWN || type == wxEVT_CHAR || type == wxEVT_KEY_UP ||
        type == wxEVT_CHAR_HOOK) {
        // The toolkit asks the top level first (the char hook); consuming that, as
        // here, means no key-down follows, so a key acts on whichever comes first.
        if (type != wxEVT_KEY_DOWN && type != wxEVT_CHAR_HOOK) return true;
        int last = ItemCount() - 1;
        switch (static_cast<wxKeyEvent&>(event).GetKeyCode()) {
        case WXK_UP: case WXK_LEFT: case WXK_NUMPAD_UP: case WXK_NUMPAD_LEFT:
            SetHighlight(m_highlight < 0 ? last : std::max(0, m_highlight - 1));
            break;
        case WXK_DOWN: case WXK_RIGHT: case WXK_NUMPAD_DOWN: case WXK_NUMPAD_RIGHT:
            SetHighlight(m_highlight < 0 ? 0 : std::min(last, m_highlight + 1));
            break;
        case WXK_HOME: SetHighlight(last < 0 ? -1 : 0); break;
        case WXK_END: SetHighlight(last); break;
        case WXK_RETURN: case WXK_NUMPAD_ENTER: case WXK_SPACE:
            Finish(m_highlight);
            break;
        case WXK_ESCAPE: case WXK_TAB:
            Finish(-1);
            break;
        default: break;
        }
        return true;
    }
    auto* mouse = dynamic_cast<wxMouseEvent*>(&event);
    // Entering and leaving only keep the buttons' hover right for afterwards.
    if (!mouse || type == wxEVT_ENTER_WINDOW || type == wxEVT_LEAVE_WINDOW) return false;
    auto* window = dynamic_cast<wxWindow*>(event.GetEventObject());
    if (!window) return true;
    wxPoint screen = window->ClientToScreen(mouse->GetPosition());
    int item = ItemAtScreen(screen);
    bool inside = GetScreenRect().Contains(screen);
    if (type == wxEVT_MOTION) {
        if (item >= 0) SetHighlight(item);
    } else if (mouse->ButtonDown()) {
        m_pressedInside = inside;
        if (!inside) Finish(-1);  // a click outside dismisses; nothing else sees it
    } else if (mouse->ButtonUp()) {
        if (item >= 0) Finish(item);
    }
    return true;
}

int CChoicePopup::Run(const wxPoint& origin) {
    // Keep the whole list on the owner's display.
    wxPoint at = origin;
    int display = wxDisplay::GetFromWindow(m_owner);
    wxRect area = wxDisplay(display == wxNOT_FOUND ? 0u : unsigned(display)).GetGeometry();
    wxSize size = GetSize();
    if (at.x + size.x > area.GetRight() + 1) at.x = area.GetRight() + 1 - size.x;
    if (at.y + size.y > area.GetBottom() + 1) at.y = area.GetBottom() + 1 - size.y;
    at.x = std::max(at.x, area.x);
    at.y = std::max(at.y, area.y);
    Move(at);
    Show();
    Raise();

    CChoicePopup* outer = g_current;
    g_current = this;
    wxWindow* topLevel = wxGetTopLevelParent(m_owner);
    // Every event goes through the filter meanwhile, so nothing else reacts to the
    // pointer while the menu's grab is lifted.
    bool grabbed = PfSuspendModalGrab(topLevel);
    {
        PopupInputFilter filter(this);
        // A menu ended meanwhile (its frame closed) takes the pop-up with it.
        wxTimer watch;
        auto* dialog = wxDynamicCast(topLevel, wxDialog);
        watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            if (dialog && !dialog->IsModal()) Finish(-1);
        });
        watch.Start(50);
        wxGUIEventLoop loop;
        while (!m_done) loop.Run();
    }
    if (grabbed) PfResumeModalGrab(topLevel);
    g_current = outer;
    Hide();
    std::vector<std::function<void()>> afterEnd;
    afterEnd.swap(m_afterEnd);
    for (const auto& then : afterEnd) then();
    return m_result;
}
