// The wave mixer. All sample arithmetic is integer: 32-bit accumulators, 16.16 gains
// with 8 more fraction bits in the ramp, truncating division, arithmetic shifts.
//
// Timeline comparisons use differences (start - written) so they stay right when the
// 32-bit sample counter wraps after 27 hours of open device.
#include "audio/au_mixer.h"

#include <algorithm>

#include "platform/pf_thread_messages.h"

namespace {

constexpr uint32_t kLoopFlag = 16;
constexpr uint32_t kStopFirstFlag = 32;
constexpr uint32_t kChannelMask = 15;

uint32_t GainDistance(uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }

// Removes the voices the predicate picks, releasing their sounds; the rest keep order.
template <typename Pick>
void RemoveVoices(WaveMixer* m, Pick pick) {
    uint32_t kept = 0;
    for (uint32_t i = 0; i < m->voiceCount; ++i) {
        if (pick(m->voices[i]))
            m->voices[i].sound->Release();
        else
            m->voices[kept++] = m->voices[i];
    }
    m->voiceCount = kept;
}

// The gain at buffer index i of a ramp starting at current.
int32_t RampGain(uint32_t current, int32_t step, uint32_t i) {
    return static_cast<int32_t>(current) + ((static_cast<int32_t>(i) * step) >> 8);
}

// Mixes the part of one repeat of a voice that falls in the buffer being filled.
bool MixVoicePass(const WaveMixer* m, const MixerVoice& v, int32_t* mix) {
    int64_t begin = static_cast<int32_t>(v.start - m->written);  // buffer index of sample 0
    int64_t end = begin + v.sound->SampleCount();
    if (end <= 0 || begin >= kMixerBufferSamples) return false;
    if (end > kMixerBufferSamples) end = kMixerBufferSamples;
    uint32_t channel = v.flags & kChannelMask;
    uint32_t current = m->currentGain[channel];
    uint32_t target = m->targetGain[channel];
    if (current == 0 && target == 0) return false;
    int32_t step;
    uint32_t n;
    ComputeGainRamp(m, channel, &step, &n);
    uint32_t o = static_cast<uint32_t>(std::max<int64_t>(begin, 0));
    uint32_t e = static_cast<uint32_t>(end);
    const int16_t* samples = v.sound->Samples();  // samples[i - begin] plays at index i
    uint32_t i = o;
    for (; i < e && i < n; ++i)
        mix[i] += samples[i - begin] * RampGain(current, step, i) / 65536;
    if (target == kGainUnity) {
        for (; i < e; ++i) mix[i] += samples[i - begin];
    } else {
        for (; i < e; ++i) mix[i] += samples[i - begin] * static_cast<int32_t>(target) / 65536;
    }
    return true;
}

// Mixes every repeat of a voice that reaches into this buffer.
bool MixVoice(const WaveMixer* m, MixerVoice* v, int32_t* mix) {
    uint32_t count = v->sound->SampleCount();
    bool contributed = false;
    if (v->flags & kLoopFlag) {
        // While the current repeat ends inside this buffer, the next begins right after.
        while (v->start - m->written + count < kMixerBufferSamples) {
            contributed |= MixVoicePass(m, *v, mix);
            v->start += count;
        }
    }
    contributed |= MixVoicePass(m, *v, mix);
    if (!(v->flags & kLoopFlag) && v->start - m->written + count < kMixerBufferSamples)
        v->finished = true;
    return contributed;
}

}  // namespace

void InitWaveMixer(WaveMixer* m) {
    m->open = false;
    m->closing = false;
    m->written = 0;
    m->base = 0;
    m->queued = 0;
    m->voiceCount = 0;
    m->device = nullptr;
    m->next = 0;
    for (uint32_t k = 0; k < kMixerBufferCount; ++k) {
        m->buffers[k] = new int16_t[kMixerBufferSamples]();
        m->headers[k].data = m->buffers[k];
        m->headers[k].length = kMixerBufferSamples * 2;
        m->headers[k].flags.store(PF_WHDR_DONE);
    }
    // The master gains are set when the device opens; the channels start at full.
    m->currentGain[0] = 0;
    m->targetGain[0] = 0;
    for (uint32_t g = 1; g < kGainCount; ++g) {
        m->currentGain[g] = kGainUnity;
        m->targetGain[g] = kGainUnity;
    }
}

void FreeWaveMixer(WaveMixer* m) {
    if (m->open) CloseWaveDevice(m);
    for (uint32_t k = 0; k < kMixerBufferCount; ++k) {
        delete[] m->buffers[k];
        m->buffers[k] = nullptr;
    }
    RemoveVoices(m, [](const MixerVoice&) { return true; });
}

void ComputeGainRamp(const WaveMixer* m, uint32_t index, int32_t* step, uint32_t* length) {
    uint32_t current = m->currentGain[index];
    uint32_t target = m->targetGain[index];
    *step = current < target ? kGainRampStep : -kGainRampStep;
    uint64_t samples = static_cast<uint64_t>(GainDistance(current, target)) * 256 / kGainRampStep;
    *length = static_cast<uint32_t>(std::min<uint64_t>(samples, kMixerBufferSamples));
}

uint32_t GetVoiceStartSample(const WaveMixer* m) {
    uint32_t position;
    if (m->open && PfWaveOutGetPosition(m->device, &position) == PF_MMSYSERR_NOERROR) {
        // The device plays well behind what has been mixed: start the sound in the next
        // buffer to be mixed, unless the device is nearer than that.
        uint32_t s = m->base + position + kMixerBufferSamples;
        if (s - m->written <= kMixerBufferSamples) return s;
    }
    return m->written;
}

void PlayMixerSound(WaveMixer* m, CSoundData* sound, uint32_t flags) {
    uint32_t channel = flags & kChannelMask;
    if (flags & kStopFirstFlag) {
        RemoveVoices(m, [channel](const MixerVoice& v) {
            return channel == 0 || (v.flags & kChannelMask) == channel;
        });
        // Fade the channel (channel 0: the whole mix) in again from silence. There is no
        // gain for a higher channel, so nothing to restart.
        if (channel < kGainCount) m->currentGain[channel] = 0;
    }
    if (!sound) return;
    if (sound->SampleCount() > 0 && m->voiceCount < kMixerMaxVoices &&
        (channel == 1 || channel == 2)) {
        m->voices[m->voiceCount++] = {sound, flags, GetVoiceStartSample(m), false};
    } else {
        sound->Release();
    }
}

void SetMixerVolume(WaveMixer* m, uint32_t channel, uint32_t gain) {
    if (gain > kGainUnity) return;
    if (channel == 0) {
        m->targetGain[1] = gain;
        m->targetGain[2] = gain;
    } else if (channel == 1 || channel == 2) {
        m->targetGain[channel] = gain;
    }
}

void FillWaveBuffer(WaveMixer* m) {
    int32_t mix[kMixerBufferSamples] = {};
    uint32_t contributed = 0;
    if (m->currentGain[0] != 0 || m->targetGain[0] != 0) {
        for (uint32_t i = 0; i < m->voiceCount; ++i)
            if (MixVoice(m, &m->voices[i], mix)) ++contributed;
    }
    int16_t* out = m->buffers[m->next];
    if (contributed > 0) {
        int32_t step;
        uint32_t n;
        ComputeGainRamp(m, 0, &step, &n);
        uint32_t current = m->currentGain[0];
        int64_t target = m->targetGain[0];
        // In 64 bits: loud voices together exceed 16 bits, and their product with a gain
        // can exceed 32.
        for (uint32_t i = 0; i < n; ++i)
            mix[i] = static_cast<int32_t>(static_cast<int64_t>(mix[i]) * RampGain(current, step, i) / 65536);
        if (target != kGainUnity)
            for (uint32_t i = n; i < kMixerBufferSamples; ++i)
                mix[i] = static_cast<int32_t>(static_cast<int64_t>(mix[i]) * target / 65536);
        for (uint32_t i = 0; i < kMixerBufferSamples; ++i)
            out[i] = static_cast<int16_t>(std::clamp(mix[i], -32767, 32767));
    } else {
        std::fill(out, out + kMixerBufferSamples, int16_t{0});
    }
    if (PfWaveOutWrite(m->device, &m->headers[m->next]) == PF_MMSYSERR_NOERROR) {
        ++m->queued;
        m->next = (m->next + 1) % kMixerBufferCount;
    }
    m->written += kMixerBufferSamples;
    RemoveVoices(m, [](const MixerVoice& v) { return v.finished; });
    for (uint32_t g = 0; g < kGainCount; ++g) {
        uint32_t current = m->currentGain[g];
        uint32_t target = m->targetGain[g];
        if (current == target) continue;
        uint64_t raw = static_cast<uint64_t>(GainDistance(current, target)) * 256 / kGainRampStep;
        if (raw < kMixerBufferSamples)
            m->currentGain[g] = target;
        else if (current < target)
            m->currentGain[g] = current + kGainRampStep * 8;
        else
            m->currentGain[g] = current - kGainRampStep * 8;
    }
}

void OpenWaveDevice(WaveMixer* m) {
    if (PfWaveOutOpen(&m->device, kPfGameWaveFormat, PfCurrentThreadId()) != PF_MMSYSERR_NOERROR) {
        m->device = nullptr;
        return;
    }
    for (uint32_t k = 0; k < kMixerBufferCount; ++k) {
        PfWaveHeader& h = m->headers[k];
        h.data = m->buffers[k];
        h.length = kMixerBufferSamples * 2;
        h.flags.store(0);
        h.played = 0;
        PfWaveOutPrepareHeader(m->device, &h);
        h.flags.fetch_or(PF_WHDR_DONE);  // counts as free
    }
    m->base = m->written;
    m->queued = 0;
    m->currentGain[0] = 0;  // every open fades the mix in from silence
    m->next = 0;
    m->open = true;
    for (uint32_t k = 0; k < kMixerBufferCount; ++k) FillWaveBuffer(m);
}

void CloseWaveDevice(WaveMixer* m) {
    PfWaveOutReset(m->device);
    for (PfWaveHeader& h : m->headers) PfWaveOutUnprepareHeader(m->device, &h);
    PfWaveOutClose(m->device);
    m->device = nullptr;
    m->open = false;
}

void OpenWaveMixer(WaveMixer* m) {
    m->targetGain[0] = kGainUnity;
    m->closing = false;
    if (!m->open) OpenWaveDevice(m);
    if (m->open) {
        uint32_t fills = kMixerBufferCount - m->queued;
        for (uint32_t k = 0; k < fills; ++k) FillWaveBuffer(m);
    }
}

void CloseWaveMixer(WaveMixer* m) {
    m->targetGain[0] = 0;
    m->closing = true;
    // With nothing at the device no buffer will come back to finish the close.
    if (m->open && m->queued == 0) CloseWaveDevice(m);
}

void WaveBufferReturned(WaveMixer* m) {
    if (m->queued > 0) --m->queued;
    if (m->open && (m->headers[m->next].flags.load() & PF_WHDR_DONE)) {
        // Once a close has faded the mix to silence, stop filling.
        if (!(m->closing && m->currentGain[0] == 0)) FillWaveBuffer(m);
    }
    if (m->open && m->closing && m->queued == 0) CloseWaveDevice(m);
}
