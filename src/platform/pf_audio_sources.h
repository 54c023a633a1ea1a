// Inside the platform layer: the two sources the output device pulls from. Each adds
// its next frames into a 32-bit mix under its own lock.
#pragma once

#include <cstdint>

void PfRenderWaveOut(int32_t* mix, uint32_t frames);
void PfRenderMidiStream(int32_t* mix, uint32_t frames);
