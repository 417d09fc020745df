// Binds one of the two playback engine libraries and hides which one it is.
#pragma once
#include <windows.h>

#include <cstdint>

enum EngineVariant : int { kNoEngine = 0, kLfonEngine = 1, kLyrafonEngine = 2 };

// Filled by LFGetStatus; the caller sets `size` to 32 before every call.
struct LfonStatus {
    std::uint32_t size;
    std::uint32_t unused1;
    std::uint32_t playState;
    std::uint32_t position;
    std::uint32_t length;
    std::uint32_t failure;  // what ended the last play (an engine error code), else 0
    std::uint8_t unused2[8];
};
static_assert(sizeof(LfonStatus) == 32);

// Filled by lfGetStatus.
struct LyrafonStatus {
    std::uint32_t unused1;
    std::uint32_t length;
    std::uint32_t position;
    std::uint32_t unused2;
    std::uint32_t playState;
    std::uint32_t failure;  // what ended the last play (an engine error code), else 0
    std::uint8_t unused3[8];
};
static_assert(sizeof(LyrafonStatus) == 32);

// The engines' exports, as the program calls them.
struct LyrafonExports {
    int(__cdecl* lfOpenDevice)(int device, int, int);
    int(__cdecl* lfCloseDevice)();
    int(__cdecl* lfDirectPlayMusic)(const void* data, std::uint32_t size);
    int(__cdecl* lfStopMusic)(int fadeMilliseconds);
    int(__cdecl* lfGetStatus)(LyrafonStatus* status);
    int(__cdecl* lfGetErrorString)(int code, char* buffer, int capacity);
    int(__cdecl* lfGetVersion)(std::uint32_t* version);
    int(__cdecl* lfGMReset)();
    int(__cdecl* lfGSReset)();
    int(__cdecl* lfXGReset)();
    int(__cdecl* lfSeek)(int position);
    int(__cdecl* lfRestart)();
};

struct LfonExports {
    int(__cdecl* LFOpenDevice)(int device, int);
    int(__cdecl* LFCloseDevice)();
    int(__cdecl* LFLoadMusic)(const char* path);
    int(__cdecl* LFPlayMusic)();
    int(__cdecl* LFStopMusic)();
    int(__cdecl* LFRestartMusic)();
    int(__cdecl* LFSendSysEx)(int selector, int);
    int(__cdecl* LFSeek)(int position);
    int(__cdecl* LFGetStatus)(LfonStatus* status);
    int(__cdecl* LFGetErrorString)(int code, char* buffer, int capacity);
    int(__cdecl* LFGetVersion)(std::uint32_t* version);
    int(__cdecl* LFSetCaps)();
    int(__cdecl* LFGetCaps)();
};

class PlaybackDriver {
public:
    PlaybackDriver() = default;
    PlaybackDriver(const PlaybackDriver&) = delete;
    PlaybackDriver& operator=(const PlaybackDriver&) = delete;
    // Releases the library; the device is not closed explicitly.
    virtual ~PlaybackDriver();

    // One status query.
    struct Status {
        bool playing = false;
        std::int32_t position = 0;
        std::int32_t length = 0;
        std::int32_t failure = 0;  // what ended the last play, such as a device that went away
    };

    // 0 bound and device open; 1 neither library usable; 2, 3... the open-device result.
    int Bind();
    int Play(const void* data, std::uint32_t size);
    int Stop();
    int Seek(std::int32_t position);
    std::int32_t GetPosition();
    std::int32_t GetLength();
    Status ReadStatus();
    void SendReset(int kind);
    std::uint32_t EngineVersion();
    const char* LibraryName() const { return libraryName_; }
    void GetErrorText(int code, char* buffer);
    EngineVariant Variant() const { return variant_; }

    // For tests: a driver over exports that are already resolved (no library is loaded).
    void UseExports(const LyrafonExports& exports, const char* name);

private:
    int BindLfon();
    int BindLyrafon();
    int LoadLibraryNamed(const char* name);

    EngineVariant variant_ = kNoEngine;
    HMODULE library_ = nullptr;
    char libraryName_[80] = {};
    LyrafonExports lyrafon_{};
    LfonExports lfon_{};
};

// The file that the Lfon variant loads its song from: "_kadenzo.tmp" in the temporary folder.
void TempSongPath(char* path);
// Writes the song whole; 0 on success, 11 when the file cannot be written.
int WriteTempSong(const char* path, const void* data, std::uint32_t size);
