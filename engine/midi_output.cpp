#include "engine/midi_output.h"

#include "engine/engine_exports.h"

#include <cstdio>
#include <string>

MidiOutput::~MidiOutput() { ReleaseAtUnload(); }

std::int32_t MidiOutput::Open(std::int32_t deviceId) {
    if (IsOpen()) return kEngineOk;
    char capturePath[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(kMidiCaptureVariable, capturePath, sizeof capturePath);
    if (length > 0 && length < sizeof capturePath) return OpenCapture(capturePath);
    HMIDIOUT device = nullptr;
    UINT id = deviceId == kMidiMapperDevice ? MIDI_MAPPER : static_cast<UINT>(deviceId);
    if (midiOutOpen(&device, id, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return kEngineDeviceOpenFailed;
    device_ = device;
    return kEngineOk;
}

std::int32_t MidiOutput::OpenCapture(const char* path) {
    capture_ = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (capture_ == INVALID_HANDLE_VALUE) return kEngineDeviceOpenFailed;
    captureOriginUs_ = clock_.NowUs();
    return kEngineOk;
}

void MidiOutput::Close() {
    if (device_ != nullptr) {
        midiOutReset(device_);
        midiOutClose(device_);
        device_ = nullptr;
    }
    ReleaseAtUnload();
}

void MidiOutput::ReleaseAtUnload() {
    if (capture_ != INVALID_HANDLE_VALUE) CloseHandle(capture_);
    capture_ = INVALID_HANDLE_VALUE;
}

void MidiOutput::Send(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return;
    if (capture_ != INVALID_HANDLE_VALUE) WriteCaptureLine(bytes, size);
    if (device_ != nullptr) SendToDevice(bytes, size);
}

void MidiOutput::SendToDevice(const std::uint8_t* bytes, std::size_t size) {
    if (bytes[0] >= 0xF0 || size > 3) {
        SendLongToDevice(bytes, size);
        return;
    }
    DWORD packed = bytes[0];
    if (size > 1) packed |= DWORD{bytes[1]} << 8;
    if (size > 2) packed |= DWORD{bytes[2]} << 16;
    midiOutShortMsg(device_, packed);
}

// System-exclusive bytes go out as a long message; the header is kept until the device is done.
void MidiOutput::SendLongToDevice(const std::uint8_t* bytes, std::size_t size) {
    std::string copy(reinterpret_cast<const char*>(bytes), size);
    MIDIHDR header{};
    header.lpData = copy.data();
    header.dwBufferLength = static_cast<DWORD>(size);
    if (midiOutPrepareHeader(device_, &header, sizeof header) != MMSYSERR_NOERROR) return;
    if (midiOutLongMsg(device_, &header, sizeof header) == MMSYSERR_NOERROR) {
        for (int waited = 0; (header.dwFlags & MHDR_DONE) == 0 && waited < 1000; ++waited) Sleep(1);
    }
    midiOutUnprepareHeader(device_, &header, sizeof header);
}

void MidiOutput::WriteCaptureLine(const std::uint8_t* bytes, std::size_t size) {
    char number[32];
    double milliseconds = static_cast<double>(clock_.NowUs() - captureOriginUs_) / 1000.0;
    std::snprintf(number, sizeof number, "%.3f", milliseconds);
    std::string line = number;
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(number, sizeof number, " %02X", bytes[i]);
        line += number;
    }
    line += "\r\n";
    DWORD written = 0;
    WriteFile(capture_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
