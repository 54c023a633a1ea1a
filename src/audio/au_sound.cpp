// WAV resources: the RIFF chunk walk and the conversion to the mixer's format.
#include "audio/au_sound.h"

#include <cstring>
#include <vector>

#include "platform/pf_audio_convert.h"
#include "platform/pf_resource.h"

CSoundData::CSoundData(uint32_t count, const int16_t* source)
    : m_samples(new int16_t[count > 0 ? count : 1]), m_sampleCount(count) {
    if (source && count > 0) std::memcpy(m_samples, source, static_cast<size_t>(count) * 2);
}

CSoundData::~CSoundData() { delete[] m_samples; }

namespace {

uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr uint32_t kFormatHeaderSize = 18;  // the wave format header with its cbSize

}  // namespace

CSoundData* ParseWaveResource(uint32_t size, const uint8_t* bytes) {
    if (!bytes || size <= 12) return nullptr;
    if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return nullptr;

    const uint8_t* format = nullptr;
    uint32_t formatSize = 0;
    const uint8_t* data = nullptr;
    uint32_t dataSize = 0;
    uint32_t position = 12;
    uint32_t remaining = size - 12;
    while (remaining > 8) {
        const uint8_t* chunk = bytes + position;
        uint32_t chunkSize = ReadLe32(chunk + 4);
        // 64 bits: a size near 4 GiB must not wrap to a small padded size.
        uint64_t padded = static_cast<uint64_t>(chunkSize) + (chunkSize & 1);
        remaining -= 8;
        position += 8;
        if (padded > remaining) break;  // overruns the image: neither it nor later chunks count
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !format && chunkSize >= 16) {
            format = bytes + position;
            formatSize = chunkSize;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !data) {
            data = bytes + position;
            dataSize = chunkSize;
        }
        remaining -= static_cast<uint32_t>(padded);
        position += static_cast<uint32_t>(padded);
    }
    if (!format || !data) return nullptr;

    // Copy what the chunk holds of the 18-byte header, zero the rest. A PCM format needs
    // only 16 bytes (its cbSize is 0); any other format must carry all 18.
    uint8_t header[kFormatHeaderSize] = {};
    std::memcpy(header, format, formatSize < kFormatHeaderSize ? formatSize : kFormatHeaderSize);
    PfWaveFormat source;
    source.formatTag = ReadLe16(header);
    source.channels = ReadLe16(header + 2);
    source.samplesPerSec = ReadLe32(header + 4);
    source.avgBytesPerSec = ReadLe32(header + 8);
    source.blockAlign = ReadLe16(header + 12);
    source.bitsPerSample = ReadLe16(header + 14);
    source.cbSize = ReadLe16(header + 16);
    if (source.formatTag == PF_WAVE_FORMAT_PCM)
        source.cbSize = 0;
    else if (formatSize < kFormatHeaderSize)
        return nullptr;

    std::vector<int16_t> samples;
    if (!PfConvertToGameFormat(source, data, dataSize, &samples)) return nullptr;
    return new CSoundData(static_cast<uint32_t>(samples.size()), samples.data());
}

CSoundData* LoadSound(const char* name) {
    ResourceBytes resource = PfFindResourceBytes("WAV", name);
    if (!resource.data || resource.size > UINT32_MAX) return nullptr;
    return ParseWaveResource(static_cast<uint32_t>(resource.size), resource.data);
}
