// The arrow selector: construction, moves, the per-frame update, input and drawing.
#include "campaign/cp_selector.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "display/dp_gl_state.h"
#include "display/dp_glyph_text.h"
#include "display/dp_input.h"
#include "display/dp_quality.h"
#include "display/dp_quit.h"
#include "display/dp_screen_loop.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"

namespace {

// The fades take half a second.
constexpr double kFadeRate = 2.0;

bool IsEnter(uint32_t key) { return key == GameKeyEnter || key == GameKeyPadEnter; }

bool Inside(const SelectorArea& a, int32_t x, int32_t y) {
    return a.x0 <= x && x < a.x1 && a.y0 <= y && y < a.y1;
}

}  // namespace

SelectorLayout ComputeSelectorLayout(int32_t width, int32_t height) {
    SelectorLayout l;
    l.s = std::min(width, height);
    l.cx = width / 2;
    l.oy = (height - l.s) / 2;
    l.u = l.s / 20;
    return l;
}

CArrowSelector::CArrowSelector(uint32_t count) : itemCount(count), m_pictures(true) {
    Build(GameWindowWidth, GameWindowHeight);
}

CArrowSelector::CArrowSelector(uint32_t count, int32_t width, int32_t height, bool pictures)
    : itemCount(count), m_pictures(pictures) {
    Build(width, height);
}

void CArrowSelector::Build(int32_t width, int32_t height) {
    state = SELECTOR_APPEARING;
    fade = 0.0;
    minMoveTime = 0.5;
    itemMoveTime = 0.25;
    current = target = 0;
    progress = 0.0;
    speed = 0.0;
    shownCaption = -1;
    captionTexture = nullptr;
    confirm = cancel = left = right = 0;
    heldArea = nullptr;
    arrowTextures[0] = arrowTextures[1] = nullptr;
    continueImage = cancelImage = nullptr;
    continueTexture = cancelTexture = nullptr;

    const SelectorArea empty = {0, 0, 0, 0, nullptr, 0, 0, -1, -1};
    areas.assign(size_t(itemCount) + kSelectorFirstItemArea, empty);
    items.resize(itemCount);
    for (uint32_t i = 0; i < itemCount; ++i) {
        SelectorItem& item = items[i];
        item.enabled = 1;
        item.position = i == 0 ? 0.0 : double(i) / double(itemCount - 1);
        item.clickable = 0;
        item.area = &areas[kSelectorFirstItemArea + i];
        item.area->item = int32_t(i);
        item.caption = nullptr;
    }

    if (m_pictures) {
        LoadTextureStrip(arrowStrip, "live_arrows", 2, 64, 64);
        CreateTextures(arrowTextures, 2, arrowStrip, ActiveTextureFilters());
        continueImage = RenderLiveButtonImage("Continue", 256, 64);
        continueTexture = MakeTexture(continueImage, true, TextureCategoryFixed,
                                      ActiveTextureFilters());
        cancelImage = RenderLiveButtonImage("Cancel", 256, 64);
        cancelTexture = MakeTexture(cancelImage, true, TextureCategoryFixed,
                                    ActiveTextureFilters());
    }

    const SelectorLayout l = ComputeSelectorLayout(width, height);
    const int32_t u = l.u;
    struct Button {
        int32_t key;
        GLTexture* texture;
        int32_t x0, y0, w;
    };
    const Button buttons[4] = {
        {int32_t(GameKeyEscape), cancelTexture, l.cx - 41 * u / 10, l.oy + 7 * u / 5, 4 * u},
        {int32_t(GameKeyEnter), continueTexture, l.cx + u / 10, l.oy + 7 * u / 5, 4 * u},
        {int32_t(GameKeyLeft), arrowTextures[0], l.cx - 51 * u / 10, l.oy + 13 * u / 5, u},
        {int32_t(GameKeyRight), arrowTextures[1], l.cx + 41 * u / 10, l.oy + 13 * u / 5, u},
    };
    for (uint32_t b = 0; b < 4; ++b) {
        SelectorArea& a = areas[b];
        a.key = buttons[b].key;
        a.texture = buttons[b].texture;
        a.x0 = buttons[b].x0;
        a.y0 = buttons[b].y0;
        a.x1 = a.x0 + buttons[b].w;
        a.y1 = a.y0 + u;
    }
}

CArrowSelector::~CArrowSelector() {
    DeleteTexture(captionTexture);
    for (SelectorItem& item : items) FreeTextureImage(item.caption);
    DeleteTexture(arrowTextures[0]);
    DeleteTexture(arrowTextures[1]);
    FreeTextureImages(arrowStrip);
    DeleteTexture(continueTexture);
    FreeTextureImage(continueImage);
    DeleteTexture(cancelTexture);
    FreeTextureImage(cancelImage);
}

void CArrowSelector::SetItemCaption(uint32_t i, const char* text) {
    if (i >= itemCount) return;
    // The shown caption's texture keeps its image for uploading again after the
    // context is lost: it goes with the image, and the next update makes a new one.
    if (int32_t(i) == shownCaption) {
        DeleteTexture(captionTexture);
        captionTexture = nullptr;
        shownCaption = -1;
    }
    FreeTextureImage(items[i].caption);
    items[i].caption = nullptr;
    if (m_pictures && text && *text) items[i].caption = RenderCaptionImage(text);
}

void CArrowSelector::SetCurrent(uint32_t item) {
    current = target = item < itemCount ? item : 0;
    progress = 0.0;
}

void CArrowSelector::PlaceItem(uint32_t i, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (i >= itemCount) return;
    SelectorArea& a = *items[i].area;
    a.x0 = x0;
    a.y0 = y0;
    a.x1 = x1;
    a.y1 = y1;
    items[i].clickable = 1;
}

double CArrowSelector::Position() const {
    if (itemCount == 0) return 0.0;
    const double p0 = items[current].position;
    if (Idle()) return p0;
    const double p1 = items[target].position;
    const double t = progress;
    const double s = t * t * (3 - 2 * t);
    return p0 + (p1 - p0) * s;
}

double CArrowSelector::ItemHighlight(uint32_t i) const {
    if (Idle()) return i == current ? 1.0 : 0.0;
    if (i == current) return 1.0 - progress;
    if (i == target) return progress;
    return 0.0;
}

void CArrowSelector::MoveTo(uint32_t i) {
    if (i >= itemCount || !Idle() || i == current) return;
    progress = 0.0;
    target = i;
    const double distance = current > i ? double(current - i) : double(i - current);
    const double duration = std::max(distance * itemMoveTime, minMoveTime);
    speed = 1.0 / duration;
}

void CArrowSelector::Update(double dt) {
    if (!Idle()) {
        progress += speed * dt;
        if (progress >= 1.0) {
            progress = 0.0;
            current = target;
        }
    }
    if (left && !right) MoveTo(current - 1);
    else if (right && !left) MoveTo(current + 1);

    if (state == SELECTOR_APPEARING) {
        fade = std::min(fade + kFadeRate * dt, 1.0);
    } else if (state == SELECTOR_CONFIRMING || state == SELECTOR_CANCELLING) {
        fade = std::max(fade - kFadeRate * dt, 0.0);
        if (fade == 0.0) state = state == SELECTOR_CONFIRMING ? SELECTOR_CONFIRMED : SELECTOR_CANCELLED;
    }
    left = right = 0;

    const bool idle = Idle();
    areas[kSelectorCancelArea].enabled = 1;
    areas[kSelectorContinueArea].enabled = idle && itemCount > 0 && items[current].enabled;
    areas[kSelectorLeftArea].enabled = idle && current > 0;
    areas[kSelectorRightArea].enabled = idle && current + 1 < itemCount;
    for (SelectorItem& item : items)
        if (item.clickable) item.area->enabled = item.enabled;

    if (itemCount == 0) return;
    const int32_t show = int32_t(progress > 0.5 ? target : current);
    if (show != shownCaption) {
        DeleteTexture(captionTexture);
        captionTexture = nullptr;
        shownCaption = show;
        if (m_pictures)
            captionTexture = MakeTexture(items[show].caption, true, TextureCategoryFixed,
                                         ActiveTextureFilters());
    }
}

void CArrowSelector::OnInput(void* selector, uint32_t code, const void* data) {
    static_cast<CArrowSelector*>(selector)->Input(code, data);
}

SelectorArea* CArrowSelector::HitArea(int32_t x, int32_t y) {
    SelectorArea* hit = nullptr;
    for (SelectorArea& a : areas)
        if (Inside(a, x, y)) hit = &a;
    return hit;
}

void CArrowSelector::KeyUp(uint32_t key) {
    // A finished screen stays finished: a release after a quit, or after the fade
    // ended, changes nothing.
    const bool live = state < 3;
    if (key == GameKeyEscape && cancel) {
        if (live) state = SELECTOR_CANCELLING;
    } else if (IsEnter(key) && confirm && Idle() && itemCount > 0 && items[current].enabled) {
        if (live) state = SELECTOR_CONFIRMING;
    }
    // The key's button is no longer held down (unless the mouse holds it).
    SelectorArea* button = key == GameKeyEscape ? &areas[kSelectorCancelArea]
                           : IsEnter(key)    ? &areas[kSelectorContinueArea]
                                             : nullptr;
    if (button && button != heldArea) button->pressed = 0;
}

void CArrowSelector::Input(uint32_t code, const void* data) {
    switch (code) {
    case GameEventQuit:
        state = SELECTOR_CANCELLED;  // the pump has set the quit flag
        return;
    case GameEventKeyDown: {
        const uint32_t key = *static_cast<const uint32_t*>(data);
        if (key == GameKeyLeft) left = 1;
        if (key == GameKeyRight) right = 1;
        return;
    }
    case GameEventKeyPress: {
        const uint32_t key = *static_cast<const uint32_t*>(data);
        if (key == GameKeyEscape) {
            cancel = 1;
            areas[kSelectorCancelArea].pressed = 1;
        } else if (IsEnter(key)) {
            confirm = 1;
            areas[kSelectorContinueArea].pressed = 1;
        }
        return;
    }
    case GameEventKeyUp:
        KeyUp(*static_cast<const uint32_t*>(data));
        return;
    case GameEventMouseDown: {
        const GameEventPoint& p = *static_cast<const GameEventPoint*>(data);
        SelectorArea* hit = HitArea(p.x, p.y);
        if (hit && hit->enabled) {
            if (heldArea) heldArea->pressed = 0;
            hit->pressed = 1;
            heldArea = hit;
        }
        return;
    }
    case GameEventMouseUp: {
        const GameEventPoint& p = *static_cast<const GameEventPoint*>(data);
        SelectorArea* hit = HitArea(p.x, p.y);
        // Only a release over the area the press began in acts.
        if (hit && hit == heldArea && hit->enabled && hit->pressed) {
            if (hit->key >= 0) {
                const uint32_t key = uint32_t(hit->key);
                Input(GameEventKeyPress, &key);
                Input(GameEventKeyDown, &key);
                Input(GameEventKeyUp, &key);
            }
            if (hit->item >= 0) MoveTo(uint32_t(hit->item));
        }
        if (heldArea) heldArea->pressed = 0;
        heldArea = nullptr;
        return;
    }
    case GameEventMousePosition: {
        const GameEventPoint& p = *static_cast<const GameEventPoint*>(data);
        if (heldArea) heldArea->pressed = Inside(*heldArea, p.x, p.y) ? 1 : 0;
        return;
    }
    default:
        return;
    }
}

void CArrowSelector::Draw() {
    PushOverlay2D();
    for (const SelectorArea& a : areas) {
        if (!a.texture) continue;
        if (!a.enabled) glColor4d(0.4, 0.4, 0.4, 1.0);
        else if (a.pressed) glColor4d(0.7, 0.7, 0.7, 1.0);
        else glColor4d(1.0, 1.0, 1.0, 1.0);
        int32_t x0 = a.x0, y0 = a.y0, x1 = a.x1, y1 = a.y1;
        if (a.pressed) {
            const int32_t dx = (x1 - x0) / 50, dy = (y1 - y0) / 50;
            x0 += dx;
            x1 -= dx;
            y0 += dy;
            y1 -= dy;
        }
        const double p1[2] = {double(x0), double(y0)}, p2[2] = {double(x0), double(y1)};
        const double p3[2] = {double(x1), double(y1)}, p4[2] = {double(x1), double(y0)};
        DrawTexturedQuad(a.texture, p1, p2, p3, p4, 1.0, 1.0, 0.0, 0.0);
    }

    const double alpha = progress <= 0.5 ? 1.0 - 2.0 * progress : 2.0 * progress - 1.0;
    glColor4d(1.0, 1.0, 1.0, alpha);
    const SelectorLayout l = ComputeSelectorLayout(GameWindowWidth, GameWindowHeight);
    const double cx = l.cx, cy = l.oy + 31 * l.u / 10;
    const double hw = 41 * l.u / 10, hh = hw / 16.0;
    const double p1[2] = {cx - hw, cy - hh}, p2[2] = {cx - hw, cy + hh};
    const double p3[2] = {cx + hw, cy + hh}, p4[2] = {cx + hw, cy - hh};
    DrawTexturedQuad(captionTexture, p1, p2, p3, p4, 1.0, 1.0, 0.0, 0.0);

    DrawScreenFade(fade);
    PopOverlay2D();
}

bool RunSelectorScreen(const SelectorScreen& screen) {
    ScreenHandlers handlers;
    handlers.context = const_cast<SelectorScreen*>(&screen);
    handlers.input = [](void* context, uint32_t code, const void* data) {
        CArrowSelector::OnInput(static_cast<SelectorScreen*>(context)->selector, code, data);
    };
    handlers.done = [](void* context) {
        return static_cast<SelectorScreen*>(context)->selector->state >= 3;
    };
    handlers.advance = [](void* context, uint32_t stepMs) {
        const SelectorScreen& s = *static_cast<SelectorScreen*>(context);
        const double dt = stepMs / 1000.0;
        if (s.advance) s.advance(s.screen, dt);
        else s.selector->Update(dt);
    };
    handlers.draw = [](void* context) {
        const SelectorScreen& s = *static_cast<SelectorScreen*>(context);
        if (s.draw) s.draw(s.screen);
    };
    RunScreenLoop(handlers);
    return screen.selector->state == SELECTOR_CONFIRMED && !QuitRequested;
}
