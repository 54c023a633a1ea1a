// Lays out one toolkit dialog with nested box sizers opened and closed like brackets;
// finishing the builder adds the standard button row and the outer border, fits the
// dialog and centres it.
#pragma once

#include <wx/string.h>

#include <vector>

class wxBitmap;
class wxButton;
class wxSizer;
class wxStaticBitmap;
class wxStaticText;
class wxStdDialogButtonSizer;
class wxWindow;

// Internal faults of an unbalanced sizer stack.
// Closing a sizer while only the content sizer is open.
inline constexpr char kSizerPopFault[] = "{74663E4A-0E33-4bca-904E-2D9FA7404551}";
// Finishing the layout with more than the content sizer open.
inline constexpr char kSizerLeftOpenFault[] = "{46A447EF-631B-4af7-BD8E-BB2C769A8E10}";

// Layout flags of CDialogBuilder::AddWindow and AddText: the low four bits place the
// window across the current sizer's direction, bit 4 adds a 5-pixel border all round.
enum DialogLayoutFlags : int {
    DialogLayoutCentre = 0,   // the toolkit's centre alignment
    DialogLayoutLeft = 1,     // left or top (also every value from 4 to 15)
    DialogLayoutRight = 2,    // wxALIGN_RIGHT
    DialogLayoutExpand = 3,   // wxEXPAND
    DialogLayoutBorder = 16,  // wxALL, 5 pixels
};

class CDialogBuilder {
public:
    // Opens the dialog's content sizer, a vertical box. The dialog must outlive the
    // builder; the builder owns no window or sizer, only its stack.
    explicit CDialogBuilder(wxWindow* parent);
    // Finishes the layout unless Finish already has. With more than the content sizer
    // still open it lays nothing out: it reports kSizerLeftOpenFault and ends the
    // program (ExitOnInternalFault), as destructors must not throw.
    ~CDialogBuilder() noexcept;
    CDialogBuilder(const CDialogBuilder&) = delete;
    CDialogBuilder& operator=(const CDialogBuilder&) = delete;

    // Adds the sizer to the current one (proportion 0, expanded; with a 5-pixel
    // border all round when bordered) and makes it current. Returns it.
    wxSizer* PushSizer(wxSizer* sizer, bool bordered);
    // Pushes a flexible grid of that many rows and two columns, no gaps, unbordered.
    void BeginGrid(int rows);
    // Makes the enclosing sizer current again (the closed one stays in the tree) and
    // returns the closed one. Throws kSizerPopFault when only the content
    // sizer is open.
    wxSizer* PopSizer();

    // A button in the standard button row (created on first use), made the dialog's
    // default when asked. An empty label gives the toolkit's stock label of the id.
    // Ids the row does not arrange (anything but the standard affirmative, negative,
    // cancel, apply and help ids) are placed at the start of the row.
    wxButton* AddButton(int id, bool makeDefault, const wxString& label);
    // A static text added with AddWindow and these layout flags.
    wxStaticText* AddText(const wxString& text, int layout);
    // A static bitmap added centred with a 5-pixel border.
    wxStaticBitmap* AddBitmap(const wxBitmap& bitmap);
    // Adds the window to the current sizer as the layout flags say; proportion 0.
    wxWindow* AddWindow(wxWindow* window, int layout);

    // Finishes the layout now: checks the stack, places the button row last in the
    // content sizer, wraps the content in the outer 5-pixel border, makes that the
    // dialog's sizer and fits (and centres) the dialog. Runs once; a builder call after
    // it (PushSizer, BeginGrid, PopSizer or an Add) is a failed runtime check.
    void Finish();
    // Lays the dialog out to its sizer's minimum size and centres it when asked.
    void FitDialog();

    wxWindow* Parent() const { return m_parent; }
    wxSizer* CurrentSizer() const { return m_open.empty() ? nullptr : m_open.back(); }
    wxSizer* ContentSizer() const { return m_open.empty() ? nullptr : m_open.front(); }
    int OpenCount() const { return static_cast<int>(m_open.size()); }

private:
    wxWindow* m_parent;                   // the dialog being laid out; not owned
    wxStdDialogButtonSizer* m_buttonRow;  // null until the first AddButton; then the tree's
    std::vector<wxSizer*> m_open;         // open sizers, content sizer first, current last
    bool m_centre;                        // centre the finished dialog
    bool m_finished;                      // Finish has run
};
