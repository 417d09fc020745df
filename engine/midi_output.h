// Where the engine's messages go: the Windows MIDI output device, or the capture file that
// KADENZO_MIDI_CAPTURE names.
#pragma once
#include "engine/sequencer.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

class MidiOutput final : public lyra::MidiSink {
public:
    explicit MidiOutput(const lyra::Clock& clock) : clock_(clock) {}
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;
    ~MidiOutput() override;

    // kEngineOk, or kEngineDeviceOpenFailed. Already open: nothing changes.
    std::int32_t Open(std::int32_t deviceId);
    void Close();
    // Only what may be done while the library is being unloaded: the capture file is closed, a
    // device handle is left to the process's end.
    void ReleaseAtUnload();
    bool IsOpen() const { return device_ != nullptr || capture_ != INVALID_HANDLE_VALUE; }

    void Send(const std::uint8_t* bytes, std::size_t size) override;

private:
    std::int32_t OpenCapture(const char* path);
    void SendToDevice(const std::uint8_t* bytes, std::size_t size);
    void SendLongToDevice(const std::uint8_t* bytes, std::size_t size);
    void WriteCaptureLine(const std::uint8_t* bytes, std::size_t size);
    void ReclaimDoneBuffers();
    void AbandonBuffers();

    // A long message the device may still be reading: kept until it reports it done.
    struct LongBuffer {
        MIDIHDR header{};
        std::vector<std::uint8_t> bytes;
    };

    const lyra::Clock& clock_;
    HMIDIOUT device_ = nullptr;
    HANDLE capture_ = INVALID_HANDLE_VALUE;
    std::int64_t captureOriginUs_ = 0;
    std::list<std::unique_ptr<LongBuffer>> pending_;
};
