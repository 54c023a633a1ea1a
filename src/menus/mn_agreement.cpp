// The agreement dialog and its text.
#include "menus/mn_agreement.h"

#include <wx/textctrl.h>

#include "display/dp_command_ids.h"
#include "menus/mn_dialog_builder.h"
#include "platform/pf_window.h"

namespace {

const char kAgreementText[] =
    "Please read this agreement carefully. By choosing Agree you accept its terms; if "
    "you do not accept them, choose Cancel and do not use the software.\n\n"

    "USE OF THE SOFTWARE\n\n"

    "1. Grant of use. The author grants you a personal, non-exclusive licence to "
    "install and use this copy of the software on one computer at a time. You may "
    "move it to another computer, provided it is no longer in use on the first, but "
    "you may not run it on several computers at once or over a network that lets "
    "several people use it at the same time.\n\n"

    "2. Back-up copies. You may make copies of the software solely for back-up or "
    "archival purposes. Every copy must keep the notices that came with the original, "
    "and you may not give a back-up copy to anyone else.\n\n"

    "3. Transfer. You may transfer the software, with this agreement and every copy "
    "you have made, to another party who accepts these terms. After the transfer you "
    "may keep no copy and your licence ends.\n\n"

    "4. Rights kept. The software is licensed, not sold. The author keeps all title, "
    "copyright and other rights in the software, its pictures, sounds and music, and "
    "in every copy of them. Any right not expressly granted here is reserved.\n\n"

    "5. Restrictions. You may not rent, lease or sell the software, nor copy, modify, "
    "decompile or take it apart except as this agreement allows or as the law of your "
    "country permits in spite of it. Nothing here limits the fair use that the law "
    "grants you.\n\n"

    "LIMITED WARRANTY\n\n"

    "6. Limited warranty. For ninety days from the day you first received it, the "
    "author warrants that the software will perform substantially as its "
    "documentation describes. If it does not, your only remedy is, at the author's "
    "choice, a repair or replacement of the software or a refund of the price you "
    "paid. This warranty does not apply when the failure comes from accident, abuse "
    "or misapplication.\n\n"

    "7. Disclaimers. Apart from the warranty above, and as far as the law allows, the "
    "software is provided \"as is\", without any other warranty or condition, express "
    "or implied, including any of merchantability, fitness for a particular purpose, "
    "quiet enjoyment or non-infringement. The author does not warrant that the "
    "software will run without interruption or error.\n\n"

    "LIABILITY AND GENERAL TERMS\n\n"

    "8. Limitation of liability. As far as the law allows, the author is not liable "
    "for any indirect, incidental, special or consequential damages, such as lost "
    "profits, lost data or the failure of other equipment, arising from the use of "
    "the software or from being unable to use it, even when told of their "
    "possibility. In any case the author's whole liability is limited to the price "
    "you paid for the software.\n\n"

    "9. Termination. This licence ends at once if you fail to keep any of its terms. "
    "You must then destroy the software and every copy of it. Terms 4, 7, 8 and 10 "
    "survive the end of the licence.\n\n"

    "10. General. This agreement is the whole agreement between you and the author "
    "about the software and replaces any earlier statement about it. If a court finds "
    "any term unenforceable, that term is enforced as far as it can be and the rest "
    "stays in force. A failure to enforce a term is no waiver of it. Some places do "
    "not allow the exclusion or limitation of certain warranties or damages; there, "
    "the exclusions and limits above apply only as far as the law permits. This "
    "agreement is governed by the law of the place where you acquired the software.";

}  // namespace

const char* LicenseAgreementText() { return kAgreementText; }

CLicenseAgreementDialog::CLicenseAgreementDialog()
    : wxDialog(nullptr, wxID_ANY, "License Agreement", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "dialog") {
    CDialogBuilder builder(this);
    auto* text = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(kAgreementText),
                                wxDefaultPosition, wxDefaultSize,
                                wxTE_MULTILINE | wxTE_READONLY, wxDefaultValidator, "text");
    text->SetMinSize(wxSize(400, 300));
    builder.AddWindow(text, DialogLayoutLeft | DialogLayoutBorder);
    builder.AddButton(kCommandCancel, true, wxString());
    builder.AddButton(kCommandOk, false, "&Agree");
    PfPresentWhenShown(this);  // in front, with the keyboard, under any window manager
}
