// The game's two per-frame links to the outside: the input callback that turns keys,
// clicks and mouse motion into the world's raw controls (and pauses on Escape), and
// the sound update that sets the jet's volume and plays what the step noted.
#pragma once

#include <cstdint>

#include "app/app_random.h"

struct GameWorld;
class CSoundData;

// The game's audio messages go to the audio receiver (au_thread.h): the audio thread,
// or a test's recorder. A posted sound carries one reference that the receiver
// releases; a post that fails releases nothing (the poster does).

// The 16.16 gain of a volume: 0x10000 above 1, trunc(v x 65536) above 0, else 0.
uint32_t AudioGainOfVolume(double volume);
// Posts the channel's volume while there is an audio thread.
void PostGameVolume(uint32_t channel, double volume);
// Posts a volume message of a ready 16.16 gain while there is an audio thread.
void PostGameVolumeGain(uint32_t channel, uint32_t gain);
// Posts a plain message (open, close) while there is an audio thread.
void PostGameAudioMessage(uint32_t message);
// Plays a sound with its flags: a reference is taken and posted. A sound that failed
// to load is null and plays nothing.
void PlayGameSound(CSoundData* sound, uint32_t flags);

// The input callback runs the pause screen (or the seams' runPauseScreen, gm_seams.h).

// The GameEventCallback of play: context is the GameWorld.
void OnGameEvent(void* context, uint32_t code, const void* data);

// Once per frame after the step: jet volume, at most one drop, settle and break sound,
// then the notes are cleared. The settle and break choices draw from the run source
// whether or not anything can be posted.
void UpdateGameSounds(GameWorld& world, CRandomSource& runSource);
