// Builders for the audio tests: RIFF/WAVE and Standard MIDI File images put together
// byte by byte, and a reader for the mixer's and player's buffers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/au_sound.h"
#include "platform/pf_audio_device.h"
#include "platform/pf_midi_stream.h"
#include "platform/pf_seams.h"
#include "platform/pf_thread_messages.h"

using Bytes = std::vector<uint8_t>;

// Throws away every message waiting for the calling thread.
inline void DrainThreadMessages() {
    PfThreadMessage m;
    while (PfPeekThreadMessage(&m)) {}
}

// Plays on the manual device (time moves only when the test renders), the synth off,
// with the devices' notices coming to the calling thread's empty queue.
inline void UseManualDevice() {
    g_pfSeams.audioDriver = PfAudioDriver::Manual;
    PfSetMidiSynthEnabled(false);
    PfCreateThreadQueue();
    DrainThreadMessages();
}

// A new sound of count equal samples (one reference for the caller).
inline CSoundData* ConstantSound(uint32_t count, int16_t value) {
    std::vector<int16_t> s(count, value);
    return new CSoundData(count, s.data());
}

inline void PutLe16(Bytes& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
inline void PutLe32(Bytes& b, uint32_t v) {
    PutLe16(b, v & 0xFFFF);
    PutLe16(b, v >> 16);
}
inline void PutBe16(Bytes& b, uint32_t v) {
    b.push_back((v >> 8) & 0xFF);
    b.push_back(v & 0xFF);
}
inline void PutBe32(Bytes& b, uint32_t v) {
    PutBe16(b, v >> 16);
    PutBe16(b, v & 0xFFFF);
}
inline void PutText(Bytes& b, const char* text) {
    for (; *text; ++text) b.push_back(static_cast<uint8_t>(*text));
}

// A chunk: id, size (the body's, unless given), body, pad byte when odd (unless not).
inline void PutChunk(Bytes& b, const char* id, const Bytes& body, bool pad = true) {
    PutText(b, id);
    PutLe32(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && (body.size() & 1)) b.push_back(0);
}

// A "fmt " body: 16 bytes, or 18 with cbSize.
inline Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                        bool withCbSize = false) {
    Bytes f;
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    PutLe16(f, tag);
    PutLe16(f, channels);
    PutLe32(f, rate);
    PutLe32(f, rate * align);
    PutLe16(f, align);
    PutLe16(f, bits);
    if (withCbSize) PutLe16(f, 0);
    return f;
}

inline Bytes SamplesBody(const std::vector<int16_t>& samples) {
    Bytes d;
    for (int16_t s : samples) PutLe16(d, static_cast<uint16_t>(s));
    return d;
}

// "RIFF" size "WAVE" followed by the chunks already put together.
inline Bytes RiffImage(const Bytes& chunks) {
    Bytes b;
    PutText(b, "RIFF");
    PutLe32(b, static_cast<uint32_t>(chunks.size() + 4));
    PutText(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

// A well-formed WAV of mono 16-bit 44100 Hz samples.
inline Bytes GameWav(const std::vector<int16_t>& samples) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", FormatBody(1, 1, 44100, 16));
    PutChunk(chunks, "data", SamplesBody(samples));
    return RiffImage(chunks);
}

// Building blocks of MIDI files.
inline Bytes MidiHeader(uint32_t length, uint16_t format, uint16_t tracks, uint16_t division) {
    Bytes b;
    PutText(b, "MThd");
    PutBe32(b, length);
    PutBe16(b, format);
    PutBe16(b, tracks);
    PutBe16(b, division);
    for (uint32_t k = 6; k < length && k < 64; ++k) b.push_back(0);
    return b;
}

inline void PutMidiChunk(Bytes& b, const char* id, const Bytes& body) {
    PutText(b, id);
    PutBe32(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
}

inline void PutVarLen(Bytes& b, uint32_t v) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = v & 0x7F;
        v >>= 7;
    } while (v);
    while (n-- > 0) b.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
}

// Appends raw event bytes after a delta time.
inline void PutMidiEvent(Bytes& b, uint32_t delta, std::initializer_list<uint8_t> bytes) {
    PutVarLen(b, delta);
    b.insert(b.end(), bytes.begin(), bytes.end());
}

// One 12-byte record of a stream buffer.
struct StreamRecord {
    uint32_t delta;
    uint32_t streamId;
    uint32_t event;
    bool operator==(const StreamRecord& o) const {
        return delta == o.delta && streamId == o.streamId && event == o.event;
    }
};

inline std::vector<StreamRecord> ReadStreamBuffer(const uint8_t* data, uint32_t bytes) {
    std::vector<StreamRecord> records;
    for (uint32_t at = 0; at + 12 <= bytes; at += 12) {
        StreamRecord r;
        r.delta = data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
        r.streamId = data[at + 4] | data[at + 5] << 8 | data[at + 6] << 16 | static_cast<uint32_t>(data[at + 7]) << 24;
        r.event = data[at + 8] | data[at + 9] << 8 | data[at + 10] << 16 | static_cast<uint32_t>(data[at + 11]) << 24;
        records.push_back(r);
    }
    return records;
}
