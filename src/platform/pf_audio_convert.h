// Conversion of PCM sound data into the game's one format (mono 16-bit 44100 Hz), in
// place of the Windows audio compression manager.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/pf_wave_out.h"

// Converts size bytes of PCM data in the source format: 8-bit unsigned or 16-bit
// signed samples, 1 to 8 channels (mixed down to one), any rate from 1000 to 384000 Hz.
// Data already in the game's format is copied unchanged. A trailing partial frame is
// dropped. False, with out left empty, for any other or inconsistent format.
bool PfConvertToGameFormat(const PfWaveFormat& source, const uint8_t* data, uint32_t size,
                           std::vector<int16_t>* out);
