// Game input (the play callback and the pause sequence) and game sounds.
#include "game/gm_input.h"

#include <cmath>

#include "app/app_config.h"
#include "audio/au_sound.h"
#include "audio/au_thread.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "game/gm_math.h"
#include "game/gm_pause.h"
#include "game/gm_seams.h"
#include "game/gm_world.h"

namespace {

// States from here on are final (5 quit, 6 completed, 7 failed): the game has ended.
constexpr uint32_t kFirstFinalState = 4;
// Pixels of mouse motion to seconds of sideways move, and the store's bound.
constexpr double kSteeringPerPixel = 0.001;
constexpr double kSteeringLimit = 0.25;
// A settle or break within 15 units of the craft is heard (squared distance).
constexpr double kHearingDistanceSquared = 225;

bool IsKey(int32_t configured, uint32_t key) { return uint32_t(configured) == key; }

void ForgetHeldControls(GameWorld& world) {
    world.inputLeft = 0;
    world.inputRight = 0;
    world.inputDrop = 0;
}

void RunPauseSequence(GameWorld& world) {
    PostGameAudioMessage(AUDIO_MSG_CLOSE);
    const bool resume = g_gmSeams.runPauseScreen ? g_gmSeams.runPauseScreen() : RunPauseScreen();
    if (!resume) world.state = GAME_QUIT;
    PostGameAudioMessage(AUDIO_MSG_OPEN);
    // No key held before the pause stays pressed: its release went to the pause screen.
    ForgetHeldControls(world);
}

}  // namespace

// ---------------------------------------------------------------------------
// Audio
// ---------------------------------------------------------------------------

// The same gain the audio thread's own volume call sends.
uint32_t AudioGainOfVolume(double volume) { return AudioVolumeGain(volume); }

void PostGameVolumeGain(uint32_t channel, uint32_t gain) {
    if (!AudioReceiverRunning()) return;
    PostToAudioReceiver(AUDIO_MSG_VOLUME, channel, intptr_t(gain));
}

void PostGameVolume(uint32_t channel, double volume) {
    PostGameVolumeGain(channel, AudioGainOfVolume(volume));
}

void PostGameAudioMessage(uint32_t message) {
    if (!AudioReceiverRunning()) return;
    PostToAudioReceiver(message, 0, 0);
}

void PlayGameSound(CSoundData* sound, uint32_t flags) {
    // A sound that failed to load is null: nothing to reference, and a play without a
    // sound (and without the stop flag) would do nothing on the audio thread anyway.
    if (sound) PostAudioSound(sound, SoundFlags(flags));
}

// ---------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------

void OnGameEvent(void* context, uint32_t code, const void* data) {
    GameWorld& world = *static_cast<GameWorld*>(context);
    switch (code) {
    case GameEventKeyDown:
        // Repeats too: a held Escape pauses again once play resumes. An Escape that
        // arrives in the same pump as the window's close finds the game ended: no
        // pause screen comes up after the player quit.
        if (*static_cast<const uint32_t*>(data) == GameKeyEscape && world.state < kFirstFinalState)
            RunPauseSequence(world);
        break;
    case GameEventKeyPress: {
        const uint32_t key = *static_cast<const uint32_t*>(data);
        // Every comparison is made: a key bound to two controls sets both.
        if (IsKey(GameConfig.LeftKey, key)) world.inputLeft = 1;
        if (IsKey(GameConfig.RightKey, key)) world.inputRight = 1;
        if (IsKey(GameConfig.DropKey, key)) world.inputDrop = 1;
        break;
    }
    case GameEventKeyUp: {
        const uint32_t key = *static_cast<const uint32_t*>(data);
        // A drop is one-shot: its key has no release.
        if (IsKey(GameConfig.LeftKey, key)) world.inputLeft = 0;
        if (IsKey(GameConfig.RightKey, key)) world.inputRight = 0;
        break;
    }
    case GameEventMouseMove: {
        const GameEventMotion& motion = *static_cast<const GameEventMotion*>(data);
        double steering = world.steering + motion.dx * kSteeringPerPixel;
        if (steering < -kSteeringLimit) steering = -kSteeringLimit;
        if (steering > kSteeringLimit) steering = kSteeringLimit;
        world.steering = steering;
        break;
    }
    case GameEventMouseDown:
        world.inputDrop = 1;
        break;
    case GameEventQuit:
        world.state = GAME_QUIT;  // the pump has set the quit flag
        break;
    case GameEventActivated:
        // The player left the game and came back: the releases of the keys held when
        // it was left went to another program, so none of them stays pressed.
        ForgetHeldControls(world);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Sounds
// ---------------------------------------------------------------------------

void UpdateGameSounds(GameWorld& world, CRandomSource& runSource) {
    // Halves for every 2 units the craft hovered above its support this frame.
    PostGameVolume(SOUND_CHANNEL_ENGINE, std::pow(0.5, 0.5 * world.maxHover) * world.fade);
    if (world.dropHappened) PlayGameSound(world.dropSound, SOUND_CHANNEL_EFFECTS);
    if (world.nearestSettle < kHearingDistanceSquared) {
        const uint32_t n = runSource.NextU32() & 7;
        PlayGameSound(world.settleSounds[n], SOUND_CHANNEL_EFFECTS);
    }
    if (world.nearestBreak < kHearingDistanceSquared) {
        const uint32_t n = runSource.NextU32() % 7;
        PlayGameSound(world.breakSounds[n], SOUND_CHANNEL_EFFECTS);
    }
    world.maxHover = 0;
    world.nearestBreak = kInfinity;
    world.nearestSettle = kInfinity;
    world.dropHappened = 0;
}
