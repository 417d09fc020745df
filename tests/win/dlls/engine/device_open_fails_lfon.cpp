// Lfon.dll for the binding tests: every export is there, but the MIDI output device never opens,
// as on a machine without one, whether or not a capture file is named.
#include "engine/engine_errors.h"
#include "engine/engine_exports.h"

extern "C" {

std::int32_t LFOpenDevice(std::int32_t, std::int32_t) { return kEngineDeviceOpenFailed; }
std::int32_t LFCloseDevice() { return kEngineOk; }
std::int32_t LFLoadMusic(const char* path) { return path != nullptr ? kEngineOk : kEngineBadArgument; }
std::int32_t LFPlayMusic() { return kEngineDeviceOpenFailed; }
std::int32_t LFStopMusic() { return kEngineOk; }
std::int32_t LFRestartMusic() { return kEngineDeviceOpenFailed; }
std::int32_t LFSendSysEx(std::int32_t, std::int32_t) { return kEngineDeviceOpenFailed; }
std::int32_t LFSeek(std::int32_t) { return kEngineOk; }

std::int32_t LFGetStatus(LfonStatus* status) {
    if (status == nullptr || status->size < sizeof(LfonStatus)) return kEngineBadArgument;
    *status = LfonStatus{};
    status->size = sizeof(LfonStatus);
    return kEngineOk;
}

std::int32_t LFGetErrorString(std::int32_t code, char* buffer, std::int32_t bufferSize) {
    return lyra::CopyErrorText(code, buffer, bufferSize);
}

std::int32_t LFGetVersion(std::uint32_t* version) {
    if (version == nullptr) return kEngineBadArgument;
    *version = kEngineVersion;
    return kEngineOk;
}

std::int32_t LFSetCaps(const LfonCaps*) { return kEngineOk; }

std::int32_t LFGetCaps(LfonCaps* caps) {
    if (caps == nullptr) return kEngineBadArgument;
    caps->flags = 0;
    return kEngineOk;
}

}  // extern "C"
