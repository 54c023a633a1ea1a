// MIDI stream over FluidSynth: a sequencer in the output device's render pass that
// plays queued stream buffers with sample-exact timing.
//
// Time is kept in exact integer units so it never drifts: one tick is
// tempo x 44100 units and one sample is division x 1,000,000 units. An event plays at
// the first sample boundary at or after its time.
#include "platform/pf_midi_stream.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <unistd.h>

#include "platform/pf_audio_device.h"
#include "platform/pf_audio_sources.h"
#include "platform/pf_seams.h"

struct PfMidiStreamDevice {
    std::mutex lock;                    // taken by the caller's thread and the render pass
    bool open = false;
    bool running = false;               // restarted and not stopped
    PfThreadId callbackThread = 0;      // receives PF_MM_MOM_DONE
    uint32_t division = kPfMidiDefaultDivision;
    uint32_t tempo = kPfMidiDefaultTempo;
    std::deque<PfMidiHeader*> queue;    // buffers not yet played to their last event
    bool haveEvent = false;             // the front buffer's next event has its delta counted
    int64_t pending = 0;                // units until that event plays (<= 0: due now)
    uint64_t clock = 0;                 // samples rendered since open
    void (*sink)(void* user, uint64_t sample, uint32_t event) = nullptr;  // the seam at open
    void* sinkUser = nullptr;
};

namespace {

// The synth, made once by the first stream open (on the opening thread, never in the
// render pass) and kept for the rest of the process.
struct Synth {
    std::mutex loading;                         // held while loading (once)
    std::atomic<bool> enabled{true};
    bool tried = false;                         // under loading
    fluid_settings_t* settings = nullptr;       // under loading
    std::atomic<fluid_synth_t*> synth{nullptr}; // set once, when loaded
};

PfMidiStreamDevice& TheStream() {
    static PfMidiStreamDevice* device = new PfMidiStreamDevice;  // lives to the end of the process
    return *device;
}

Synth& TheSynth() {
    static Synth* synth = new Synth;
    return *synth;
}

constexpr int64_t kUnitsPerTickPerTempo = 44100;  // units of one tick = tempo x this

// Debian's General MIDI soundfont, through its alternative first.
const char* const kSoundfonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

void QuietLog(int, const char*, void*) {}

void LoadSynth(Synth& s) {
    std::lock_guard<std::mutex> guard(s.loading);
    if (s.tried) return;
    s.tried = true;
    const char* path = nullptr;
    for (const char* candidate : kSoundfonts)
        if (access(candidate, R_OK) == 0) {
            path = candidate;
            break;
        }
    if (!path) return;
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
        fluid_set_log_function(level, QuietLog, nullptr);
    s.settings = new_fluid_settings();
    if (!s.settings) return;
    fluid_settings_setnum(s.settings, "synth.sample-rate", kPfAudioSampleRate);
    fluid_settings_setnum(s.settings, "synth.gain", 0.8);
    fluid_settings_setint(s.settings, "synth.threadsafe-api", 0);
    fluid_synth_t* synth = new_fluid_synth(s.settings);
    if (synth && fluid_synth_sfload(synth, path, 1) == FLUID_FAILED) {
        delete_fluid_synth(synth);
        synth = nullptr;
    }
    s.synth = synth;
}

fluid_synth_t* ActiveSynth() {
    Synth& s = TheSynth();
    return s.enabled ? s.synth.load() : nullptr;
}

void SilenceNotes() {
    if (fluid_synth_t* synth = ActiveSynth()) fluid_synth_all_notes_off(synth, -1);
}

bool Valid(PfMidiStream stream) { return stream == &TheStream() && stream->open; }

void ReturnBuffer(PfMidiStreamDevice& d, PfMidiHeader* header) {
    header->flags.fetch_and(~PF_MHDR_INQUEUE);
    header->flags.fetch_or(PF_MHDR_DONE);
    PfPostThreadMessage(d.callbackThread, PF_MM_MOM_DONE, reinterpret_cast<uintptr_t>(&d),
                        reinterpret_cast<intptr_t>(header));
}

void ReturnAllBuffers(PfMidiStreamDevice& d) {
    for (PfMidiHeader* header : d.queue) ReturnBuffer(d, header);
    d.queue.clear();
    d.haveEvent = false;
    d.pending = 0;
}

uint32_t ReadWord(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Bytes an event takes in a buffer: 12, plus its parameters rounded up to words.
uint32_t EventSize(uint32_t event) {
    if (!(event & PF_MEVT_F_LONG)) return 12;
    return 12 + (((event & 0xFFFFFF) + 3) & ~3u);
}

void SendShortMessage(fluid_synth_t* synth, uint32_t word) {
    int status = word & 0xFF;
    int channel = status & 0x0F;
    int d1 = (word >> 8) & 0x7F;
    int d2 = (word >> 16) & 0x7F;
    switch (status & 0xF0) {
        case 0x80: fluid_synth_noteoff(synth, channel, d1); break;
        case 0x90: fluid_synth_noteon(synth, channel, d1, d2); break;
        case 0xA0: fluid_synth_key_pressure(synth, channel, d1, d2); break;
        case 0xB0: fluid_synth_cc(synth, channel, d1, d2); break;
        case 0xC0: fluid_synth_program_change(synth, channel, d1); break;
        case 0xD0: fluid_synth_channel_pressure(synth, channel, d1); break;
        case 0xE0: fluid_synth_pitch_bend(synth, channel, d1 | (d2 << 7)); break;
        default: break;  // system messages are not sent by the game
    }
}

// Plays the event at the front buffer's offset and moves past it; returns the buffer
// when that was its last event.
void PlayEvent(PfMidiStreamDevice& d, PfMidiHeader* header) {
    uint32_t event = ReadWord(header->data + header->offset + 8);
    uint32_t type = (event >> 24) & 0x3F;
    if (d.sink) d.sink(d.sinkUser, d.clock, event);
    if (!(event & PF_MEVT_F_LONG)) {
        if (type == PF_MEVT_SHORTMSG) {
            if (fluid_synth_t* synth = ActiveSynth()) SendShortMessage(synth, event);
        } else if (type == PF_MEVT_TEMPO) {
            // A tempo of 0 would make every later tick take no time: ignore it.
            uint32_t tempo = event & 0xFFFFFF;
            if (tempo != 0) d.tempo = tempo;
        }
    }
    if (event & PF_MEVT_F_CALLBACK)
        PfPostThreadMessage(d.callbackThread, PF_MM_MOM_POSITIONCB,
                            reinterpret_cast<uintptr_t>(&d), reinterpret_cast<intptr_t>(header));
    header->offset += EventSize(event);
    d.haveEvent = false;
    if (header->offset + 12 > header->bytesRecorded) {
        d.queue.pop_front();
        ReturnBuffer(d, header);
    }
}

void RenderSynth(int32_t* mix, uint32_t frames) {
    fluid_synth_t* synth = ActiveSynth();
    if (!synth) return;
    float left[256];
    float right[256];
    while (frames > 0) {
        uint32_t n = std::min<uint32_t>(frames, 256);
        fluid_synth_write_float(synth, static_cast<int>(n), left, 0, 1, right, 0, 1);
        for (uint32_t i = 0; i < n; ++i) {
            float m = (left[i] + right[i]) * 0.5f * 32767.0f;
            m = std::clamp(m, -32768.0f, 32767.0f);
            mix[i] += static_cast<int32_t>(m);
        }
        mix += n;
        frames -= n;
    }
}

}  // namespace

PfMmResult PfMidiStreamOpen(PfMidiStream* out, PfThreadId callbackThread) {
    if (!out) return PF_MMSYSERR_INVALPARAM;
    PfMidiStreamDevice& d = TheStream();
    {
        std::lock_guard<std::mutex> guard(d.lock);
        if (d.open) return PF_MMSYSERR_ALLOCATED;
    }
    Synth& s = TheSynth();
    if (s.enabled) LoadSynth(s);
    if (!PfAcquireAudioOutput()) return PF_MMSYSERR_NODRIVER;
    std::lock_guard<std::mutex> guard(d.lock);
    // A newly opened device starts from its power-on state: default programs, tempo
    // and division.
    if (fluid_synth_t* synth = ActiveSynth()) fluid_synth_system_reset(synth);
    d.open = true;
    d.running = false;
    d.callbackThread = callbackThread;
    d.division = kPfMidiDefaultDivision;
    d.tempo = kPfMidiDefaultTempo;
    d.queue.clear();
    d.haveEvent = false;
    d.pending = 0;
    d.clock = 0;
    d.sink = g_pfSeams.midiEvent;
    d.sinkUser = g_pfSeams.midiEventUser;
    *out = &d;
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfMidiStreamSetTimeDivision(PfMidiStream stream, uint32_t ticksPerQuarter) {
    if (!Valid(stream)) return PF_MMSYSERR_INVALHANDLE;
    if (ticksPerQuarter == 0 || ticksPerQuarter > 0x7FFF) return PF_MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(stream->lock);
    stream->division = ticksPerQuarter;
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfMidiOutPrepareHeader(PfMidiStream stream, PfMidiHeader* header) {
    if (!Valid(stream)) return PF_MMSYSERR_INVALHANDLE;
    if (!header || (!header->data && header->bufferLength > 0)) return PF_MMSYSERR_INVALPARAM;
    header->flags.fetch_or(PF_MHDR_PREPARED);
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfMidiOutUnprepareHeader(PfMidiStream stream, PfMidiHeader* header) {
    if (!Valid(stream)) return PF_MMSYSERR_INVALHANDLE;
    if (!header) return PF_MMSYSERR_INVALPARAM;
    if (header->flags.load() & PF_MHDR_INQUEUE) return PF_MIDIERR_STILLPLAYING;
    header->flags.fetch_and(~PF_MHDR_PREPARED);
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfMidiStreamOut(PfMidiStream stream, PfMidiHeader* header) {
    if (!Valid(stream)) return PF_MMSYSERR_INVALHANDLE;
    if (!header || header->bytesRecorded > header->bufferLength) return PF_MMSYSERR_INVALPARAM;
    uint32_t flags = header->flags.load();
    if (!(flags & PF_MHDR_PREPARED)) return PF_MIDIERR_UNPREPARED;
    if (flags & PF_MHDR_INQUEUE) return PF_MIDIERR_STILLPLAYING;
    // Every event must lie wholly inside the recorded bytes.
    for (uint32_t at = 0; at + 12 <= header->bytesRecorded;) {
        uint32_t size = EventSize(ReadWord(header->data + at + 8));
        if (size > header->bytesRecorded - at) return PF_MMSYSERR_INVALPARAM;
        at += size;
    }
    std::lock_guard<std::mutex> guard(stream->lock);
    header->offset = 0;
    header->flags.fetch_and(~PF_MHDR_DONE);
    header->flags.fetch_or(PF_MHDR_INQUEUE | PF_MHDR_ISSTRM);
    if (header->bytesRecorded < 12) {
        ReturnBuffer(*stream, header);  // no events: done at once
        return PF_MMSYSERR_NOERROR;
    }
    stream->queue.push_back(header);
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfMidiStreamRestart(PfMidiStream stream) {
    if (!Valid(stream)) return PF_MMSYSERR_INVALHANDLE;
    std::lock_guard<std::mutex> guard(stream->lock);
    stream->running = true;
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfMidiStreamStop(PfMidiStream stream) {
    if (!Valid(stream)) return PF_MMSYSERR_INVALHANDLE;
    std::lock_guard<std::mutex> guard(stream->lock);
    stream->running = false;
    SilenceNotes();
    ReturnAllBuffers(*stream);
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfMidiOutReset(PfMidiStream stream) {
    if (!Valid(stream)) return PF_MMSYSERR_INVALHANDLE;
    std::lock_guard<std::mutex> guard(stream->lock);
    SilenceNotes();
    ReturnAllBuffers(*stream);
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfMidiStreamClose(PfMidiStream stream) {
    if (!Valid(stream)) return PF_MMSYSERR_INVALHANDLE;
    {
        std::lock_guard<std::mutex> guard(stream->lock);
        if (!stream->queue.empty()) return PF_MIDIERR_STILLPLAYING;
        SilenceNotes();
        stream->open = false;
        stream->running = false;
        stream->callbackThread = 0;
    }
    PfReleaseAudioOutput();  // outside the lock: closing the device waits for its render pass
    return PF_MMSYSERR_NOERROR;
}

void PfSetMidiSynthEnabled(bool enabled) {
    PfMidiStreamDevice& d = TheStream();
    std::lock_guard<std::mutex> guard(d.lock);
    TheSynth().enabled = enabled;
}

void PfPreloadMidiSynth() {
    Synth& s = TheSynth();
    if (s.enabled) LoadSynth(s);
}

bool PfMidiSynthLoaded() { return TheSynth().synth.load() != nullptr; }

void PfRenderMidiStream(int32_t* mix, uint32_t frames) {
    PfMidiStreamDevice& d = TheStream();
    std::lock_guard<std::mutex> guard(d.lock);
    if (!d.open) return;
    const int64_t unitsPerSample = static_cast<int64_t>(d.division) * 1000000;
    uint32_t i = 0;
    for (;;) {
        // Play every event due at this sample, including those due right at the end of
        // the pass, so a buffer whose last event ends the pass is returned with it.
        if (d.running && !d.queue.empty()) {
            PfMidiHeader* header = d.queue.front();
            if (!d.haveEvent) {
                uint32_t delta = ReadWord(header->data + header->offset);
                // At most 2^32 x 2^24 x 44100: beyond 64 bits, so the sum is kept in 128
                // and capped (a delay of over 6,000 years plays as never).
                __int128 sum = static_cast<__int128>(d.pending) +
                               static_cast<__int128>(delta) * d.tempo * kUnitsPerTickPerTempo;
                d.pending = static_cast<int64_t>(std::min<__int128>(sum, INT64_MAX / 2));
                d.haveEvent = true;
            }
            if (d.pending <= 0) {
                PlayEvent(d, header);
                continue;
            }
        }
        if (i == frames) break;
        // Render up to the next event (or the end of this pass when nothing is due).
        uint32_t n = frames - i;
        if (d.running && d.haveEvent) {
            int64_t until = (d.pending + unitsPerSample - 1) / unitsPerSample;
            n = static_cast<uint32_t>(std::min<int64_t>(until, n));
            d.pending -= static_cast<int64_t>(n) * unitsPerSample;
        }
        RenderSynth(mix + i, n);
        d.clock += n;
        i += n;
    }
}
