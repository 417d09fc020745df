// The engine behind both export sets: one song, one output, and the engine's thread, which runs
// while there is anything to play or to send: it pumps the song and hands what is due to the
// device, and does all the waiting the device asks for. Every operation may be called from any
// thread and returns without waiting for the device.
#pragma once
#include "engine/clock.h"
#include "engine/midi_output.h"
#include "engine/engine_exports.h"
#include "engine/guarded.h"
#include "engine/precise_wait.h"
#include "engine/sequencer.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

struct PlayerStatus {
    bool deviceOpen = false;
    bool playing = false;
    std::uint32_t position = 0;  // in the song's unit: tenths of a second for songs up to 109 minutes
    std::uint32_t length = 0;
    std::int32_t failure = 0;  // kEngineDeviceRefused when the device ended the last play
    bool sending = false;      // messages wait to reach the device
};

class Player {
public:
    Player() = default;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player();

    std::int32_t OpenDevice(std::int32_t deviceId);
    std::int32_t CloseDevice();
    std::int32_t LoadFile(const char* path);
    std::int32_t LoadBytes(const void* data, std::uint32_t size);
    std::int32_t Play();     // from the start
    std::int32_t Restart();  // from the position
    std::int32_t Stop();
    std::int32_t Seek(std::int32_t position);  // in the song's unit
    std::int32_t SendReset(lyra::ResetKind kind);
    PlayerStatus Status();
    bool StateSentAtStart();
    void SetStateSentAtStart(bool on);

private:
    std::int32_t TakeSong(lyra::Song song);
    std::int32_t StartPlaying(bool fromStart);
    void StopSong();
    bool RunThread();
    static DWORD WINAPI ThreadMain(void* self);
    void RunUntilIdle();
    void PumpAndSend();
    void WaitUntilDue(std::int64_t waitUs);
    void LetWaitersIn();
    bool WaitForThreadEnd();

    PerformanceClock clock_;
    MidiOutput output_{clock_};
    lyra::Sequencer sequencer_{clock_, output_};
    SRWLOCK stateLock_ = SRWLOCK_INIT;    // the sequencer, the output's device and the thread's state
    SRWLOCK controlLock_ = SRWLOCK_INIT;  // one control operation at a time
    HANDLE thread_ = nullptr;             // the engine's thread, the latest one started
    bool threadRunning_ = false;          // it has not yet decided to end; under the state lock
    HANDLE wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);  // new work for the thread
    PreciseWait wait_;
    std::atomic<int> stateWaiters_{0};  // operations waiting for the state lock
    friend class StateLock;
};

// The one engine of the library this is linked into.
Player& ThePlayer();
