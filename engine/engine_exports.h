// The exports of the playback engine's two variants, as the program binds them at run time:
// Lfon.dll (the LF set, which loads its song from a file) and Lyrafon.dll (the lf set, which plays
// a song from memory). One sequencer serves both. Every export uses the default x64 calling
// convention and an undecorated name. Positions and lengths are in one unit per song: tenths of
// a second while the song lasts at most 65535 of them (109 minutes), else the fewest whole tenths
// that make its length fit 0..65535, so that the program's 16-bit seek reaches every place.
#pragma once

#include <cstdint>

inline constexpr char kLfonLibraryName[] = "Lfon.dll";
inline constexpr char kLyrafonLibraryName[] = "Lyrafon.dll";
inline constexpr std::uint32_t kEngineVersion = 0x120;
inline constexpr std::int32_t kMidiMapperDevice = -1;

// The engine's results; GetErrorString gives the text of each.
enum EngineResult : std::int32_t {
    kEngineOk = 0,
    kEngineBadArgument = 1,
    kEngineNoMemory = 2,
    kEngineDeviceOpenFailed = 3,    // the MIDI output device could not be opened
    kEngineSongFileUnreadable = 4,  // the song file could not be opened or read
    kEngineSongInvalid = 5,         // the bytes are not a Standard MIDI File this engine can read
    kEngineNoSong = 6,              // play or restart before a song was loaded
    kEngineThreadFailed = 7,        // the playing thread could not be started
    kEngineInternalError = 8,       // something unforeseen failed inside the engine
    kEngineDeviceRefused = 9,       // the MIDI output device kept refusing messages; the play ended
    kEngineDeviceGone = 10,         // the MIDI output device went away (unplugged) and was closed; the play ended
    kEngineTempFileFailed = 11,     // the temporary song file could not be written (the program's own step)
};

// Filled by LFGetStatus; the caller sets `size` to 32 before every call.
struct LfonStatus {
    std::uint32_t size;
    std::uint32_t deviceOpen;  // 1 while the output device is open
    std::uint32_t playState;   // 1 playing, 0 stopped
    std::uint32_t position;
    std::uint32_t length;
    std::uint32_t failure;  // what ended the last play (kEngineDeviceRefused, kEngineDeviceGone...), else 0
    std::uint32_t sending;  // 1 while messages (a stop's clean state, a reset) wait to reach the device
    std::uint32_t reserved;
};
static_assert(sizeof(LfonStatus) == 32);

// Filled by lfGetStatus; the caller need not initialise it.
struct LyrafonStatus {
    std::uint32_t size;  // set to 32 by the engine
    std::uint32_t length;
    std::uint32_t position;
    std::uint32_t deviceOpen;  // 1 while the output device is open
    std::uint32_t playState;   // 1 playing, 0 stopped
    std::uint32_t failure;     // what ended the last play (kEngineDeviceRefused, kEngineDeviceGone...), else 0
    std::uint32_t sending;     // 1 while messages (a stop's clean state, a reset) wait to reach the device
    std::uint32_t reserved;
};
static_assert(sizeof(LyrafonStatus) == 32);

// LFGetCaps and LFSetCaps; the caller sets `size` to 8.
struct LfonCaps {
    std::uint32_t size;
    std::uint32_t flags;
};
static_assert(sizeof(LfonCaps) == 8);
// A play from a position after the start first sends the controller, program and pitch-bend state
// the song has reached there. On by default.
inline constexpr std::uint32_t kLfonCapsSendStateAtStart = 1;

// LFSendSysEx selectors.
inline constexpr std::int32_t kLfonSysExGmReset = 0;
inline constexpr std::int32_t kLfonSysExGsReset = -1;
inline constexpr std::int32_t kLfonSysExXgReset = -2;

// Lfon.dll, in the order the program resolves them.
using LFOpenDeviceProc = std::int32_t (*)(std::int32_t deviceId, std::int32_t options);  // (-1, 0)
using LFCloseDeviceProc = std::int32_t (*)();
using LFLoadMusicProc = std::int32_t (*)(const char* path);
using LFPlayMusicProc = std::int32_t (*)();     // from the start of the loaded song
using LFStopMusicProc = std::int32_t (*)();     // keeps the position
using LFRestartMusicProc = std::int32_t (*)();  // from the position, after its state
using LFSendSysExProc = std::int32_t (*)(std::int32_t selector, std::int32_t options);  // (selector, 0)
using LFSeekProc = std::int32_t (*)(std::int32_t position);
using LFGetStatusProc = std::int32_t (*)(LfonStatus* status);
using LFGetErrorStringProc = std::int32_t (*)(std::int32_t code, char* buffer, std::int32_t bufferSize);
using LFGetVersionProc = std::int32_t (*)(std::uint32_t* version);
using LFSetCapsProc = std::int32_t (*)(const LfonCaps* caps);
using LFGetCapsProc = std::int32_t (*)(LfonCaps* caps);

// Lyrafon.dll, in the order the program resolves them.
using lfOpenDeviceProc = std::int32_t (*)(std::int32_t deviceId, std::int32_t options,
                                          std::int32_t reserved);  // (-1, 0, 0)
using lfCloseDeviceProc = std::int32_t (*)();
using lfDirectPlayMusicProc = std::int32_t (*)(const void* data, std::uint32_t size);  // copies the bytes
using lfStopMusicProc = std::int32_t (*)(std::int32_t fadeMilliseconds);               // 100; ours stops at once
using lfGetStatusProc = std::int32_t (*)(LyrafonStatus* status);
using lfGetErrorStringProc = std::int32_t (*)(std::int32_t code, char* buffer, std::int32_t bufferSize);
using lfGetVersionProc = std::int32_t (*)(std::uint32_t* version);
using lfGMResetProc = std::int32_t (*)();
using lfGSResetProc = std::int32_t (*)();
using lfXGResetProc = std::int32_t (*)();
using lfSeekProc = std::int32_t (*)(std::int32_t position);
using lfRestartProc = std::int32_t (*)();
