// The command ids every screen shares: the toolkit's stock ids that menus, dialogs and
// the background frame give a meaning to, and a screen's own three choices.
#pragma once

#include <wx/defs.h>

constexpr int kCommandOk = 5100;       // wxID_OK: Play, OK, the affirmative id of most menus
constexpr int kCommandCancel = 5101;   // wxID_CANCEL: the escape id of every menu (Escape)
constexpr int kCommandExit = 5006;     // wxID_EXIT: quits the program from any menu; a
                                       // menu ended with it was closed
constexpr int kCommandIgnore = 5117;   // wxID_IGNORE: Ignore in the display problem prompt
constexpr int kCommandChoice1 = 10001; // a screen's own choice 1 (Settings, Advanced); the
                                       // first pop-up pick of a choice button
constexpr int kCommandChoice2 = 10002; // own choice 2 (Automatically, Go)
constexpr int kCommandChoice3 = 10003; // own choice 3 (Configure, Manually)

// The stock ids keep the toolkit's meaning (the dialog builder orders and labels stock
// buttons by them), and a screen's own ids stay clear of the toolkit's.
static_assert(kCommandOk == wxID_OK && kCommandCancel == wxID_CANCEL &&
                  kCommandExit == wxID_EXIT && kCommandIgnore == wxID_IGNORE,
              "the stock command ids are the toolkit's");
static_assert(kCommandChoice1 > wxID_HIGHEST, "a screen's own ids follow the toolkit's");
