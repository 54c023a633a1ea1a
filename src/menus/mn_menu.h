// The modal menu every menu screen is built from: a borderless black dialog under the
// session's background frame, laid out in screen units through its dialog builder,
// painted by the program (titled group frames behind hand-drawn controls) and shown
// with the display handed over from the game window and back.
#pragma once

#include <wx/dialog.h>
#include <wx/string.h>

#include <vector>

#include "display/dp_command_ids.h"
#include "menus/mn_dialog_builder.h"

class CKorvexMenuButton;
class CKorvexMenuChoice;
class CKorvexMenuKeyButton;
class CMultiLineSizedText;
class wxStaticBitmap;
class wxStaticText;

// Menu result ids: what ShowModal returns, and the ids of the buttons that give them.
enum MenuResult : int {
    MenuResultOk = kCommandOk,            // Play, OK, the affirmative id of most menus
    MenuResultCancel = kCommandCancel,    // the escape id of every menu (Escape)
    MenuResultExit = kCommandExit,        // the menu was closed; the quit flag is set
    MenuResultIgnore = kCommandIgnore,    // Ignore in the display problem prompt
    MenuResultChoice1 = kCommandChoice1,  // a screen's own choice 1 (Settings, Advanced)
    MenuResultChoice2 = kCommandChoice2,  // own choice 2 (Automatically, Go)
    MenuResultChoice3 = kCommandChoice3,  // own choice 3 (Configure, Manually)
};

// One framed group: the title on its frame line, the box the frame is drawn round.
struct MenuGroup {
    wxString title;  // may be empty
    wxSizer* box;    // the group's outer horizontal sizer; owned by the sizer tree
};

class CKorvexMenu : public wxDialog {
public:
    // An empty layout (the builder's content sizer open) under the background frame.
    explicit CKorvexMenu(int affirmativeId);
    // Finishes the layout when ShowModal never did.
    ~CKorvexMenu() noexcept override;

    // Finishes the layout, focuses the control whose id is the affirmative id, hands
    // the display over (the game window closes, the cursor shows, the menu is
    // centred on the chosen display), runs the modal loop and hands the display back.
    // A result of 5006 sets the quit flag.
    int ShowModal() override;
    // Ends the modal loop with result. A choice's pop-up running inside it is
    // dismissed first and the menu ends right after (the pop-up's loop is nested in
    // the menu's, and only the innermost loop can end).
    void EndModal(int result) override;

    // Builder operations, each adding to the current sizer in layout order (border
    // 5 means a 5-pixel border all round).
    // The picture W x fx wide (its own aspect ratio), at most H x fy high; centred.
    wxStaticBitmap* AddImage(const char* resource, double fx, double fy);
    // A menu button with that id and label; border 5.
    CKorvexMenuButton* AddButton(int id, const wxString& label);
    // White text in the size class's font, left-aligned with border 5.
    wxStaticText* AddLabel(const wxString& text, int sizeClass);
    // A wrapped paragraph, white, exactly W x fx by H x fy; border 5.
    CMultiLineSizedText* AddMultiLineText(const wxString& text, bool centre, int sizeClass,
                                          double fx, double fy);
    // The window's font becomes the size class's (pixel height H / 24, 36 or 48).
    static void MenuFont(wxWindow* window, int sizeClass);
    // A row: the label (class 0), then the choice.
    CKorvexMenuChoice* AddChoice(const wxString& label, int* selection, const char* const* choices);
    CKorvexMenuChoice* CreateChoice(int* selection, const char* const* choices);
    CKorvexMenuKeyButton* AddKeyButton(int* keyCode);
    // A window the caller created; border 5.
    wxWindow* AddWindow(wxWindow* window);
    // A framed group: [0.01 W][0.05 H (titled) or 0.01 H, the items, 0.01 H][0.01 W].
    void BeginGroup(const wxString& title);
    void EndGroup();
    // Closes the current sizer; closing the content sizer is an internal fault.
    void PopSizer();
    // A fixed W x fx by H x fy spacer.
    void AddSpacer(double fx, double fy);

    // Finishes the layout now (ShowModal and the destructor do it when still pending):
    // the builder lays the dialog out and is gone.
    void FinishLayout();

    // The builder, for pushing boxes and grids directly; null once laid out.
    CDialogBuilder* Builder() const { return m_builder; }
    const std::vector<MenuGroup>& Groups() const { return m_groups; }

protected:
    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnButton(wxCommandEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnClose(wxCloseEvent& event);

private:
    // The builder while the layout is open; a call once it is finished is a failed
    // runtime check.
    CDialogBuilder& OpenBuilder();
    void EndIfModal(int result);
    void EndIfQuitRequested();

    CDialogBuilder* m_builder;      // owned until the layout is finished, then null
    std::vector<MenuGroup> m_groups;  // in BeginGroup order; read by the paint

    wxDECLARE_EVENT_TABLE();
};
