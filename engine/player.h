// The engine behind both export sets. One thread, the engine's, owns the device, the song and the
// play state: the exports only post commands to it and read the status it publishes, so none of
// them waits on the device, and no lock is held while the device works. The engine's thread runs
// while there is anything to do (a command, a song that plays, messages the device has not yet
// had) and ends when idle; it does all the waiting the device asks for.
//
// A status read right after an export returns already shows what that export does: each export
// foresees its effect on the published status as it posts; the engine's thread publishes what is
// so once it has done every command posted.
#pragma once
#include "engine/clock.h"
#include "engine/engine_exports.h"
#include "engine/midi_output.h"
#include "engine/precise_wait.h"
#include "engine/sequencer.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>

struct PlayerStatus {
    bool deviceOpen = false;
    bool playing = false;
    std::uint32_t position = 0;  // in the song's unit: tenths of a second for songs up to 109 minutes
    std::uint32_t length = 0;
    std::int32_t failure = 0;  // what ended the last play: kEngineDeviceRefused, kEngineDeviceGone...
    bool sending = false;      // commands or messages wait to reach the device
};

class Player {
public:
    Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player();

    // Waits for the engine's thread, which has no device to wait on when it opens one.
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
    enum class Op { open, close, load, play, restart, stop, seek, reset, stateAtStart };
    struct OpenReply {
        bool given = false;
        std::int32_t result = kEngineDeviceOpenFailed;
    };
    struct Command {
        explicit Command(Op op, std::int32_t value = 0) : op(op), value(value) {}
        Op op;
        std::int32_t value = 0;
        std::unique_ptr<lyra::Song> song;
        std::shared_ptr<OpenReply> reply;
    };
    // What the status reports; positions on the engine's clock.
    struct Shown {
        bool deviceOpen = false;
        bool hasSong = false;
        bool playing = false;
        std::int64_t positionUs = 0;
        std::int64_t originUs = -1;  // while the song itself plays: the clock's time at song time 0
        std::int64_t lengthUs = 0;
        std::int64_t unitUs = lyra::kUsPerTenth;
        std::int32_t failure = kEngineOk;
        bool sending = false;
        bool stateAtStart = true;
        std::int32_t deviceId = kMidiMapperDevice;  // the device last opened
    };

    // The callers' side.
    template <typename Foresee>
    std::int32_t Post(Command command, Foresee foresee);
    std::int32_t OpenOnEngine(std::int32_t deviceId);
    std::int32_t TakeSong(std::unique_ptr<lyra::Song> song);
    std::int32_t StartPlaying(Op op);
    Shown Snapshot();
    std::int64_t ShownPositionUs(const Shown& shown) const;
    bool StartThread();

    // The engine's thread.
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    bool TakeCommands(std::deque<Command>& batch);
    void Apply(Command& command);
    void ApplyOpen(Command& command);
    void ApplyPlay(Op op);
    void CloseOutput();
    std::int64_t Work();
    void NoteFailure();
    void Publish();
    Shown Truth() const;
    void Wait(std::int64_t waitUs);
    template <typename Step>
    void Guard(Step step) noexcept;

    PerformanceClock clock_;
    MidiOutput output_{clock_};
    lyra::Sequencer sequencer_{clock_, output_};
    PreciseWait wait_;
    HANDLE wake_ = nullptr;  // commands for the engine's thread
    std::int32_t deviceId_ = kMidiMapperDevice;
    std::int32_t runFailure_ = kEngineOk;

    SRWLOCK lock_ = SRWLOCK_INIT;  // what follows; held only to copy or change a few words
    CONDITION_VARIABLE replied_ = CONDITION_VARIABLE_INIT;
    std::deque<Command> commands_;
    bool threadRunning_ = false;
    Shown shown_;
    std::atomic<bool> commandsWaiting_{false};
};

// The one engine of the library this is linked into.
Player& ThePlayer();
