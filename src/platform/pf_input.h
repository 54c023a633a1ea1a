// Input records of the game window, the way the window system's handlers leave them
// for the game's pump: keys with repeats told apart, left-button clicks at their
// screen position, and quit requests (window closed, SIGTERM).
#pragma once

#include <cstdint>

enum class PlatformInputKind : uint8_t {
    Quit,        // the window system or a signal asks the game to end
    KeyDown,     // repeat tells a first press from an auto-repeat
    KeyUp,
    ButtonDown,  // left button; x, y on the desktop
    ButtonUp,
};

struct PlatformInput {
    PlatformInputKind kind;
    bool repeat;   // KeyDown only: the key was already held
    int32_t key;   // toolkit key code
    int32_t x;     // desktop pixels, y down
    int32_t y;
};

// From the window's handlers. Held keys are tracked here because the toolkit's own
// auto-repeat flag is unreliable: a key-down of a held key is a repeat, a key-up of a
// key that is not held (the one that closed a dialog, say) is dropped, and keys
// pressed with Alt give nothing. keyCode is the window system's own number of the
// physical key (the X key code; 0 when not known), by which the keyboard's state
// names it (PfLetGoKeysNotDown).
void PfQueueKeyDownInput(int32_t key, bool altDown, uint32_t keyCode = 0);
void PfQueueKeyUpInput(int32_t key, bool altDown);
void PfQueueButtonInput(bool down, int32_t screenX, int32_t screenY);
void PfQueueQuitInput();
// Appends a record as it is (tests inject input this way).
void PfPostInput(const PlatformInput& input);
// Forgets every held key (the window that received them has gone).
void PfClearHeldKeys();
// Counts the key as held already: it went down before the window that reports it
// existed, so its next key-down is a repeat, not a press.
void PfNoteHeldKey(int32_t key, uint32_t keyCode = 0);
// The keyboard has come back to the game window with its keys in this state (a bit
// per X key code, 32 bytes, as the X server reports it): a key counted as held whose
// key is up there was let go while another window had the keyboard, and its release
// went there. It is let go now, with its key-up record, so the screens stop holding
// it and its next key-down is a press. Keys held without a known key code stay held.
void PfLetGoKeysNotDown(const char keysDown[32]);
// Whether the key (an X key code) is down in a keyboard state of 32 bytes, a bit per
// key code, as the X server reports it.
bool PfKeyIsDown(const char keysDown[32], uint32_t keyCode);
// Drops every queued record.
void PfClearInput();

// Runs the window system's pending events and the toolkit's pending and idle work,
// without waiting.
void PfDispatchEvents();
// Takes the oldest queued record; a SIGTERM that arrived counts as a quit record.
bool PfTakeInput(PlatformInput* out);

// Whether any top-level window of the program is the active one, or the keyboard
// focus is in one of its windows: while another client holds the keyboard (the window
// manager handling one of its own keys, Alt+F4 or Alt+Tab, grabs it for that time) the
// toolkit reports the window as inactive, but the player has not left it.
bool PfIsProgramActive();
// Whether the player is back in the program: the keyboard focus is set in one of its
// own windows. Unlike PfIsProgramActive, neither the focus on the root window nor the
// toolkit's answer counts: without a window manager the focus falls back to the root
// by itself when another program's window closes, and the toolkit then takes the
// window under the pointer for the active one, while the player is still away (they
// come back by a click, which sets the focus in a window of ours).
bool PfIsProgramFocused();
// Where the X server's keyboard focus is set. Root: on the root window, where it goes
// back to without a window manager when the window that had it closes; the keys then
// go to the window under the pointer, which over the game is one of ours.
enum class PfFocusHolder { Elsewhere, Root, OwnWindow };
PfFocusHolder PfKeyboardFocusHolder();
// Whether the keys come to the program: the focus is in one of its windows or on the
// root window.
bool PfKeyboardFocusIsOurs();

// The process's signal handling, installed once by the program at its start (later
// calls change nothing). SIGTERM becomes a quit record (a second one before the game
// has ended, 1.5 s passing before the main thread takes the quit, or 10 s before the
// game has ended, ends the process with status 128 + SIGTERM); SIGINT and SIGHUP end
// the process with status 128 + the signal; a crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGABRT), SIGQUIT and any of these sent by another process end the process as they
// would have. Every such end first asks the mode guard (pf_mode_guard.h) to put changed
// display modes back: the handlers do only what is safe in a signal handler. SIGINT,
// SIGHUP and SIGQUIT ignored at the start (nohup, a script's background command) stay
// ignored.
void PfInstallSignalHandlers();

// Forgets the SIGTERMs received and stops the deadline of the first: the signal state
// of a fresh program (for a test that raised one and goes on). The handlers stay.
void PfForgetQuitSignals();

// Also tells the main thread of a SIGTERM while its loop waits for events (in a modal
// dialog, where no pump takes quit records): handler runs on the main thread from the
// toolkit's loop, once per signal. Null removes it.
void PfSetQuitSignalHandler(void (*handler)());
