#include "engine/midi_output.h"

#include "engine/engine_exports.h"

#include <cstdio>
#include <string>
#include <utility>

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
    capture_ =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (capture_ == INVALID_HANDLE_VALUE) return kEngineDeviceOpenFailed;
    captureOriginUs_ = clock_.NowUs();
    return kEngineOk;
}

// The reset hands every buffer back; one the device still has not reported done is left to the
// process's end rather than freed under it, and closing goes on without waiting for it.
void MidiOutput::Close() {
    if (device_ != nullptr) {
        midiOutReset(device_);
        ReclaimDoneBuffers();
        AbandonBuffers();
        midiOutClose(device_);
        device_ = nullptr;
    }
    ReleaseAtUnload();
}

void MidiOutput::ReleaseAtUnload() {
    AbandonBuffers();
    if (capture_ != INVALID_HANDLE_VALUE) CloseHandle(capture_);
    capture_ = INVALID_HANDLE_VALUE;
}

void MidiOutput::Send(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return;
    if (capture_ != INVALID_HANDLE_VALUE) WriteCaptureLine(bytes, size);
    if (device_ != nullptr) SendToDevice(bytes, size);
}

// Only a channel message goes as a short message; system exclusive, its continuation packets and
// escaped bytes go as their bytes.
void MidiOutput::SendToDevice(const std::uint8_t* bytes, std::size_t size) {
    ReclaimDoneBuffers();
    if (bytes[0] < 0x80 || bytes[0] >= 0xF0 || size > 3) {
        SendLongToDevice(bytes, size);
        return;
    }
    DWORD packed = bytes[0];
    if (size > 1) packed |= DWORD{bytes[1]} << 8;
    if (size > 2) packed |= DWORD{bytes[2]} << 16;
    midiOutShortMsg(device_, packed);
}

// Never waits for the device: the buffer is kept until the device reports it done.
void MidiOutput::SendLongToDevice(const std::uint8_t* bytes, std::size_t size) {
    auto buffer = std::make_unique<LongBuffer>();
    buffer->bytes.assign(bytes, bytes + size);
    buffer->header.lpData = reinterpret_cast<LPSTR>(buffer->bytes.data());
    buffer->header.dwBufferLength = static_cast<DWORD>(size);
    if (midiOutPrepareHeader(device_, &buffer->header, sizeof buffer->header) != MMSYSERR_NOERROR) return;
    if (midiOutLongMsg(device_, &buffer->header, sizeof buffer->header) != MMSYSERR_NOERROR) {
        midiOutUnprepareHeader(device_, &buffer->header, sizeof buffer->header);
        return;
    }
    pending_.push_back(std::move(buffer));
}

void MidiOutput::ReclaimDoneBuffers() {
    for (auto it = pending_.begin(); it != pending_.end();) {
        MIDIHDR& header = (*it)->header;
        if ((header.dwFlags & MHDR_DONE) == 0) break;  // the device finishes them in order
        midiOutUnprepareHeader(device_, &header, sizeof header);
        it = pending_.erase(it);
    }
}

void MidiOutput::AbandonBuffers() {
    for (std::unique_ptr<LongBuffer>& buffer : pending_) static_cast<void>(buffer.release());
    pending_.clear();
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
