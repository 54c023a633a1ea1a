// The sizer stack of a dialog's layout and the finishing of the layout.
#include "menus/mn_dialog_builder.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <type_traits>

#include "app/app_check.h"
#include "app/app_fault.h"

// A menu's destructor runs the builder's, and neither may throw: a fault found there
// ends the program instead.
static_assert(std::is_nothrow_destructible_v<CDialogBuilder>);

namespace {

constexpr int kBorder = 5;

// The ids wxStdDialogButtonSizer::AddButton arranges; it ignores every other one.
bool IsStandardRowId(int id) {
    switch (id) {
    case wxID_OK: case wxID_YES: case wxID_SAVE: case wxID_APPLY: case wxID_CLOSE:
    case wxID_NO: case wxID_CANCEL: case wxID_HELP: case wxID_CONTEXT_HELP:
        return true;
    default:
        return false;
    }
}

int SizerFlagsOf(int layout) {
    int flags = 0;
    switch (layout & 15) {
    case DialogLayoutCentre: flags = wxALIGN_CENTRE; break;
    case DialogLayoutRight: flags = wxALIGN_RIGHT; break;
    case DialogLayoutExpand: flags = wxEXPAND; break;
    default: break;  // left or top: no alignment flag
    }
    if (layout & DialogLayoutBorder) flags |= wxALL;
    return flags;
}

}  // namespace

CDialogBuilder::CDialogBuilder(wxWindow* parent)
    : m_parent(parent), m_buttonRow(nullptr), m_centre(true), m_finished(false) {
    PushSizer(new wxBoxSizer(wxVERTICAL), true);
}

CDialogBuilder::~CDialogBuilder() noexcept {
    if (m_finished) return;
    if (m_open.size() != 1) {
        // The sizers never handed to the dialog go first (the outermost owns every one
        // pushed inside it; windows are only detached). A destructor must not throw (a
        // menu's destructor runs this one), so the fault is reported and the program
        // ends here, as an internal fault that reaches the top does.
        delete m_open.front();
        delete m_buttonRow;
        m_open.clear();
        m_buttonRow = nullptr;
        ExitOnInternalFault(kSizerLeftOpenFault);
    }
    Finish();
}

wxSizer* CDialogBuilder::PushSizer(wxSizer* sizer, bool bordered) {
    VP_CHECK(!m_finished, "CDialogBuilder::PushSizer after the layout was finished");
    if (!m_open.empty())
        m_open.back()->Add(sizer, 0, wxEXPAND | (bordered ? wxALL : 0), bordered ? kBorder : 0);
    m_open.push_back(sizer);
    return sizer;
}

void CDialogBuilder::BeginGrid(int rows) {
    VP_CHECK(!m_finished, "CDialogBuilder::BeginGrid after the layout was finished");
    PushSizer(new wxFlexGridSizer(rows, 2, 0, 0), false);
}

wxSizer* CDialogBuilder::PopSizer() {
    VP_CHECK(!m_finished, "CDialogBuilder::PopSizer after the layout was finished");
    if (m_open.size() < 2) ThrowInternalFault(kSizerPopFault);
    wxSizer* closed = m_open.back();
    m_open.pop_back();
    return closed;
}

wxButton* CDialogBuilder::AddButton(int id, bool makeDefault, const wxString& label) {
    VP_CHECK(!m_finished, "CDialogBuilder::AddButton after the layout was finished");
    if (!m_buttonRow) m_buttonRow = new wxStdDialogButtonSizer;
    auto* button = new wxButton(m_parent, id, label, wxDefaultPosition, wxDefaultSize, 0,
                                wxDefaultValidator, "button");
    if (IsStandardRowId(id))
        m_buttonRow->AddButton(button);
    else
        m_buttonRow->Add(button, 0, wxALIGN_CENTRE_VERTICAL | wxLEFT | wxRIGHT, kBorder);
    if (makeDefault) button->SetDefault();
    return button;
}

wxStaticText* CDialogBuilder::AddText(const wxString& text, int layout) {
    VP_CHECK(!m_finished, "CDialogBuilder::AddText after the layout was finished");
    auto* control = new wxStaticText(m_parent, wxID_ANY, text, wxDefaultPosition, wxDefaultSize,
                                     0, "staticText");
    AddWindow(control, layout);
    return control;
}

wxStaticBitmap* CDialogBuilder::AddBitmap(const wxBitmap& bitmap) {
    VP_CHECK(!m_finished, "CDialogBuilder::AddBitmap after the layout was finished");
    auto* control = new wxStaticBitmap(m_parent, wxID_ANY, bitmap, wxDefaultPosition,
                                       wxDefaultSize, 0, "staticBitmap");
    AddWindow(control, DialogLayoutCentre | DialogLayoutBorder);
    return control;
}

wxWindow* CDialogBuilder::AddWindow(wxWindow* window, int layout) {
    VP_CHECK(!m_finished, "CDialogBuilder::AddWindow after the layout was finished");
    m_open.back()->Add(window, 0, SizerFlagsOf(layout), (layout & DialogLayoutBorder) ? kBorder : 0);
    return window;
}

void CDialogBuilder::Finish() {
    if (m_finished) return;
    if (m_open.size() != 1) ThrowInternalFault(kSizerLeftOpenFault);
    if (m_buttonRow) {
        m_buttonRow->Realize();
        PushSizer(m_buttonRow, true);
        PopSizer();
    }
    m_finished = true;  // from here on every builder call is misuse
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(m_open.front(), 0, wxEXPAND | wxALL, kBorder);
    m_parent->SetSizer(outer, true);
    FitDialog();
    m_open.clear();
    m_open.shrink_to_fit();
}

void CDialogBuilder::FitDialog() {
    m_parent->SetMinSize(wxSize(0, 0));
    m_parent->Layout();
    m_parent->GetSizer()->Fit(m_parent);
    if (m_centre) {
        if (auto* toplevel = wxDynamicCast(m_parent, wxTopLevelWindow))
            toplevel->CentreOnParent(wxBOTH);  // on the screen when it has no parent
        else
            m_parent->Centre(wxBOTH);
    }
}
