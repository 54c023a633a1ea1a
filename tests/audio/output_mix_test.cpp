// The output device's sum of the wave output and the synth (real soundfont, manual
// device): the synth is heard, and the sum saturates instead of wrapping.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio_test_support.h"
#include "platform/pf_wave_out.h"

namespace {

TEST(OutputMix, SynthAndWaveAddUpAndSaturate) {
    UseManualDevice();
    PfSetMidiSynthEnabled(true);
    PfPreloadMidiSynth();
    ASSERT_TRUE(PfMidiSynthLoaded()) << "no General MIDI soundfont: install timgm6mb-soundfont";

    PfMidiStream stream;
    ASSERT_EQ(PfMidiStreamOpen(&stream, PfCurrentThreadId()), PF_MMSYSERR_NOERROR);
    PfMidiStreamSetTimeDivision(stream, 192);
    // A loud organ chord at once, held for two quarter notes.
    std::vector<uint32_t> words = {0, 0, 0x13C0};  // program 19, church organ
    for (uint32_t key : {48u, 55u, 60u, 64u, 67u, 72u}) {
        words.insert(words.end(), {0, 0, 0x7F0090u | key << 8});
    }
    words.insert(words.end(), {384, 0, 0x42000000});
    PfMidiHeader mh;
    mh.data = reinterpret_cast<uint8_t*>(words.data());
    mh.bufferLength = mh.bytesRecorded = static_cast<uint32_t>(words.size() * 4);
    PfMidiOutPrepareHeader(stream, &mh);
    ASSERT_EQ(PfMidiStreamOut(stream, &mh), PF_MMSYSERR_NOERROR);
    PfMidiStreamRestart(stream);

    // Render the synth alone for a while, then with the wave output at full scale.
    std::vector<int16_t> alone(8820);
    PfRenderAudio(alone.data(), 8820);
    int synthPeak = 0;
    for (int16_t s : alone) synthPeak = std::max(synthPeak, std::abs(int(s)));
    EXPECT_GT(synthPeak, 2000);   // the chord is heard
    EXPECT_LT(synthPeak, 32767);  // and alone does not clip

    PfWaveOut wave;
    ASSERT_EQ(PfWaveOutOpen(&wave, kPfGameWaveFormat, PfCurrentThreadId()), PF_MMSYSERR_NOERROR);
    std::vector<int16_t> full(8820, 32767);
    PfWaveHeader wh;
    wh.data = full.data();
    wh.length = static_cast<uint32_t>(full.size() * 2);
    PfWaveOutPrepareHeader(wave, &wh);
    ASSERT_EQ(PfWaveOutWrite(wave, &wh), PF_MMSYSERR_NOERROR);
    std::vector<int16_t> both(8820);
    PfRenderAudio(both.data(), 8820);
    int saturated = 0;
    for (int16_t s : both) {
        ASSERT_GT(s, 0);  // 32767 plus a swing of the synth never wraps to negative
        saturated += s == 32767;
    }
    EXPECT_GT(saturated, 100);
    EXPECT_LT(saturated, 8820 - 100);  // below full scale where the synth swings down

    PfWaveOutReset(wave);
    PfWaveOutClose(wave);
    PfMidiStreamStop(stream);
    PfMidiStreamClose(stream);
    DrainThreadMessages();
}

}  // namespace
