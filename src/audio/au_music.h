// Music: the reference-counted, time-sorted list of MIDI events the player streams, and
// reading it from a Standard MIDI File resource.
#pragma once

#include <cstdint>
#include <vector>

#include "app/app_refcount.h"

// Ticks per quarter note of every music time; the division the player sets on the
// stream.
constexpr uint32_t kMusicTicksPerQuarter = 192;

constexpr uint8_t kMusicTempoStatus = 0xFF;  // status of a tempo change

struct MusicEvent {
    uint32_t time;   // ticks (192 a quarter note) from the start of the music
    uint8_t status;  // channel status 0x80-0xEF, or 0xFF for a tempo change
    uint8_t data1;   // tempo: the three bytes of µs per quarter, most significant first
    uint8_t data2;   // 0 for 0xC0-0xDF
    uint8_t data3;   // 0 for channel messages
};

// Sorted by time; events of equal time in parse order (tracks in file order, then
// events in track order). Never changed after loading.
class CMusicData : public CRefCountedObject {
public:
    std::vector<MusicEvent> events;

protected:
    ~CMusicData() override = default;
};

// Loads the "MID" resource of that name ("music" finds MUSIC). Null only when it does
// not exist; a file that fails to parse gives the events read before the fault.
CMusicData* LoadMusic(const char* name);

// A new object with the events of the file image (maybe none); one reference for the
// caller.
CMusicData* CreateMusicData(const uint8_t* bytes, uint32_t size);

// Appends the file's events to music and sorts them. False when anything was malformed
// (the events read before that stay).
bool ParseMidiFile(const uint8_t* bytes, CMusicData* music, uint32_t size);
bool ParseMidiTrack(CMusicData* music, const uint8_t* track, uint32_t length, uint16_t division);

// Big-endian 32-bit read as two 16-bit halves: a missing byte counts as 0 and makes the
// result false; a short high half leaves the low half unread.
bool ReadBigEndian32(const uint8_t* bytes, uint32_t length, uint32_t* index, uint32_t* value);
// Variable-length quantity (7 bits a byte, high bit = more follows); wraps at 32 bits.
bool ReadVariableLength(const uint8_t* bytes, uint32_t length, uint32_t* index, uint32_t* value);
