// Sound effects: the reference-counted sample block every sound is played from, and
// loading it from a WAV resource.
#pragma once

#include <cstdint>

#include "app/app_refcount.h"

// Mono 16-bit 44100 Hz samples, never changed after construction, so the main thread
// and the audio thread may read one object at once; only the count is shared state.
class CSoundData : public CRefCountedObject {
public:
    // Copies count samples (none when source is null).
    CSoundData(uint32_t count, const int16_t* source);

    const int16_t* Samples() const { return m_samples; }
    uint32_t SampleCount() const { return m_sampleCount; }

protected:
    ~CSoundData() override;

private:
    int16_t* m_samples;       // owned
    uint32_t m_sampleCount;
};

// Loads the "WAV" resource of that name (any case: "break1" finds BREAK1). A new object
// holding one reference for the caller, or null when the resource is missing or bad.
CSoundData* LoadSound(const char* name);

// Reads a RIFF/WAVE image and converts its samples to mono 16-bit 44100 Hz. Null for a
// malformed or unsupported image; never reads outside the size bytes.
CSoundData* ParseWaveResource(uint32_t size, const uint8_t* bytes);
