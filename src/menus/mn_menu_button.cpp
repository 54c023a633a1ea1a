// Menu buttons, choices and key buttons: their shared pictures and their painting.
#include "menus/mn_menu_button.h"

#include <wx/dcbuffer.h>

#include "app/app_png.h"
#include "display/dp_text.h"
#include "menus/mn_choice_popup.h"
#include "menus/mn_units.h"

namespace {

MenuButtonImages g_buttonImages;  // main thread; lives until the process ends

// The pictures' own shape (614 x 156), kept when the normal picture is missing.
constexpr int kPictureWidth = 614;
constexpr int kPictureHeight = 156;

}  // namespace

const MenuButtonImages& FitMenuButtonImages(int screenHeight) {
    MenuButtonImages& images = g_buttonImages;
    int h = screenHeight / 20;
    if (h < 1) h = 1;  // a tiny screen still gets buttons one pixel high
    if (h == images.height) return images;
    images.normal = LoadBitmapResource("button_normal", -1, h);
    images.selected = LoadBitmapResource("button_selected", -1, h);
    images.focused = LoadBitmapResource("button_focused", -1, h);
    images.disabled = LoadBitmapResource("button_disabled", -1, h);
    images.height = h;
    images.width = images.normal.IsOk() ? images.normal.GetWidth() : h * kPictureWidth / kPictureHeight;
    if (images.width < 1) images.width = 1;
    return images;
}

// ---------------------------------------------------------------------------------
// CKorvexMenuButton

wxBEGIN_EVENT_TABLE(CKorvexMenuButton, CBaseHomemadeButton)
    EVT_PAINT(CKorvexMenuButton::OnPaint)
    EVT_ERASE_BACKGROUND(CKorvexMenuButton::OnEraseBackground)
wxEND_EVENT_TABLE()

CKorvexMenuButton::CKorvexMenuButton(wxWindow* menu, int id, const wxString& label)
    : CBaseHomemadeButton(menu, id), m_label(label) {
    const MenuButtonImages& images = FitMenuButtonImages(MenuScreenHeight());
    wxSize size(images.width, images.height);
    SetMinSize(size);
    SetMaxSize(size);
    SetSize(size);
    SetBackgroundStyle(wxBG_STYLE_PAINT);  // the button paints every pixel
}

wxString CKorvexMenuButton::GetLabel() const { return m_label; }

void CKorvexMenuButton::DrawDecoration(wxDC&, LabelBox&) {}

CKorvexMenuButton::Picture CKorvexMenuButton::CurrentPicture() const {
    if (!IsEnabled()) return Picture::Disabled;
    if ((IsHover() && IsPressed()) || IsFiring()) return Picture::Selected;
    if (!IsPressed() && HasFocus()) return Picture::Focused;
    return Picture::Normal;
}

LabelBox CKorvexMenuButton::CurrentLabelBox() const {
    wxSize size = GetClientSize();
    bool selected = (IsHover() && IsPressed()) || IsFiring();
    int inset = selected ? size.y * 12 / 100 : size.y * 10 / 100;
    return {inset, inset, size.x - inset, size.y - inset};
}

void CKorvexMenuButton::OnEraseBackground(wxEraseEvent&) {}

void CKorvexMenuButton::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    Draw(dc);
}

void CKorvexMenuButton::Draw(wxDC& dc) {
    wxSize size = GetClientSize();
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(0, 0, size.x, size.y);

    const MenuButtonImages& images = g_buttonImages;
    const wxBitmap* picture = &images.normal;
    switch (CurrentPicture()) {
    case Picture::Disabled: picture = &images.disabled; break;
    case Picture::Selected: picture = &images.selected; break;
    case Picture::Focused: picture = &images.focused; break;
    case Picture::Normal: break;
    }
    // A missing picture draws nothing; the label then shows white on the black.
    bool drawn = picture->IsOk();
    if (drawn) dc.DrawBitmap(*picture, 0, 0, true);

    LabelBox box = CurrentLabelBox();
    DrawDecoration(dc, box);
    dc.SetTextForeground(drawn ? *wxBLACK : *wxWHITE);
    dc.SetTextBackground(*wxWHITE);
    int height = box.bottom - box.top;
    DrawFittedText(dc, GetLabel(), box.left, box.top, box.right - box.left, height,
                   height < 1 ? 1 : height);
}

// ---------------------------------------------------------------------------------
// CKorvexMenuChoice

wxBEGIN_EVENT_TABLE(CKorvexMenuChoice, CKorvexMenuButton)
    EVT_MENU(wxID_ANY, CKorvexMenuChoice::OnMenu)
    EVT_BUTTON(wxID_ANY, CKorvexMenuChoice::OnClick)
    EVT_CHAR(CKorvexMenuChoice::OnChar)
wxEND_EVENT_TABLE()

namespace {

int CountChoices(const char* const* choices) {
    int n = 0;
    while (choices && choices[n]) ++n;
    return n;
}

}  // namespace

CKorvexMenuChoice::CKorvexMenuChoice(wxWindow* menu, int* selection, const char* const* choices)
    : CKorvexMenuButton(menu, wxID_ANY, wxString()),
      m_choices(choices),
      m_selection(selection),
      m_count(CountChoices(choices)) {
    if (*m_selection >= m_count) *m_selection = 0;
}

wxString CKorvexMenuChoice::GetLabel() const {
    int s = *m_selection;
    if (s < 0 || s >= m_count) return "-";
    return wxString::FromUTF8(m_choices[s]);
}

void CKorvexMenuChoice::DrawDecoration(wxDC& dc, LabelBox& box) {
    int s = box.bottom - box.top;
    box.right -= s;
    int t = s / 8;  // s >= 0 except in a box with no height
    if (t <= 0) return;
    int cx = box.right + s / 2, cy = box.top + s / 2;
    wxPoint points[3] = {{cx - 2 * t, cy - t}, {cx + 2 * t, cy - t}, {cx, cy + t}};
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawPolygon(3, points);
}

void CKorvexMenuChoice::Pick(int i) {
    if (i >= 0 && i < m_count) *m_selection = i;
    Refresh();
}

void CKorvexMenuChoice::OnMenu(wxCommandEvent& event) {
    Pick(event.GetId() - kChoicePopupFirstId);
}

void CKorvexMenuChoice::OnClick(wxCommandEvent&) {
    int px = MenuFontPixelHeight(0);
    SetWindowFontHeight(this, px);
    std::vector<wxString> items;
    for (int i = 0; i < m_count; ++i) items.push_back(wxString::FromUTF8(m_choices[i]));
    wxSize size = GetClientSize();
    // The pick comes back here as a return value: it never travels up to the menu
    // as a command, where it would share its id with Advanced, Go or Configure.
    auto* popup = new CChoicePopup(this, items, *m_selection, px);
    int picked = popup->Run(ClientToScreen(wxPoint(size.x - size.y, 0)));
    popup->Destroy();
    if (picked >= 0) Pick(picked);
}

void CKorvexMenuChoice::OnChar(wxKeyEvent& event) {
    int s = *m_selection;
    switch (event.GetKeyCode()) {
    case WXK_LEFT:
    case WXK_UP:
        if (s > 0 && s <= m_count) {
            *m_selection = s - 1;
            Refresh();
        }
        break;
    case WXK_RIGHT:
    case WXK_DOWN:
        // From a selection outside the list (a hand-edited value) the first entry.
        if (s + 1 < m_count) {
            *m_selection = s < 0 ? 0 : s + 1;
            Refresh();
        }
        break;
    default:
        event.Skip();
        break;
    }
}

// ---------------------------------------------------------------------------------
// CKorvexMenuKeyButton

wxBEGIN_EVENT_TABLE(CKorvexMenuKeyButton, CKorvexMenuButton)
    EVT_KEY_DOWN(CKorvexMenuKeyButton::OnKeyDown)
    EVT_KILL_FOCUS(CKorvexMenuKeyButton::OnKillFocus)
    EVT_BUTTON(wxID_ANY, CKorvexMenuKeyButton::OnClick)
wxEND_EVENT_TABLE()

CKorvexMenuKeyButton::CKorvexMenuKeyButton(wxWindow* menu, int* keyCode)
    : CKorvexMenuButton(menu, wxID_ANY, wxString()), m_keyCode(keyCode) {}

wxString CKorvexMenuKeyButton::GetLabel() const {
    return m_waiting ? wxString("Press Key...") : KeyCodeName(*m_keyCode);
}

void CKorvexMenuKeyButton::OnKeyDown(wxKeyEvent& event) {
    if (!m_waiting) {
        event.Skip();
        return;
    }
    // Consumed: no character event follows, so Escape cancels here and the menu
    // stays open, and Enter, Tab, Space and the arrows can be bound.
    if (event.GetKeyCode() != WXK_ESCAPE) *m_keyCode = event.GetKeyCode();
    m_waiting = false;
    Refresh();
}

void CKorvexMenuKeyButton::OnKillFocus(wxFocusEvent& event) {
    m_waiting = false;
    event.Skip();
}

void CKorvexMenuKeyButton::OnClick(wxCommandEvent&) {
    m_waiting = !m_waiting;
    SetFocus();
}
