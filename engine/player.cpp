#include "engine/player.h"

#include "engine/engine_exports.h"
#include "engine/exclusive_lock.h"
#include "engine/smf_reader.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

// Every wait of the engine's thread is bounded: a device that never answers cannot keep a close
// waiting for ever.
constexpr DWORD kThreadEndWaitMs = 3000;
// A stop or a reset command returns once the device has had what it sent (the engine's thread
// does the sending and any waiting a reset's pause asks for), or after this long.
constexpr DWORD kHandedWaitMs = 2000;

// Songs up to 4 GiB, as the program loads them; read in pieces, since one read takes at most 4 GiB - 1.
constexpr LONGLONG kLargestSongFile = 0xFFFFFFFFLL;
constexpr std::size_t kReadPiece = 1u << 30;

bool ReadWhole(HANDLE file, std::vector<std::uint8_t>& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD piece = static_cast<DWORD>(std::min(kReadPiece, bytes.size() - done));
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, piece, &got, nullptr) || got != piece) return false;
        done += got;
    }
    return true;
}

}  // namespace

// The state lock for an operation other than the playing thread: the thread lets such waiters in
// between its pumps, so that a burst never holds them up for long.
class StateLock {
public:
    explicit StateLock(Player& player) : player_(player) {
        ++player_.stateWaiters_;
        AcquireSRWLockExclusive(&player_.stateLock_);
        --player_.stateWaiters_;
    }
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
    ~StateLock() { ReleaseSRWLockExclusive(&player_.stateLock_); }

private:
    Player& player_;
};

// Runs when the library leaves the process. No engine thread is left by then (each one holds the
// library until it has ended), and the device is left to the process's end: closing it here, under
// the loader's lock, could hang.
Player::~Player() {
    if (thread_ != nullptr) CloseHandle(thread_);
    if (wake_ != nullptr) CloseHandle(wake_);
}

std::int32_t Player::OpenDevice(std::int32_t deviceId) {
    ExclusiveLock control(controlLock_);
    StateLock state(*this);
    return output_.Open(deviceId);
}

// The stop's clean state goes out first; the device is closed once the thread has sent it.
std::int32_t Player::CloseDevice() {
    ExclusiveLock control(controlLock_);
    StopSong();
    WaitForThreadEnd();
    StateLock state(*this);
    output_.Close();
    return kEngineOk;
}

std::int32_t Player::LoadFile(const char* path) {
    if (path == nullptr) return kEngineBadArgument;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kEngineSongFileUnreadable;
    std::vector<std::uint8_t> bytes;
    LARGE_INTEGER size{};
    bool read = GetFileSizeEx(file, &size) && size.QuadPart <= kLargestSongFile;
    if (read) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        read = ReadWhole(file, bytes);
    }
    CloseHandle(file);
    if (!read) return kEngineSongFileUnreadable;
    // The bytes read become the song's own: the file is held once.
    lyra::Song song;
    if (lyra::ReadSong(std::move(bytes), song) != lyra::ReadResult::ok) return kEngineSongInvalid;
    return TakeSong(std::move(song));
}

std::int32_t Player::LoadBytes(const void* data, std::uint32_t size) {
    if (data == nullptr) return kEngineBadArgument;
    lyra::Song song;
    if (lyra::ReadSong(static_cast<const std::uint8_t*>(data), size, song) != lyra::ReadResult::ok) {
        return kEngineSongInvalid;
    }
    return TakeSong(std::move(song));
}

// Like a stop, returns once the clean state has gone out.
std::int32_t Player::TakeSong(lyra::Song song) {
    ExclusiveLock control(controlLock_);
    std::uint64_t queued = 0;
    {
        StateLock state(*this);
        output_.DropQueuedSong();
        sequencer_.Load(std::move(song));
        if (!RunThread()) return kEngineThreadFailed;
        queued = output_.QueuedSoFar();
    }
    output_.WaitUntilHanded(queued, kHandedWaitMs);
    return kEngineOk;
}

std::int32_t Player::Play() {
    ExclusiveLock control(controlLock_);
    return StartPlaying(true);
}

std::int32_t Player::Restart() {
    ExclusiveLock control(controlLock_);
    if (Status().playing) return kEngineOk;
    return StartPlaying(false);
}

std::int32_t Player::Stop() {
    ExclusiveLock control(controlLock_);
    StopSong();
    output_.WaitUntilHanded(output_.QueuedSoFar(), kHandedWaitMs);
    return kEngineOk;
}

std::int32_t Player::Seek(std::int32_t position) {
    if (position < 0) return kEngineBadArgument;
    ExclusiveLock control(controlLock_);
    StateLock state(*this);
    if (sequencer_.Playing()) output_.DropQueuedSong();
    sequencer_.Seek(static_cast<std::uint32_t>(position));
    return RunThread() ? kEngineOk : kEngineThreadFailed;
}

std::int32_t Player::SendReset(lyra::ResetKind kind) {
    ExclusiveLock control(controlLock_);
    std::uint64_t queued = 0;
    {
        StateLock state(*this);
        if (!output_.IsOpen()) return kEngineDeviceOpenFailed;
        output_.ClearFailure();
        sequencer_.SendReset(kind);
        if (!RunThread()) return kEngineThreadFailed;
        queued = output_.QueuedSoFar();
    }
    output_.WaitUntilHanded(queued, kHandedWaitMs);
    return kEngineOk;
}

PlayerStatus Player::Status() {
    StateLock state(*this);
    return {output_.IsOpen(),    sequencer_.Playing(), sequencer_.Position(),
            sequencer_.Length(), output_.Failure(),    !output_.Idle()};
}

bool Player::StateSentAtStart() {
    StateLock state(*this);
    return sequencer_.StateSentAtStart();
}

void Player::SetStateSentAtStart(bool on) {
    StateLock state(*this);
    sequencer_.SetStateSentAtStart(on);
}

// A play without an open device opens the MIDI mapper first.
std::int32_t Player::StartPlaying(bool fromStart) {
    static const bool keptResolution = (KeepTimerResolutionWhenHidden(), true);
    static_cast<void>(keptResolution);
    StateLock state(*this);
    if (!sequencer_.HasSong()) return kEngineNoSong;
    if (!output_.IsOpen() && output_.Open(kMidiMapperDevice) != kEngineOk) return kEngineDeviceOpenFailed;
    output_.DropQueuedSong();
    output_.ClearFailure();
    if (sequencer_.Playing()) sequencer_.Stop();
    if (fromStart) sequencer_.Seek(0);
    sequencer_.Start();
    if (RunThread()) return kEngineOk;
    sequencer_.Stop();
    return kEngineThreadFailed;
}

// What is due no longer goes out; the clean state follows at once, from the engine's thread.
void Player::StopSong() {
    StateLock state(*this);
    output_.DropQueuedSong();
    sequencer_.Stop();
    RunThread();
}

// With the state lock held: wakes the engine's thread, or starts one when none runs. The thread
// keeps the library loaded until it has ended, even when the program releases it.
bool Player::RunThread() {
    if (threadRunning_) {
        SetEvent(wake_);
        return true;
    }
    if (!sequencer_.Playing() && output_.Idle()) return true;
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&Player::ThreadMain),
                            &module)) {
        return false;
    }
    HANDLE thread = CreateThread(nullptr, 0, &Player::ThreadMain, this, 0, nullptr);
    if (thread == nullptr) {
        FreeLibrary(module);
        return false;
    }
    if (thread_ != nullptr) CloseHandle(thread_);
    thread_ = thread;
    threadRunning_ = true;
    return true;
}

bool Player::WaitForThreadEnd() {
    HANDLE thread = nullptr;
    {
        StateLock state(*this);
        if (!threadRunning_ || thread_ == nullptr) return true;
        thread = thread_;
    }
    return WaitForSingleObject(thread, kThreadEndWaitMs) == WAIT_OBJECT_0;
}

DWORD WINAPI Player::ThreadMain(void* self) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Player::ThreadMain), &module);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    timeBeginPeriod(1);
    static_cast<Player*>(self)->RunUntilIdle();
    timeEndPeriod(1);
    FreeLibraryAndExitThread(module, 0);
}

// Nothing the song does may end the process: a failure inside (no memory for a chase) ends the run.
void Player::RunUntilIdle() {
    try {
        PumpAndSend();
    } catch (...) {
        ExclusiveLock state(stateLock_);
        try {
            sequencer_.Stop();
            output_.DropQueuedSong();
        } catch (...) {}
        threadRunning_ = false;
    }
}

// Ends, under the state lock, once nothing plays and nothing waits to be sent: whoever adds work
// after that starts a new thread.
void Player::PumpAndSend() {
    for (;;) {
        std::int64_t songWaitUs = -1;
        {
            ExclusiveLock state(stateLock_);
            if (sequencer_.Playing() && output_.Failure() != kEngineOk) sequencer_.Stop();
            if (sequencer_.Playing()) songWaitUs = sequencer_.Pump();
            if (songWaitUs < 0 && output_.Idle()) {
                threadRunning_ = false;
                return;
            }
        }
        LetWaitersIn();
        std::int64_t sendWaitUs = output_.SendQueued();
        std::int64_t waitUs = songWaitUs < 0   ? sendWaitUs
                              : sendWaitUs < 0 ? songWaitUs
                                               : std::min(songWaitUs, sendWaitUs);
        if (waitUs > 0) WaitUntilDue(waitUs);
    }
}

// A status query or a stop waiting for the lock gets it before the next pump; bounded, so that a
// steady stream of queries cannot stall the song.
void Player::LetWaitersIn() {
    for (int round = 0; round < 100 && stateWaiters_.load() > 0; ++round) SwitchToThread();
}

// Waits until a little before the time, then yields for the rest. No wait is longer than 10 ms,
// and new work (a stop, a seek, a reset) ends it at once.
void Player::WaitUntilDue(std::int64_t waitUs) {
    constexpr std::int64_t longestWaitUs = 10000;
    constexpr std::int64_t yieldUs = 100;  // what a wait may run over
    std::int64_t sleepUs = std::min(waitUs - yieldUs, longestWaitUs);
    if (sleepUs >= 50) {
        wait_.Wait(sleepUs, wake_);
    } else {
        SwitchToThread();
    }
}

Player& ThePlayer() {
    static Player player;
    return player;
}
