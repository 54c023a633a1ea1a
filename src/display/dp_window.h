// The game's full-screen window with its OpenGL context: opening it on a monitor and
// mode (changing the mode only when needed), closing it and putting the mode back,
// whether it is active, and the geometry every renderer and the pump read.
#pragma once

#include <cstdint>

#include "display/dp_quality.h"

class wxWindow;
struct GLTexture;
struct TextureImage;

// Written only when a window is created; kept after it is destroyed.
extern int32_t GameWindowLeft;
extern int32_t GameWindowTop;
extern int32_t GameWindowWidth;
extern int32_t GameWindowHeight;

// Set while the program or its window is not the active one (the pump waits on it).
extern bool GameWindowInactive;

// The "live_text" glyph texture while a window is open with debug overlays enabled.
extern TextureImage* g_debugFontImage;
extern GLTexture* g_debugFont;

// The window the game window belongs to (the display session's background frame).
void SetGameWindowOwner(wxWindow* owner);

bool CreateFullscreenGameWindow(const DisplayMode& mode);
void DestroyFullscreenGameWindow();
// Null: the configured mode.
bool OpenGameWindow(const DisplayMode* mode);
void CloseGameWindow();
bool GameWindowExists();
// The monitor of the last window created.
uint32_t LastOpenedDisplayIndex();
// Makes the game window's context current; false when there is none.
bool MakeGameContextCurrent();

// Polls whether the program is active and follows changes into GameWindowInactive.
// Moves between the program's own windows change nothing.
void UpdateGameWindowActivation();
