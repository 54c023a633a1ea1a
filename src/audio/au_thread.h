// The audio thread and the messages the rest of the game drives it with. The thread
// owns the wave mixer and the MIDI player; the game's threads share nothing with it
// but these messages and the reference counts of the sounds and music they carry.
#pragma once

#include <cstdint>

#include "audio/au_midi_player.h"
#include "audio/au_mixer.h"
#include "platform/pf_thread_messages.h"

// Thread messages to the audio thread (WM_USER + 0..6).
enum AudioMessage : uint32_t {
    AUDIO_MSG_PROBE = 1024,       // none; accepted once the thread's queue exists
    AUDIO_MSG_QUIT = 1025,        // close both devices at once and end the thread
    AUDIO_MSG_OPEN = 1026,        // open the devices (counted)
    AUDIO_MSG_CLOSE = 1027,       // close them (counted)
    AUDIO_MSG_PLAY_SOUND = 1028,  // wParam CSoundData* or 0 (one reference passed), lParam SoundFlags
    AUDIO_MSG_PLAY_MUSIC = 1029,  // wParam CMusicData* or 0 (one reference passed), lParam SoundFlags
    AUDIO_MSG_VOLUME = 1030,      // wParam channel (0 both, 1, 2), lParam 16.16 gain up to 0x10000
};

// The flags of the play messages.
using SoundFlags = uint32_t;
constexpr SoundFlags SOUND_CHANNEL_MASK = 15;     // bits 0-3: the channel
constexpr SoundFlags SOUND_CHANNEL_EFFECTS = 1;
constexpr SoundFlags SOUND_CHANNEL_ENGINE = 2;    // the jet loop
constexpr SoundFlags SOUND_LOOP = 16;             // repeats until stopped
constexpr SoundFlags SOUND_STOP_FIRST = 32;       // remove the channel's voices first (channel 0: all)

// How long StopAudio waits for the thread to end.
constexpr uint32_t kAudioStopTimeoutMs = 5000;

// Main thread: the first start creates the thread, the last stop ends it.
void StartAudio();
void StopAudio();
// True while the audio thread exists (posts are sent only then).
bool AudioThreadRunning();

// The receiver of the game's and the display session's audio messages: the audio
// thread, or the recorder a test put in the seams (au_seams.h). Posts are made only
// while it runs.
bool AudioReceiverRunning();
bool PostToAudioReceiver(uint32_t message, uintptr_t wParam, intptr_t lParam);

// Sends a channel's volume, 0..1 (clamped), as AudioVolumeGain gives it.
void SetAudioVolume(uint32_t channel, double volume);
// The 16.16 gain of a volume: unity above 1, 0 at or below 0, else truncated.
uint32_t AudioVolumeGain(double volume);
// Posts a message without an object; skipped when there is no thread.
bool PostAudioMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
// Adds a reference to the object and posts it to the receiver; the receiver releases
// it. Nothing is posted while no receiver runs; when the post fails the reference is
// released here.
bool PostAudioSound(CSoundData* sound, SoundFlags flags);
bool PostAudioMusic(CMusicData* music, SoundFlags flags);

// What the thread owns; a plain record so tests can drive the protocol message by
// message on their own thread.
struct AudioThreadState {
    WaveMixer mixer;
    MidiStreamPlayer player;
    bool quitting;
    int32_t openCount;  // signed: a close before any open takes it to -1
};

void InitAudioThreadState(AudioThreadState* state);
void FreeAudioThreadState(AudioThreadState* state);
// Handles one message of the table above or a device notification.
void HandleAudioMessage(AudioThreadState* state, const PfThreadMessage& message);
// True once a quit has been handled (which closes both devices).
bool AudioThreadFinished(const AudioThreadState* state);

// The thread procedure: 0 when it ended by a quit request, 1 on PF_MSG_QUIT.
int AudioThreadProc();
