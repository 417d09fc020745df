// The LF export set of Lfon.dll: the song comes from a file path.
#include "engine/engine_errors.h"
#include "engine/engine_exports.h"
#include "engine/guarded.h"
#include "engine/player.h"

#include <type_traits>

namespace {

PlayerStatus FillStatus(LfonStatus& status) {
    PlayerStatus now = ThePlayer().Status();
    status = LfonStatus{};
    status.size = sizeof(LfonStatus);
    status.deviceOpen = now.deviceOpen ? 1 : 0;
    status.playState = now.playing ? 1 : 0;
    status.position = now.position;
    status.length = now.length;
    status.failure = static_cast<std::uint32_t>(now.failure);
    status.sending = now.sending ? 1 : 0;
    return now;
}

}  // namespace

extern "C" {

std::int32_t LFOpenDevice(std::int32_t deviceId, std::int32_t /*options: none defined*/) {
    return Guarded([&] { return ThePlayer().OpenDevice(deviceId); });
}

std::int32_t LFCloseDevice() {
    return Guarded([&] { return ThePlayer().CloseDevice(); });
}

std::int32_t LFLoadMusic(const char* path) {
    return Guarded([&] { return ThePlayer().LoadFile(path); });
}

std::int32_t LFPlayMusic() {
    return Guarded([&] { return ThePlayer().Play(); });
}

std::int32_t LFStopMusic() {
    return Guarded([&] { return ThePlayer().Stop(); });
}

std::int32_t LFRestartMusic() {
    return Guarded([&] { return ThePlayer().Restart(); });
}

std::int32_t LFSendSysEx(std::int32_t selector, std::int32_t /*options: none defined*/) {
    return Guarded([&] {
        switch (selector) {
            case kLfonSysExGmReset: return ThePlayer().SendReset(lyra::ResetKind::gm);
            case kLfonSysExGsReset: return ThePlayer().SendReset(lyra::ResetKind::gs);
            case kLfonSysExXgReset: return ThePlayer().SendReset(lyra::ResetKind::xg);
            default: return std::int32_t{kEngineBadArgument};
        }
    });
}

std::int32_t LFSeek(std::int32_t position) {
    return Guarded([&] { return ThePlayer().Seek(position); });
}

// The caller states the record's size; a smaller record is refused rather than overrun.
std::int32_t LFGetStatus(LfonStatus* status) {
    if (status == nullptr || status->size < sizeof(LfonStatus)) return kEngineBadArgument;
    return Guarded([&] {
        FillStatus(*status);
        return std::int32_t{kEngineOk};
    });
}

std::int32_t LFGetErrorString(std::int32_t code, char* buffer, std::int32_t bufferSize) {
    return lyra::CopyErrorText(code, buffer, bufferSize);
}

std::int32_t LFGetVersion(std::uint32_t* version) {
    if (version == nullptr) return kEngineBadArgument;
    *version = kEngineVersion;
    return kEngineOk;
}

std::int32_t LFSetCaps(const LfonCaps* caps) {
    if (caps == nullptr || caps->size < sizeof(LfonCaps)) return kEngineBadArgument;
    return Guarded([&] {
        ThePlayer().SetStateSentAtStart((caps->flags & kLfonCapsSendStateAtStart) != 0);
        return std::int32_t{kEngineOk};
    });
}

std::int32_t LFGetCaps(LfonCaps* caps) {
    if (caps == nullptr || caps->size < sizeof(LfonCaps)) return kEngineBadArgument;
    return Guarded([&] {
        caps->flags = ThePlayer().StateSentAtStart() ? kLfonCapsSendStateAtStart : 0;
        return std::int32_t{kEngineOk};
    });
}

}  // extern "C"

// The exports and the program's pointer types must stay the same functions.
static_assert(std::is_same_v<decltype(&LFOpenDevice), LFOpenDeviceProc>);
static_assert(std::is_same_v<decltype(&LFCloseDevice), LFCloseDeviceProc>);
static_assert(std::is_same_v<decltype(&LFLoadMusic), LFLoadMusicProc>);
static_assert(std::is_same_v<decltype(&LFPlayMusic), LFPlayMusicProc>);
static_assert(std::is_same_v<decltype(&LFStopMusic), LFStopMusicProc>);
static_assert(std::is_same_v<decltype(&LFRestartMusic), LFRestartMusicProc>);
static_assert(std::is_same_v<decltype(&LFSendSysEx), LFSendSysExProc>);
static_assert(std::is_same_v<decltype(&LFSeek), LFSeekProc>);
static_assert(std::is_same_v<decltype(&LFGetStatus), LFGetStatusProc>);
static_assert(std::is_same_v<decltype(&LFGetErrorString), LFGetErrorStringProc>);
static_assert(std::is_same_v<decltype(&LFGetVersion), LFGetVersionProc>);
static_assert(std::is_same_v<decltype(&LFSetCaps), LFSetCapsProc>);
static_assert(std::is_same_v<decltype(&LFGetCaps), LFGetCapsProc>);
