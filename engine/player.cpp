#include "engine/player.h"

#include "engine/engine_exports.h"
#include "engine/smf_reader.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

// Sleep() counts whole milliseconds; the native delay call takes 100-nanosecond units, which Wine
// honours to within a few tens of microseconds (Windows rounds it to the timer resolution).
void SleepMicroseconds(std::int64_t us) {
    using DelayProc = LONG(WINAPI*)(BOOLEAN alertable, LARGE_INTEGER * interval);
    static const DelayProc delay = reinterpret_cast<DelayProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDelayExecution")));
    if (delay == nullptr) {
        Sleep(static_cast<DWORD>((us + 999) / 1000));
        return;
    }
    LARGE_INTEGER interval;
    interval.QuadPart = -us * 10;  // negative: relative to now
    delay(FALSE, &interval);
}

class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK& lock_;
};

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

// Runs when the library leaves the process. No playing thread is left by then (each one holds the
// library until it has ended), and the device is left to the process's end: closing it here, under
// the loader's lock, could hang.
Player::~Player() { output_.ReleaseAtUnload(); }

std::int32_t Player::OpenDevice(std::int32_t deviceId) {
    ExclusiveLock control(controlLock_);
    StateLock state(*this);
    return output_.Open(deviceId);
}

std::int32_t Player::CloseDevice() {
    ExclusiveLock control(controlLock_);
    StopPlaying();
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
    bool read = GetFileSizeEx(file, &size) && size.QuadPart < 0x7FFFFFFF;
    if (read) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        read = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size();
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

std::int32_t Player::TakeSong(lyra::Song song) {
    ExclusiveLock control(controlLock_);
    StopPlaying();
    StateLock state(*this);
    sequencer_.Load(std::move(song));
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
    StopPlaying();
    return kEngineOk;
}

std::int32_t Player::Seek(std::int32_t position) {
    if (position < 0) return kEngineBadArgument;
    ExclusiveLock control(controlLock_);
    bool wasPlaying = Status().playing;
    StopPlaying();
    {
        StateLock state(*this);
        sequencer_.Seek(static_cast<std::uint32_t>(position));
    }
    return wasPlaying ? StartPlaying(false) : kEngineOk;
}

std::int32_t Player::SendReset(lyra::ResetKind kind) {
    StateLock state(*this);
    if (!output_.IsOpen()) return kEngineDeviceOpenFailed;
    sequencer_.SendReset(kind);
    return kEngineOk;
}

PlayerStatus Player::Status() {
    StateLock state(*this);
    return {output_.IsOpen(), sequencer_.Playing(), sequencer_.Position(), sequencer_.Length()};
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
    StopPlaying();
    StateLock state(*this);
    if (!sequencer_.HasSong()) return kEngineNoSong;
    if (!output_.IsOpen() && output_.Open(kMidiMapperDevice) != kEngineOk) return kEngineDeviceOpenFailed;
    if (fromStart) sequencer_.Seek(0);
    // The thread keeps the library loaded until it has ended, even when the program releases it.
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&Player::ThreadMain),
                            &module)) {
        return kEngineThreadFailed;
    }
    sequencer_.Start();
    thread_ = CreateThread(nullptr, 0, &Player::ThreadMain, this, 0, nullptr);
    if (thread_ == nullptr) {
        sequencer_.Stop();
        FreeLibrary(module);
        return kEngineThreadFailed;
    }
    return kEngineOk;
}

// Called with the control lock held; returns once the playing thread has ended. The thread sees
// the request between two pumps, so a burst in progress ends at once.
void Player::StopPlaying() {
    stopRequested_ = true;
    {
        StateLock state(*this);
        sequencer_.Stop();
    }
    if (thread_ != nullptr) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    stopRequested_ = false;
}

DWORD WINAPI Player::ThreadMain(void* self) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Player::ThreadMain), &module);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    timeBeginPeriod(1);
    static_cast<Player*>(self)->PlayUntilStopped();
    timeEndPeriod(1);
    FreeLibraryAndExitThread(module, 0);
}

// Nothing the song does may end the process: a failure inside (no memory for a chase) ends the run.
void Player::PlayUntilStopped() {
    try {
        PumpUntilStopped();
    } catch (...) {
        ExclusiveLock state(stateLock_);
        try {
            sequencer_.Stop();
        } catch (...) {}
    }
}

void Player::PumpUntilStopped() {
    while (!stopRequested_) {
        std::int64_t waitUs = 0;
        {
            ExclusiveLock state(stateLock_);
            waitUs = sequencer_.Pump();
        }
        if (waitUs < 0) return;
        LetWaitersIn();
        if (waitUs > 0) WaitUntilDue(waitUs);
    }
}

// A status query or a stop waiting for the lock gets it before the next pump; bounded, so that a
// steady stream of queries cannot stall the song.
void Player::LetWaitersIn() {
    for (int round = 0; round < 100 && stateWaiters_.load() > 0; ++round) SwitchToThread();
}

// Sleeps until a little before the time, then yields for the rest. No sleep is longer than 10 ms,
// so a stop or seek (which ends the run) is seen soon.
void Player::WaitUntilDue(std::int64_t waitUs) {
    constexpr std::int64_t longestSleepUs = 10000;
    constexpr std::int64_t yieldUs = 100;  // what a sleep may run over
    std::int64_t sleepUs = std::min(waitUs - yieldUs, longestSleepUs);
    if (sleepUs >= 50) {
        SleepMicroseconds(sleepUs);
    } else {
        SwitchToThread();
    }
}

Player& ThePlayer() {
    static Player player;
    return player;
}
