#include "playback/playback_driver.h"

#include "ui/file_handle.h"
#include "ui/text_utils.h"

#include <cstring>

namespace {

template <typename Function>
bool Resolve(HMODULE library, const char* name, Function& slot) {
    slot = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return slot != nullptr;
}

}  // namespace

PlaybackDriver::~PlaybackDriver() {
    if (library_) FreeLibrary(library_);
}

int PlaybackDriver::LoadLibraryNamed(const char* name) {
    CopyText(libraryName_, name);
    if (library_) FreeLibrary(library_);
    library_ = LoadLibraryA(name);
    return library_ ? 0 : 1;
}

int PlaybackDriver::BindLfon() {
    if (LoadLibraryNamed("Lfon.dll") != 0) return 1;
    variant_ = kLfonEngine;
    LfonExports& e = lfon_;
    const bool all =
        Resolve(library_, "LFOpenDevice", e.LFOpenDevice) && Resolve(library_, "LFCloseDevice", e.LFCloseDevice) &&
        Resolve(library_, "LFLoadMusic", e.LFLoadMusic) && Resolve(library_, "LFPlayMusic", e.LFPlayMusic) &&
        Resolve(library_, "LFStopMusic", e.LFStopMusic) && Resolve(library_, "LFRestartMusic", e.LFRestartMusic) &&
        Resolve(library_, "LFSendSysEx", e.LFSendSysEx) && Resolve(library_, "LFSeek", e.LFSeek) &&
        Resolve(library_, "LFGetStatus", e.LFGetStatus) && Resolve(library_, "LFGetErrorString", e.LFGetErrorString) &&
        Resolve(library_, "LFGetVersion", e.LFGetVersion) && Resolve(library_, "LFSetCaps", e.LFSetCaps) &&
        Resolve(library_, "LFGetCaps", e.LFGetCaps);
    return all ? 0 : 2;
}

int PlaybackDriver::BindLyrafon() {
    if (LoadLibraryNamed("Lyrafon.dll") != 0) return 1;
    variant_ = kLyrafonEngine;
    LyrafonExports& e = lyrafon_;
    const bool all =
        Resolve(library_, "lfOpenDevice", e.lfOpenDevice) && Resolve(library_, "lfCloseDevice", e.lfCloseDevice) &&
        Resolve(library_, "lfDirectPlayMusic", e.lfDirectPlayMusic) &&
        Resolve(library_, "lfStopMusic", e.lfStopMusic) && Resolve(library_, "lfGetStatus", e.lfGetStatus) &&
        Resolve(library_, "lfGetErrorString", e.lfGetErrorString) &&
        Resolve(library_, "lfGetVersion", e.lfGetVersion) && Resolve(library_, "lfGMReset", e.lfGMReset) &&
        Resolve(library_, "lfGSReset", e.lfGSReset) && Resolve(library_, "lfXGReset", e.lfXGReset) &&
        Resolve(library_, "lfSeek", e.lfSeek) && Resolve(library_, "lfRestart", e.lfRestart);
    return all ? 0 : 2;
}

int PlaybackDriver::Bind() {
    if (BindLfon() == 0) return lfon_.LFOpenDevice(-1, 0);
    // A half-resolved Lfon leaves nothing behind: the Lyrafon attempt starts clean.
    lfon_ = {};
    const int result = BindLyrafon();
    if (result != 0) {
        // The caller shows 1 as "cannot load" and 2 as "exports missing".
        return result;
    }
    return lyrafon_.lfOpenDevice(-1, 0, 0);
}

void PlaybackDriver::UseExports(const LyrafonExports& exports, const char* name) {
    variant_ = kLyrafonEngine;
    lyrafon_ = exports;
    CopyText(libraryName_, name);
}

PlaybackDriver::Status PlaybackDriver::ReadStatus() {
    const auto fill = [](const auto& record) {
        return Status{record.playState == 1, static_cast<std::int32_t>(record.position),
                      static_cast<std::int32_t>(record.length), static_cast<std::int32_t>(record.failure)};
    };
    if (variant_ == kLfonEngine) {
        LfonStatus status{};
        status.size = sizeof status;
        lfon_.LFGetStatus(&status);
        return fill(status);
    }
    LyrafonStatus status{};
    lyrafon_.lfGetStatus(&status);
    return fill(status);
}

void TempSongPath(char* path) {
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) folder[0] = '\0';
    EnsureTrailingSeparator(folder);
    CopyText(path, folder);
    if (TextLength(path) + sizeof "_kadenzo.tmp" <= MAX_PATH) AppendText(path, "_kadenzo.tmp");
}

int WriteTempSong(const char* path, const void* data, std::uint32_t size) {
    const std::string_view pieces[] = {{static_cast<const char*>(data), size}};
    return WriteWholeFile(path, pieces) == WriteOutcome::Written ? 0 : 11;
}

int PlaybackDriver::Play(const void* data, std::uint32_t size) {
    if (ReadStatus().playing) Stop();
    if (variant_ != kLfonEngine) return lyrafon_.lfDirectPlayMusic(data, size);

    char path[MAX_PATH];
    TempSongPath(path);
    if (const int written = WriteTempSong(path, data, size); written != 0) return written;
    if (const int loaded = lfon_.LFLoadMusic(path); loaded != 0) return loaded;
    return lfon_.LFPlayMusic();
}

int PlaybackDriver::Stop() {
    if (variant_ == kLfonEngine) {
        lfon_.LFStopMusic();
    } else {
        lyrafon_.lfStopMusic(100);
    }
    return 0;
}

int PlaybackDriver::Seek(std::int32_t position) {
    if (!ReadStatus().playing) return 1;
    const int target = position & 0xFFFF;
    if (variant_ == kLfonEngine) {
        lfon_.LFStopMusic();
        lfon_.LFSeek(target);
        return lfon_.LFRestartMusic();
    }
    lyrafon_.lfStopMusic(100);
    lyrafon_.lfSeek(target);
    return lyrafon_.lfRestart();
}

std::int32_t PlaybackDriver::GetPosition() {
    const Status status = ReadStatus();
    return status.playing ? status.position : -1;
}

std::int32_t PlaybackDriver::GetLength() { return ReadStatus().length; }

void PlaybackDriver::SendReset(int kind) {
    if (variant_ == kLfonEngine) {
        lfon_.LFSendSysEx(kind == 0 ? 0 : kind == 1 ? -1 : -2, 0);
    } else if (kind == 0) {
        lyrafon_.lfGMReset();
    } else if (kind == 1) {
        lyrafon_.lfGSReset();
    } else {
        lyrafon_.lfXGReset();
    }
}

std::uint32_t PlaybackDriver::EngineVersion() {
    std::uint32_t version = 0;
    const int result = variant_ == kLfonEngine ? lfon_.LFGetVersion(&version) : lyrafon_.lfGetVersion(&version);
    return result == 0 ? version : 0xFFFFFFFFu;
}

void PlaybackDriver::GetErrorText(int code, char* buffer) {
    buffer[0] = '\0';
    if (variant_ == kLfonEngine) {
        lfon_.LFGetErrorString(code, buffer, 128);
    } else {
        lyrafon_.lfGetErrorString(code, buffer, 260);
    }
}
