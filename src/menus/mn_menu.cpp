// The menu framework: building a menu in screen units, painting it, and running it
// modally with the display handed over.
#include "menus/mn_menu.h"

#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/weakref.h>

#include <type_traits>

#include "app/app_check.h"
#include "app/app_png.h"
#include "display/dp_session.h"
#include "display/dp_text.h"
#include "menus/mn_choice_popup.h"
#include "menus/mn_homemade.h"
#include "menus/mn_menu_button.h"
#include "menus/mn_units.h"
#include "platform/pf_window.h"

wxBEGIN_EVENT_TABLE(CKorvexMenu, wxDialog)
    EVT_PAINT(CKorvexMenu::OnPaint)
    EVT_ERASE_BACKGROUND(CKorvexMenu::OnEraseBackground)
    EVT_MENU(kCommandExit, CKorvexMenu::OnExit)
    EVT_BUTTON(wxID_ANY, CKorvexMenu::OnButton)
    EVT_CHAR(CKorvexMenu::OnChar)
    EVT_CLOSE(CKorvexMenu::OnClose)
wxEND_EVENT_TABLE()

namespace {

constexpr int kBordered = DialogLayoutCentre | DialogLayoutBorder;

}  // namespace

// The close box draws nothing on a borderless dialog: it tells the window manager that
// the menu may be closed (some ignore Alt+F4 on a window that does not say so).
CKorvexMenu::CKorvexMenu(int affirmativeId)
    : wxDialog(GetBackgroundFrame(), wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
               wxCLIP_CHILDREN | wxNO_BORDER | wxCLOSE_BOX, "dialog"),
      m_builder(nullptr) {
    SetAffirmativeId(affirmativeId);
    SetEscapeId(MenuResultCancel);
    m_builder = new CDialogBuilder(this);
    SetBackgroundColour(*wxBLACK);
    SetBackgroundStyle(wxBG_STYLE_COLOUR);
    // In front of the background frame and with the keyboard, under any window manager.
    PfPresentWhenShown(this);
}

// The destructor finishes a pending layout, whose faults end the program there.
static_assert(std::is_nothrow_destructible_v<CKorvexMenu>);

CKorvexMenu::~CKorvexMenu() noexcept { FinishLayout(); }

void CKorvexMenu::FinishLayout() {
    if (!m_builder) return;
    CDialogBuilder* builder = m_builder;
    m_builder = nullptr;
    delete builder;  // lays the dialog out
}

int CKorvexMenu::ShowModal() {
    FinishLayout();
    if (wxWindow* affirmative = FindWindow(GetAffirmativeId())) affirmative->SetFocus();
    EnterModalMenu(this);
    // Closing the game window for the menu runs the toolkit's queued events, and a
    // quit among them (an exit command, a close, SIGTERM) found no modal menu to end.
    // The check runs as the menu's loop starts, so such a quit ends it at once.
    CallAfter(&CKorvexMenu::EndIfQuitRequested);
    int result = wxDialog::ShowModal();
    EnterModalMenu(nullptr);
    if (result == MenuResultExit) RequestQuit();
    return result;
}

wxStaticBitmap* CKorvexMenu::AddImage(const char* resource, double fx, double fy) {
    const int width = MenuUnitsX(fx), height = MenuUnitsY(fy);
    return OpenBuilder().AddBitmap(LoadBitmapResourceToWidth(resource, width, height));
}

CKorvexMenuButton* CKorvexMenu::AddButton(int id, const wxString& label) {
    auto* button = new CKorvexMenuButton(this, id, label);
    OpenBuilder().AddWindow(button, kBordered);
    return button;
}

wxStaticText* CKorvexMenu::AddLabel(const wxString& text, int sizeClass) {
    wxStaticText* label = OpenBuilder().AddText(text, DialogLayoutLeft | DialogLayoutBorder);
    MenuFont(label, sizeClass);
    label->SetForegroundColour(*wxWHITE);
    return label;
}

CMultiLineSizedText* CKorvexMenu::AddMultiLineText(const wxString& text, bool centre,
                                                   int sizeClass, double fx, double fy) {
    auto* paragraph = new CMultiLineSizedText(this, text, centre);
    MenuFont(paragraph, sizeClass);
    paragraph->SetForegroundColour(*wxWHITE);
    wxSize size(MenuUnitsX(fx), MenuUnitsY(fy));
    paragraph->SetMinSize(size);
    paragraph->SetMaxSize(size);
    OpenBuilder().AddWindow(paragraph, kBordered);
    return paragraph;
}

void CKorvexMenu::MenuFont(wxWindow* window, int sizeClass) {
    SetWindowFontHeight(window, MenuFontPixelHeight(sizeClass));
}

CKorvexMenuChoice* CKorvexMenu::AddChoice(const wxString& label, int* selection,
                                          const char* const* choices) {
    OpenBuilder().PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
    AddLabel(label, 0);
    CKorvexMenuChoice* choice = CreateChoice(selection, choices);
    PopSizer();
    return choice;
}

CKorvexMenuChoice* CKorvexMenu::CreateChoice(int* selection, const char* const* choices) {
    auto* choice = new CKorvexMenuChoice(this, selection, choices);
    OpenBuilder().AddWindow(choice, kBordered);
    return choice;
}

CKorvexMenuKeyButton* CKorvexMenu::AddKeyButton(int* keyCode) {
    auto* button = new CKorvexMenuKeyButton(this, keyCode);
    OpenBuilder().AddWindow(button, kBordered);
    return button;
}

wxWindow* CKorvexMenu::AddWindow(wxWindow* window) {
    return OpenBuilder().AddWindow(window, kBordered);
}

void CKorvexMenu::BeginGroup(const wxString& title) {
    wxSizer* box = OpenBuilder().PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
    AddSpacer(0.01, 0);
    OpenBuilder().PushSizer(new wxBoxSizer(wxVERTICAL), false);
    AddSpacer(0, title.empty() ? 0.01 : 0.05);
    m_groups.push_back({title, box});
}

void CKorvexMenu::EndGroup() {
    AddSpacer(0, 0.01);
    PopSizer();
    AddSpacer(0.01, 0);
    PopSizer();
}

void CKorvexMenu::PopSizer() { OpenBuilder().PopSizer(); }

CDialogBuilder& CKorvexMenu::OpenBuilder() {
    VP_CHECK(m_builder != nullptr, "CKorvexMenu: a layout call after the layout was finished");
    return *m_builder;
}

void CKorvexMenu::AddSpacer(double fx, double fy) {
    OpenBuilder().CurrentSizer()->Add(MenuUnitsX(fx), MenuUnitsY(fy), 0, 0, 0);
}

void CKorvexMenu::OnEraseBackground(wxEraseEvent&) {}

void CKorvexMenu::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    wxSize client = GetClientSize();
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(0, 0, client.x, client.y);
    int t = MenuScreenHeight() / 24;
    GetFontForPixelHeight(dc, t < 1 ? 1 : t);
    for (const MenuGroup& group : m_groups) {
        wxPoint at = group.box->GetPosition();
        wxSize size = group.box->GetSize();
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.SetPen(*wxWHITE_PEN);
        if (group.title.empty()) {
            dc.DrawRoundedRectangle(at.x + 3, at.y + 3, size.x - 6, size.y - 6, 6);
            continue;
        }
        int half = t / 2;
        dc.DrawRoundedRectangle(at.x + 3, at.y + half, size.x - 6, size.y - half - 3, 6);
        wxCoord tw = 0, th = 0;
        dc.GetTextExtent(group.title, &tw, &th);
        dc.SetBrush(*wxBLACK_BRUSH);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.DrawRectangle(at.x + 12, at.y, tw + 12, th);
        dc.SetTextForeground(*wxWHITE);
        dc.DrawText(group.title, at.x + 18, at.y);
    }
}

void CKorvexMenu::EndModal(int result) {
    // The pop-up's loop runs inside this menu's: this one ends once that has
    // returned. Asked again before then (from the toolkit's pending calls, which run
    // on until none are left) it would never return.
    if (CChoicePopup* popup = CChoicePopup::Current()) {
        wxWeakRef<CKorvexMenu> menu(this);
        popup->FinishThen([menu, result] {
            if (menu && menu->IsModal()) menu->EndModal(result);
        });
        return;
    }
    wxDialog::EndModal(result);
}

void CKorvexMenu::EndIfModal(int result) {
    // A key posted by a button can arrive after another event ended the loop.
    if (IsModal()) EndModal(result);
}

void CKorvexMenu::EndIfQuitRequested() {
    if (QuitRequested) EndIfModal(MenuResultExit);
}

void CKorvexMenu::OnExit(wxCommandEvent&) {
    EndIfModal(MenuResultExit);
    RequestQuit();
}

void CKorvexMenu::OnButton(wxCommandEvent& event) { EndIfModal(event.GetId()); }

void CKorvexMenu::OnChar(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
    case WXK_ESCAPE: EndIfModal(GetEscapeId()); break;
    case WXK_RETURN: EndIfModal(GetAffirmativeId()); break;
    default: event.Skip(); break;
    }
}

void CKorvexMenu::OnClose(wxCloseEvent&) { EndIfModal(MenuResultExit); }
