// The animated chooser of the galaxy, system and planet screens: a row of items with
// an eased move between the current and the target item, four on-screen buttons
// (Cancel, Continue, left and right arrow), one clickable area per item placed by the
// screen each frame, a caption per item between the arrows, and the fade-in and
// fade-out of the whole screen. The screen's loop feeds OnInput and runs until the
// state reaches 3 or more.
#pragma once

#include <cstdint>
#include <vector>

#include "app/app_texture_image.h"

struct GLTexture;

enum SelectorState : uint32_t {
    SELECTOR_APPEARING = 0,
    SELECTOR_CONFIRMING = 1,  // fading out toward confirmed
    SELECTOR_CANCELLING = 2,  // fading out toward cancelled
    SELECTOR_CONFIRMED = 4,
    SELECTOR_CANCELLED = 5,
};

// The first entries of the areas; item i's area follows at kSelectorFirstItemArea + i.
enum SelectorAreaIndex : uint32_t {
    kSelectorCancelArea = 0,
    kSelectorContinueArea = 1,
    kSelectorLeftArea = 2,
    kSelectorRightArea = 3,
    kSelectorFirstItemArea = 4,
};

// Window pixels, y up from the bottom edge; a point is inside when x0 <= x < x1 and
// y0 <= y < y1.
struct SelectorArea {
    int32_t x0, y0, x1, y1;
    GLTexture* texture;  // drawn only when set; not owned by the area
    uint8_t enabled;
    uint8_t pressed;
    int32_t key;         // key code fed to OnInput when clicked, -1 none
    int32_t item;        // item to move to when clicked, -1 none
};

struct SelectorItem {
    uint8_t enabled;       // may be confirmed
    double position;       // along the screen's line; i / (N - 1) by default
    uint8_t clickable;     // the screen has placed its area
    SelectorArea* area;    // areas[kSelectorFirstItemArea + i]
    TextureImage* caption; // owned; null for none
};

class CArrowSelector {
public:
    // Built for the game window as it is now, with its button and arrow pictures.
    explicit CArrowSelector(uint32_t itemCount);
    // Laid out for a width x height window; without pictures nothing is rendered or
    // uploaded (the logic alone, for tests).
    CArrowSelector(uint32_t itemCount, int32_t width, int32_t height, bool pictures);
    ~CArrowSelector();
    CArrowSelector(const CArrowSelector&) = delete;
    CArrowSelector& operator=(const CArrowSelector&) = delete;

    // Replaces item i's caption image; an empty or null text leaves none. The shown
    // caption's texture goes with its old image; the next update shows the new one.
    void SetItemCaption(uint32_t i, const char* text);
    // The saved selection: current = target = item, or item 0 for one out of range.
    void SetCurrent(uint32_t item);
    // Places item i's area for this frame and makes it clickable.
    void PlaceItem(uint32_t i, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

    bool Idle() const { return current == target; }
    double Position() const;
    // How lit item i is: idle, 1 for the current item; moving, 1 - progress for the
    // current and progress for the target; 0 for the others.
    double ItemHighlight(uint32_t i) const;
    void MoveTo(uint32_t i);
    void Update(double dt);
    // The input callback; selector is the CArrowSelector.
    static void OnInput(void* selector, uint32_t code, const void* data);
    // Buttons, caption and fade over the screen's own scene.
    void Draw();

    uint32_t state;
    double fade;                  // 0 black .. 1 clear
    TextureStrip arrowStrip;      // "live_arrows": frame 0 left, frame 1 right
    GLTexture* arrowTextures[2];
    TextureImage* continueImage;
    GLTexture* continueTexture;
    TextureImage* cancelImage;
    GLTexture* cancelTexture;
    int32_t shownCaption;         // item whose caption texture is loaded, -1 none
    GLTexture* captionTexture;
    uint8_t confirm, cancel, left, right;
    double minMoveTime;           // seconds
    double itemMoveTime;          // seconds per item of distance
    uint32_t current, target;
    double progress;              // 0..1 along the move
    double speed;                 // 1 / the move's duration
    std::vector<SelectorArea> areas;  // never resized: heldArea points into it
    SelectorArea* heldArea;
    uint32_t itemCount;
    std::vector<SelectorItem> items;

private:
    void Build(int32_t width, int32_t height);
    void Input(uint32_t code, const void* data);
    void KeyUp(uint32_t key);
    SelectorArea* HitArea(int32_t x, int32_t y);

    bool m_pictures;
};

// The selector's layout unit on a width x height window: s = min(w, h), cx = w / 2,
// oy = (h - s) / 2, u = s / 20.
struct SelectorLayout {
    int32_t s, cx, oy, u;
};
SelectorLayout ComputeSelectorLayout(int32_t width, int32_t height);

// One selection screen's loop on the game window: the selector takes the input and
// decides the end (state 3 or more, or the quit flag); each frame the screen advances
// by the frame step in seconds (the selector's Update when advance is null) and draws.
struct SelectorScreen {
    CArrowSelector* selector;
    void* screen;                               // the screen's own record
    void (*advance)(void* screen, double dt);   // must call the selector's Update
    void (*draw)(void* screen);
};
// True when the player confirmed a choice (and no quit came).
bool RunSelectorScreen(const SelectorScreen& screen);
