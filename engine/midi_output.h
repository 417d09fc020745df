// The Windows MIDI output device and everything a sender owes it, in one place. Only the engine's
// thread uses it, so nothing here locks. Messages wait in a queue and reach the device one at a
// time: nothing overtakes a long message the device has not reported done, nothing follows a reset
// within its pause (counted from that report), and a message the device refuses is offered again
// every millisecond for a while. None of this blocks: Flush says how long until more may go.
//
// What ends the output: a device that keeps refusing, or never reports a long message done, is
// reset (which silences it and hands back its buffers); a device that has gone (unplugged) is
// closed. Either drops what is queued and stays in Failure() until cleared.
#pragma once
#include "engine/midi_sink.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <deque>
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
    // Resets the device, takes back (bounded) the buffers it still has, and closes it; a device
    // that says it is still playing is reset and closed again. A handle that will not close is
    // kept for the next try.
    void Close();
    bool IsOpen() const { return device_ != nullptr; }

    void Send(const std::uint8_t* bytes, std::size_t size) override;
    void SendSong(const std::uint8_t* bytes, std::size_t size) override;
    std::int64_t QuietUntilUs() const override { return quietUntilUs_; }

    // Hands the device what may go now. -1 once everything was handed and finished; else the
    // microseconds until more may go (a long message's report, through DoneEvent(), may end the
    // wait sooner).
    std::int64_t Flush();
    bool Drained() const { return queue_.empty() && out_ == nullptr; }
    bool LongMessageOut() const { return out_ != nullptr; }
    HANDLE DoneEvent() const { return doneEvent_; }
    // For a stop: the song's messages still queued are dropped, and a long message the device
    // still has is taken back (a reset's pause holds all the same).
    void DropSong() noexcept;

    // kEngineOk, kEngineDeviceRefused (the device kept refusing, or never finished a long
    // message) or kEngineDeviceGone (the device went away and was closed).
    std::int32_t Failure() const { return failure_; }
    void ClearFailure() { failure_ = 0; }

private:
    struct Queued {
        std::uint32_t size = 0;
        std::array<std::uint8_t, 3> own{};
        std::vector<std::uint8_t> longBytes;  // F0 to F7
        bool ofSong = false;
    };

    // A long message while the device has it: the header must stay where the device saw it.
    struct LongBuffer {
        MIDIHDR header{};
        std::vector<std::uint8_t> bytes;
        bool ofSong = false;
        bool reset = false;
        std::int64_t deadlineUs = 0;  // by when the device must have reported it done
    };

    void Queue(const std::uint8_t* bytes, std::size_t size, bool ofSong);
    MMRESULT HandFront(std::int64_t now);
    MMRESULT HandLong(Queued& message, std::int64_t now);
    void FinishLong(std::int64_t now);
    void TakeBackLong() noexcept;
    void Fail(std::int32_t failure);
    bool WaitForReturn(MIDIHDR& header, DWORD timeoutMs) const noexcept;
    void ReturnAbandonedBuffers();

    const lyra::Clock& clock_;
    HMIDIOUT device_ = nullptr;
    HANDLE doneEvent_ = nullptr;  // set by the device at open, close and each buffer it reports done
    std::deque<Queued> queue_;
    std::unique_ptr<LongBuffer> out_;  // the long message the device has
    std::int64_t quietUntilUs_ = 0;    // the end of the last reset's pause, on the clock
    std::int64_t retryAtUs_ = 0;       // when a refused message is offered again
    std::int64_t refusedSinceUs_ = -1;
    std::int32_t failure_ = 0;
    // Buffers the device did not hand back even after a reset: kept until it does, never freed
    // under it.
    std::list<std::unique_ptr<LongBuffer>> abandoned_;
};
