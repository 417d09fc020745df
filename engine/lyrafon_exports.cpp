// The lf export set of Lyrafon.dll: the song comes from memory.
#include "engine/engine_errors.h"
#include "engine/engine_exports.h"
#include "engine/guarded.h"
#include "engine/player.h"

#include <type_traits>

extern "C" {

std::int32_t lfOpenDevice(std::int32_t deviceId, std::int32_t /*options: none defined*/, std::int32_t /*reserved*/) {
    return Guarded([&] { return ThePlayer().OpenDevice(deviceId); });
}

std::int32_t lfCloseDevice() {
    return Guarded([&] { return ThePlayer().CloseDevice(); });
}

// The bytes are read into the engine's own song before this returns.
std::int32_t lfDirectPlayMusic(const void* data, std::uint32_t size) {
    return Guarded([&] {
        std::int32_t loaded = ThePlayer().LoadBytes(data, size);
        if (loaded != kEngineOk) return loaded;
        return ThePlayer().Play();
    });
}

std::int32_t lfStopMusic(std::int32_t /*fadeMilliseconds: ours stops at once*/) {
    return Guarded([&] { return ThePlayer().Stop(); });
}

std::int32_t lfGetStatus(LyrafonStatus* status) {
    if (status == nullptr) return kEngineBadArgument;
    PlayerStatus now;
    if (std::int32_t failed = Guarded([&] {
            now = ThePlayer().Status();
            return std::int32_t{kEngineOk};
        });
        failed != kEngineOk) {
        return failed;
    }
    *status = LyrafonStatus{};
    status->size = sizeof(LyrafonStatus);
    status->length = now.length;
    status->position = now.position;
    status->deviceOpen = now.deviceOpen ? 1 : 0;
    status->playState = now.playing ? 1 : 0;
    status->failure = static_cast<std::uint32_t>(now.failure);
    status->sending = now.sending ? 1 : 0;
    return kEngineOk;
}

std::int32_t lfGetErrorString(std::int32_t code, char* buffer, std::int32_t bufferSize) {
    return lyra::CopyErrorText(code, buffer, bufferSize);
}

std::int32_t lfGetVersion(std::uint32_t* version) {
    if (version == nullptr) return kEngineBadArgument;
    *version = kEngineVersion;
    return kEngineOk;
}

std::int32_t lfGMReset() {
    return Guarded([&] { return ThePlayer().SendReset(lyra::ResetKind::gm); });
}

std::int32_t lfGSReset() {
    return Guarded([&] { return ThePlayer().SendReset(lyra::ResetKind::gs); });
}

std::int32_t lfXGReset() {
    return Guarded([&] { return ThePlayer().SendReset(lyra::ResetKind::xg); });
}

std::int32_t lfSeek(std::int32_t position) {
    return Guarded([&] { return ThePlayer().Seek(position); });
}

std::int32_t lfRestart() {
    return Guarded([&] { return ThePlayer().Restart(); });
}

}  // extern "C"

// The exports and the program's pointer types must stay the same functions.
static_assert(std::is_same_v<decltype(&lfOpenDevice), lfOpenDeviceProc>);
static_assert(std::is_same_v<decltype(&lfCloseDevice), lfCloseDeviceProc>);
static_assert(std::is_same_v<decltype(&lfDirectPlayMusic), lfDirectPlayMusicProc>);
static_assert(std::is_same_v<decltype(&lfStopMusic), lfStopMusicProc>);
static_assert(std::is_same_v<decltype(&lfGetStatus), lfGetStatusProc>);
static_assert(std::is_same_v<decltype(&lfGetErrorString), lfGetErrorStringProc>);
static_assert(std::is_same_v<decltype(&lfGetVersion), lfGetVersionProc>);
static_assert(std::is_same_v<decltype(&lfGMReset), lfGMResetProc>);
static_assert(std::is_same_v<decltype(&lfGSReset), lfGSResetProc>);
static_assert(std::is_same_v<decltype(&lfXGReset), lfXGResetProc>);
static_assert(std::is_same_v<decltype(&lfSeek), lfSeekProc>);
static_assert(std::is_same_v<decltype(&lfRestart), lfRestartProc>);
