// The Windows MIDI output device, and the order and pace at which messages reach it. Any thread
// queues whole messages; only the engine's thread hands them to the device, one at a time, so that
// nothing overtakes a long message the device has not reported done, nothing follows a reset
// within its pause (counted from that report), and a message the device refuses is sent again
// after a short wait. A device that keeps refusing fails the output: what is queued is dropped and
// the device is reset, which silences what it sounds.
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
    // Resets the device, waits (bounded) for the buffers it still has, unprepares them and closes;
    // a device that says it is still playing is reset and closed again. False when it would not
    // close: the handle is kept for the next try. Not while the engine's thread sends.
    bool Close();
    bool IsOpen() const { return device_ != nullptr; }

    void Send(const std::uint8_t* bytes, std::size_t size) override;
    void SendSong(const std::uint8_t* bytes, std::size_t size) override;
    bool Backlogged() const override;
    // Drops the song's messages still queued: not wanted after a stop or a seek.
    void DropQueuedSong();
    // Nothing queued and nothing being handed to the device.
    bool Idle() const;
    // How many messages were queued so far; WaitUntilHanded waits for the device to have had them.
    std::uint64_t QueuedSoFar() const;
    // False when the time ran out first. Dropped messages count as handed.
    bool WaitUntilHanded(std::uint64_t count, DWORD timeoutMs);

    // On the engine's thread: sends what may go now. -1 when nothing is left, else the
    // microseconds until more may go.
    std::int64_t SendQueued();

    // kEngineOk, or kEngineDeviceRefused once the device has kept refusing.
    std::int32_t Failure() const;
    void ClearFailure();

private:
    struct Queued {
        std::uint32_t size = 0;
        std::array<std::uint8_t, 3> own{};
        std::vector<std::uint8_t> longBytes;  // F0 to F7
        bool ofSong = false;
        const std::uint8_t* Data() const { return longBytes.empty() ? own.data() : longBytes.data(); }
    };

    // A long message while the device has it: the header must stay where the device saw it.
    struct LongBuffer {
        MIDIHDR header{};
        std::vector<std::uint8_t> bytes;
    };

    void Queue(const std::uint8_t* bytes, std::size_t size, bool ofSong);
    bool Pop(Queued& message);
    bool SendShort(const Queued& message);
    bool SendLong(Queued& message);
    bool WaitUntilDone(MIDIHDR& header, std::int64_t deadlineUs);
    void Fail();
    void FinishAbandonedBuffers();

    const lyra::Clock& clock_;
    HMIDIOUT device_ = nullptr;
    HANDLE doneEvent_ = nullptr;  // set by the device at open, close and each buffer it reports done
    mutable SRWLOCK queueLock_ = SRWLOCK_INIT;
    std::deque<Queued> queue_;
    std::size_t queuedBytes_ = 0;
    bool handing_ = false;  // a message taken from the queue is with the device
    std::uint64_t queuedTotal_ = 0;
    std::uint64_t handedTotal_ = 0;  // sent or dropped
    CONDITION_VARIABLE handed_ = CONDITION_VARIABLE_INIT;
    std::int32_t failure_ = 0;
    std::int64_t quietUntilUs_ = 0;  // the end of the last reset's pause, on the clock
    // Buffers the device did not hand back even after a reset: kept until it does, never freed
    // under it.
    std::list<std::unique_ptr<LongBuffer>> abandoned_;
};
