// Result codes and device notifications shared by the wave output and the MIDI stream,
// numbered as the Windows multimedia services number them.
#pragma once

#include <cstdint>

using PfMmResult = uint32_t;
constexpr PfMmResult PF_MMSYSERR_NOERROR = 0;
constexpr PfMmResult PF_MMSYSERR_ERROR = 1;
constexpr PfMmResult PF_MMSYSERR_ALLOCATED = 4;    // the device is already open
constexpr PfMmResult PF_MMSYSERR_INVALHANDLE = 5;
constexpr PfMmResult PF_MMSYSERR_NODRIVER = 6;     // no output device at all
constexpr PfMmResult PF_MMSYSERR_INVALPARAM = 11;
constexpr PfMmResult PF_WAVERR_BADFORMAT = 32;
constexpr PfMmResult PF_WAVERR_STILLPLAYING = 33;
constexpr PfMmResult PF_WAVERR_UNPREPARED = 34;
constexpr PfMmResult PF_MIDIERR_UNPREPARED = 64;
constexpr PfMmResult PF_MIDIERR_STILLPLAYING = 65;

// Thread messages the devices post to the thread named when they were opened;
// wParam is the device, lParam the header.
constexpr uint32_t PF_MM_WOM_DONE = 0x3BD;        // a wave buffer has been played
constexpr uint32_t PF_MM_MOM_DONE = 0x3C9;        // a MIDI buffer has been played
constexpr uint32_t PF_MM_MOM_POSITIONCB = 0x3CA;  // a MIDI event with the callback flag
