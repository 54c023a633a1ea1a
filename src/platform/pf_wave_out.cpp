// Wave output over the shared output device: a queue of written buffers that the
// device's render pass plays in order.
#include "platform/pf_wave_out.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/pf_audio_device.h"
#include "platform/pf_audio_sources.h"

struct PfWaveOutDevice {
    std::mutex lock;                       // taken by the caller's thread and the render pass
    bool open = false;
    PfThreadId callbackThread = 0;         // receives PF_MM_WOM_DONE
    std::deque<PfWaveHeader*> queue;       // written, not yet played to the end
    uint32_t position = 0;                 // samples played since open or reset
};

namespace {

PfWaveOutDevice& TheWaveOut() {
    static PfWaveOutDevice* device = new PfWaveOutDevice;  // lives to the end of the process
    return *device;
}

bool Valid(PfWaveOut device) { return device == &TheWaveOut() && device->open; }

// Marks a buffer returned and tells the owning thread; the flag is set before the post.
void ReturnBuffer(PfWaveOutDevice& d, PfWaveHeader* header) {
    header->flags.fetch_and(~PF_WHDR_INQUEUE);
    header->flags.fetch_or(PF_WHDR_DONE);
    PfPostThreadMessage(d.callbackThread, PF_MM_WOM_DONE, reinterpret_cast<uintptr_t>(&d),
                        reinterpret_cast<intptr_t>(header));
}

}  // namespace

PfMmResult PfWaveOutOpen(PfWaveOut* out, const PfWaveFormat& format, PfThreadId callbackThread) {
    if (!out) return PF_MMSYSERR_INVALPARAM;
    const PfWaveFormat& g = kPfGameWaveFormat;
    if (format.formatTag != g.formatTag || format.channels != g.channels ||
        format.samplesPerSec != g.samplesPerSec || format.blockAlign != g.blockAlign ||
        format.bitsPerSample != g.bitsPerSample)
        return PF_WAVERR_BADFORMAT;
    PfWaveOutDevice& d = TheWaveOut();
    {
        std::lock_guard<std::mutex> guard(d.lock);
        if (d.open) return PF_MMSYSERR_ALLOCATED;
    }
    if (!PfAcquireAudioOutput()) return PF_MMSYSERR_NODRIVER;
    std::lock_guard<std::mutex> guard(d.lock);
    d.open = true;
    d.callbackThread = callbackThread;
    d.queue.clear();
    d.position = 0;
    *out = &d;
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfWaveOutPrepareHeader(PfWaveOut device, PfWaveHeader* header) {
    if (!Valid(device)) return PF_MMSYSERR_INVALHANDLE;
    if (!header || (!header->data && header->length > 0)) return PF_MMSYSERR_INVALPARAM;
    header->flags.fetch_or(PF_WHDR_PREPARED);
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfWaveOutUnprepareHeader(PfWaveOut device, PfWaveHeader* header) {
    if (!Valid(device)) return PF_MMSYSERR_INVALHANDLE;
    if (!header) return PF_MMSYSERR_INVALPARAM;
    if (header->flags.load() & PF_WHDR_INQUEUE) return PF_WAVERR_STILLPLAYING;
    header->flags.fetch_and(~PF_WHDR_PREPARED);
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfWaveOutWrite(PfWaveOut device, PfWaveHeader* header) {
    if (!Valid(device)) return PF_MMSYSERR_INVALHANDLE;
    if (!header) return PF_MMSYSERR_INVALPARAM;
    uint32_t flags = header->flags.load();
    if (!(flags & PF_WHDR_PREPARED)) return PF_WAVERR_UNPREPARED;
    if (flags & PF_WHDR_INQUEUE) return PF_WAVERR_STILLPLAYING;
    std::lock_guard<std::mutex> guard(device->lock);
    header->played = 0;
    header->flags.fetch_and(~PF_WHDR_DONE);
    header->flags.fetch_or(PF_WHDR_INQUEUE);
    if (header->length < 2) {
        ReturnBuffer(*device, header);  // nothing to play
        return PF_MMSYSERR_NOERROR;
    }
    device->queue.push_back(header);
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfWaveOutGetPosition(PfWaveOut device, uint32_t* samples) {
    if (!Valid(device)) return PF_MMSYSERR_INVALHANDLE;
    if (!samples) return PF_MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(device->lock);
    *samples = device->position;
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfWaveOutReset(PfWaveOut device) {
    if (!Valid(device)) return PF_MMSYSERR_INVALHANDLE;
    std::lock_guard<std::mutex> guard(device->lock);
    for (PfWaveHeader* header : device->queue) ReturnBuffer(*device, header);
    device->queue.clear();
    device->position = 0;
    return PF_MMSYSERR_NOERROR;
}

PfMmResult PfWaveOutClose(PfWaveOut device) {
    if (!Valid(device)) return PF_MMSYSERR_INVALHANDLE;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        if (!device->queue.empty()) return PF_WAVERR_STILLPLAYING;
        device->open = false;
        device->callbackThread = 0;
    }
    PfReleaseAudioOutput();  // outside the lock: closing the device waits for its render pass
    return PF_MMSYSERR_NOERROR;
}

void PfRenderWaveOut(int32_t* mix, uint32_t frames) {
    PfWaveOutDevice& d = TheWaveOut();
    std::lock_guard<std::mutex> guard(d.lock);
    if (!d.open) return;
    uint32_t i = 0;
    while (i < frames && !d.queue.empty()) {
        PfWaveHeader* header = d.queue.front();
        uint32_t total = header->length / 2;
        uint32_t at = header->played / 2;
        uint32_t n = std::min(frames - i, total - at);
        const unsigned char* bytes = static_cast<const unsigned char*>(header->data) + at * 2;
        for (uint32_t k = 0; k < n; ++k) {
            int16_t s;
            std::memcpy(&s, bytes + k * 2, 2);
            mix[i + k] += s;
        }
        i += n;
        header->played += n * 2;
        d.position += n;
        if (at + n == total) {
            d.queue.pop_front();
            ReturnBuffer(d, header);
        }
    }
}
