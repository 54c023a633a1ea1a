// The audio thread: its start and stop on the main thread, and the message loop.
#include "audio/au_thread.h"

#include <thread>

#include "audio/au_seams.h"

namespace {

// Process-wide audio globals, main thread only.
struct AudioGlobals {
    int32_t startCount = 0;          // StartAudio calls not yet matched by StopAudio
    PfThread* thread = nullptr;      // the audio thread, or null
    PfThreadId threadId = 0;         // the target of every post
};

AudioGlobals g_audio;

}  // namespace

void StartAudio() {
    if (g_audio.startCount != 0) {
        ++g_audio.startCount;
        return;
    }
    g_audio.thread = PfCreateThread(AudioThreadProc, &g_audio.threadId, "audio");
    if (!g_audio.thread) {
        ++g_audio.startCount;  // silent: every later post is skipped
        return;
    }
    PfRaiseThreadPriority(g_audio.thread);
    // The post fails until the new thread has made its queue. A thread that ended
    // without one is not waited for.
    while (!PfPostThreadMessage(g_audio.threadId, AUDIO_MSG_PROBE, 0, 0) &&
           !PfWaitForThread(g_audio.thread, 0))
        std::this_thread::yield();
    ++g_audio.startCount;
}

void StopAudio() {
    if (g_audio.startCount-- != 1 || !g_audio.thread) return;
    PfPostThreadMessage(g_audio.threadId, AUDIO_MSG_QUIT, 0, 0);
    PfWaitForThread(g_audio.thread, kAudioStopTimeoutMs);
    PfCloseThread(g_audio.thread);  // detaches a thread that did not end in time
    g_audio.thread = nullptr;
    g_audio.threadId = 0;
}

bool AudioThreadRunning() { return g_audio.thread != nullptr; }

bool PostAudioMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (!g_audio.thread) return false;
    return PfPostThreadMessage(g_audio.threadId, message, wParam, lParam);
}

bool AudioReceiverRunning() {
    return g_auSeams.audioRunning ? g_auSeams.audioRunning() : AudioThreadRunning();
}

bool PostToAudioReceiver(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (g_auSeams.postAudio) return g_auSeams.postAudio(message, wParam, lParam);
    return PostAudioMessage(message, wParam, lParam);
}

uint32_t AudioVolumeGain(double volume) {
    if (volume > 1.0) return kGainUnity;
    if (volume > 0) return static_cast<uint32_t>(volume * 65536);
    return 0;  // also NaN
}

void SetAudioVolume(uint32_t channel, double volume) {
    if (!g_audio.thread) return;
    PostAudioMessage(AUDIO_MSG_VOLUME, channel, AudioVolumeGain(volume));
}

namespace {

template <typename T>
bool PostWithReference(uint32_t message, T* object, SoundFlags flags) {
    if (!AudioReceiverRunning()) return false;
    if (object) object->AddRef();
    if (PostToAudioReceiver(message, reinterpret_cast<uintptr_t>(object), flags)) return true;
    if (object) object->Release();  // nobody will receive it
    return false;
}

}  // namespace

bool PostAudioSound(CSoundData* sound, SoundFlags flags) {
    return PostWithReference(AUDIO_MSG_PLAY_SOUND, sound, flags);
}

bool PostAudioMusic(CMusicData* music, SoundFlags flags) {
    return PostWithReference(AUDIO_MSG_PLAY_MUSIC, music, flags);
}

void InitAudioThreadState(AudioThreadState* s) {
    InitWaveMixer(&s->mixer);
    InitMidiPlayer(&s->player);
    s->quitting = false;
    s->openCount = 0;
}

void FreeAudioThreadState(AudioThreadState* s) {
    FreeMidiPlayer(&s->player);
    FreeWaveMixer(&s->mixer);
}

bool AudioThreadFinished(const AudioThreadState* s) {
    return s->quitting && !s->mixer.open && !s->player.open;
}

namespace {

void RequestClose(AudioThreadState* s) {
    CloseWaveMixer(&s->mixer);
    CloseMidiPlayer(&s->player);
}

}  // namespace

void HandleAudioMessage(AudioThreadState* s, const PfThreadMessage& m) {
    switch (m.message) {
        case AUDIO_MSG_QUIT:
            // The session is ending and waits for this thread: close both devices now,
            // open or still closing, rather than playing out the mixer's fade behind
            // its queued buffers and the MIDI player's queued quarter notes (up to a
            // second, with the program's last window still on the screen).
            s->quitting = true;
            s->openCount = 0;
            if (s->mixer.open) CloseWaveDevice(&s->mixer);
            if (s->player.open) CloseMidiDevice(&s->player);
            break;
        case AUDIO_MSG_OPEN:
            if (s->openCount == 0) {
                OpenWaveMixer(&s->mixer);
                OpenMidiPlayer(&s->player);
            }
            ++s->openCount;
            break;
        case AUDIO_MSG_CLOSE:
            if (--s->openCount == 0) RequestClose(s);
            break;
        case AUDIO_MSG_PLAY_SOUND:
            PlayMixerSound(&s->mixer, reinterpret_cast<CSoundData*>(m.wParam),
                           static_cast<uint32_t>(m.lParam));
            break;
        case AUDIO_MSG_PLAY_MUSIC:
            PlayMidiMusic(&s->player, reinterpret_cast<CMusicData*>(m.wParam),
                          static_cast<uint32_t>(m.lParam));
            break;
        case AUDIO_MSG_VOLUME:
            // Gains above unity and channels above 2 are ignored.
            if (m.lParam >= 0 && m.lParam <= static_cast<intptr_t>(kGainUnity) && m.wParam <= 2)
                SetMixerVolume(&s->mixer, static_cast<uint32_t>(m.wParam),
                               static_cast<uint32_t>(m.lParam));
            break;
        case PF_MM_WOM_DONE:
            WaveBufferReturned(&s->mixer);
            break;
        case PF_MM_MOM_DONE:
            MidiBufferReturned(&s->player);
            break;
        default:
            break;  // the probe, position notices and anything else
    }
}

int AudioThreadProc() {
    PfCreateThreadQueue();  // from here on the probe succeeds
    PfPreloadMidiSynth();   // the soundfont load, before any buffer is waiting on this thread
    AudioThreadState* s = new AudioThreadState;
    InitAudioThreadState(s);
    int result = 0;
    for (;;) {
        if (AudioThreadFinished(s)) break;
        PfThreadMessage m;
        if (!PfGetThreadMessage(&m)) {
            result = 1;
            break;
        }
        HandleAudioMessage(s, m);
    }
    FreeAudioThreadState(s);
    delete s;
    return result;
}
