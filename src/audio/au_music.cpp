// Standard MIDI File reading: header, track chunks, running status, tempo events, and
// the conversion of every time to 192 ticks per quarter note.
#include "audio/au_music.h"

#include <algorithm>

#include "platform/pf_resource.h"

namespace {

constexpr uint32_t kIdMThd = 0x4D546864;
constexpr uint32_t kIdMTrk = 0x4D54726B;

// A 16-bit big-endian read; false (value 0 for what is missing) when it runs out.
bool ReadBigEndian16(const uint8_t* bytes, uint32_t length, uint32_t* index, uint32_t* value) {
    *value = 0;
    for (int k = 0; k < 2; ++k) {
        if (*index >= length) {
            *value <<= 8 * (2 - k);
            return false;
        }
        *value = *value << 8 | bytes[(*index)++];
    }
    return true;
}

// Moves index past count bytes; false when that would wrap or pass the end.
bool Skip(uint32_t length, uint32_t* index, uint32_t count) {
    uint32_t end = *index + count;
    if (end < *index || end > length) return false;
    *index = end;
    return true;
}

}  // namespace

bool ReadBigEndian32(const uint8_t* bytes, uint32_t length, uint32_t* index, uint32_t* value) {
    uint32_t high = 0;
    uint32_t low = 0;
    bool ok = ReadBigEndian16(bytes, length, index, &high);
    if (ok) ok = ReadBigEndian16(bytes, length, index, &low);
    *value = high << 16 | low;
    return ok;
}

bool ReadVariableLength(const uint8_t* bytes, uint32_t length, uint32_t* index, uint32_t* value) {
    uint32_t v = 0;
    uint8_t b;
    do {
        if (*index >= length) {
            *value = v;
            return false;
        }
        b = bytes[(*index)++];
        v = (v << 7) + (b & 0x7F);
    } while (b >= 0x80);
    *value = v;
    return true;
}

bool ParseMidiTrack(CMusicData* music, const uint8_t* track, uint32_t length, uint16_t division) {
    uint32_t index = 0;
    uint32_t ticks = 0;
    uint32_t runningStatus = 0;  // 0: none yet
    while (index < length) {
        uint32_t delta;
        if (!ReadVariableLength(track, length, &index, &delta)) return false;
        ticks += delta;
        if (index >= length) return false;
        uint32_t status = track[index];
        if (status >= 0x80) {
            ++index;
        } else {
            if (runningStatus == 0) return false;
            status = runningStatus;
        }
        // System and meta events leave the running status as it was.
        if (status < 0xF0) runningStatus = status;
        // Unsigned 32-bit on purpose: the product wraps for very late events.
        uint32_t time = ticks * kMusicTicksPerQuarter / division;
        uint8_t s = static_cast<uint8_t>(status);
        switch (status & 0xF0) {
            case 0x80: case 0x90: case 0xA0: case 0xB0: case 0xE0: {
                if (length - index < 2) return false;
                uint8_t d1 = track[index];
                uint8_t d2 = track[index + 1];
                if (d1 >= 0x80 || d2 >= 0x80) return false;
                index += 2;
                music->events.push_back({time, s, d1, d2, 0});
                break;
            }
            case 0xC0: case 0xD0: {
                if (index >= length || track[index] >= 0x80) return false;
                music->events.push_back({time, s, track[index], 0, 0});
                ++index;
                break;
            }
            default: {
                if (status == 0xF0 || status == 0xF7) {
                    uint32_t size;
                    if (!ReadVariableLength(track, length, &index, &size)) return false;
                    if (!Skip(length, &index, size)) return false;
                } else if (status == 0xFF) {
                    if (index >= length) return false;
                    uint8_t type = track[index++];
                    uint32_t size;
                    if (!ReadVariableLength(track, length, &index, &size)) return false;
                    if (type == 0x51 && size >= 3) {
                        if (length - index < 3) return false;
                        music->events.push_back({time, kMusicTempoStatus, track[index],
                                                 track[index + 1], track[index + 2]});
                        index += 3;
                        if (!Skip(length, &index, size - 3)) return false;
                    } else if (!Skip(length, &index, size)) {
                        return false;
                    }
                } else {
                    return false;  // no other system message belongs in a file
                }
                break;
            }
        }
    }
    return true;
}

bool ParseMidiFile(const uint8_t* bytes, CMusicData* music, uint32_t size) {
    uint32_t index = 0;
    uint32_t id, headerLength, format, trackCount, division;
    bool ok = ReadBigEndian32(bytes, size, &index, &id) && id == kIdMThd &&
              ReadBigEndian32(bytes, size, &index, &headerLength) && headerLength == 6 &&
              ReadBigEndian16(bytes, size, &index, &format) && format <= 1 &&
              ReadBigEndian16(bytes, size, &index, &trackCount) &&
              ReadBigEndian16(bytes, size, &index, &division) && division >= 1 &&
              division <= 32767;
    for (uint32_t i = 0; ok && i < trackCount; ++i) {
        uint32_t chunkId, chunkLength;
        if (!ReadBigEndian32(bytes, size, &index, &chunkId) ||
            !ReadBigEndian32(bytes, size, &index, &chunkLength)) {
            ok = false;
            break;
        }
        uint32_t end = index + chunkLength;
        if (end < index || end > size) {
            ok = false;
            break;
        }
        if (chunkId == kIdMTrk)
            ok = ParseMidiTrack(music, bytes + index, chunkLength, static_cast<uint16_t>(division));
        index = end;
    }
    std::stable_sort(music->events.begin(), music->events.end(),
                     [](const MusicEvent& a, const MusicEvent& b) { return a.time < b.time; });
    return ok;
}

CMusicData* CreateMusicData(const uint8_t* bytes, uint32_t size) {
    CMusicData* music = new CMusicData;
    if (bytes) ParseMidiFile(bytes, music, size);
    return music;
}

CMusicData* LoadMusic(const char* name) {
    ResourceBytes resource = PfFindResourceBytes("MID", name);
    if (!resource.data || resource.size > UINT32_MAX) return nullptr;
    return CreateMusicData(resource.data, static_cast<uint32_t>(resource.size));
}
