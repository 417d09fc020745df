#include "engine/player.h"

#include "engine/exclusive_lock.h"
#include "engine/smf_reader.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// An open the engine's thread has not answered by then has failed.
constexpr DWORD kOpenReplyWaitMs = 5000;
// Before a close, the stop's clean state goes out for at most this long.
constexpr std::int64_t kCloseFlushUs = 2000000;
// While the device has a long message, the thread looks at it again at least this often.
constexpr DWORD kLongMessageLookMs = 100;

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

class SharedLock {
public:
    explicit SharedLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockShared(&lock_); }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;
    ~SharedLock() { ReleaseSRWLockShared(&lock_); }

private:
    SRWLOCK& lock_;
};

}  // namespace

Player::Player() : wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

// Runs when the library leaves the process. No engine thread is left by then: each one holds the
// library until it has ended.
Player::~Player() {
    if (wake_ != nullptr) CloseHandle(wake_);
}

// ---- The callers' side: post, foresee, return.

std::int32_t Player::OpenDevice(std::int32_t deviceId) {
    if (Snapshot().deviceOpen) return kEngineOk;
    return OpenOnEngine(deviceId);
}

std::int32_t Player::CloseDevice() {
    return Post(Command(Op::close), [this](Shown& shown) {
        shown.positionUs = ShownPositionUs(shown);
        shown.originUs = -1;
        shown.playing = false;
        shown.deviceOpen = false;
    });
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
    auto song = std::make_unique<lyra::Song>();
    if (lyra::ReadSong(std::move(bytes), *song) != lyra::ReadResult::ok) return kEngineSongInvalid;
    return TakeSong(std::move(song));
}

std::int32_t Player::LoadBytes(const void* data, std::uint32_t size) {
    if (data == nullptr) return kEngineBadArgument;
    auto song = std::make_unique<lyra::Song>();
    if (lyra::ReadSong(static_cast<const std::uint8_t*>(data), size, *song) != lyra::ReadResult::ok) {
        return kEngineSongInvalid;
    }
    return TakeSong(std::move(song));
}

// The song is read on the caller's thread; the engine's thread takes it over.
std::int32_t Player::TakeSong(std::unique_ptr<lyra::Song> song) {
    const std::int64_t lengthUs = song->lengthUs;
    Command command(Op::load);
    command.song = std::move(song);
    return Post(std::move(command), [lengthUs](Shown& shown) {
        shown.hasSong = true;
        shown.lengthUs = lengthUs;
        shown.unitUs = lyra::PositionUnitUs(lengthUs);
        shown.playing = false;
        shown.positionUs = 0;
        shown.originUs = -1;
    });
}

std::int32_t Player::Play() { return StartPlaying(Op::play); }

std::int32_t Player::Restart() { return StartPlaying(Op::restart); }

// A play without an open device (none opened yet, or one that failed and was closed) opens the
// device last opened, the MIDI mapper at first.
std::int32_t Player::StartPlaying(Op op) {
    static const bool keptResolution = (KeepTimerResolutionWhenHidden(), true);
    static_cast<void>(keptResolution);
    Shown shown = Snapshot();
    if (op == Op::restart && shown.playing) return kEngineOk;
    if (!shown.hasSong) return kEngineNoSong;
    if (!shown.deviceOpen) {
        if (std::int32_t opened = OpenOnEngine(shown.deviceId); opened != kEngineOk) return opened;
    }
    return Post(Command(op), [op](Shown& next) {
        next.playing = true;
        if (op == Op::play) next.positionUs = 0;
        next.originUs = -1;
        next.failure = kEngineOk;
    });
}

std::int32_t Player::Stop() {
    return Post(Command(Op::stop), [this](Shown& shown) {
        shown.positionUs = ShownPositionUs(shown);
        shown.originUs = -1;
        shown.playing = false;
    });
}

std::int32_t Player::Seek(std::int32_t position) {
    if (position < 0) return kEngineBadArgument;
    return Post(Command(Op::seek, position), [position](Shown& shown) {
        shown.positionUs = lyra::SeekTargetUs(static_cast<std::uint32_t>(position), shown.lengthUs, shown.unitUs);
        shown.originUs = -1;
    });
}

std::int32_t Player::SendReset(lyra::ResetKind kind) {
    if (!Snapshot().deviceOpen) return kEngineDeviceOpenFailed;
    return Post(Command(Op::reset, static_cast<std::int32_t>(kind)), [](Shown&) {});
}

PlayerStatus Player::Status() {
    Shown shown = Snapshot();
    PlayerStatus status;
    status.deviceOpen = shown.deviceOpen;
    status.playing = shown.playing;
    status.position = static_cast<std::uint32_t>(ShownPositionUs(shown) / shown.unitUs);
    status.length = lyra::LengthInUnits(shown.lengthUs, shown.unitUs);
    status.failure = shown.failure;
    status.sending = shown.sending;
    return status;
}

bool Player::StateSentAtStart() { return Snapshot().stateAtStart; }

void Player::SetStateSentAtStart(bool on) {
    Post(Command(Op::stateAtStart, on ? 1 : 0), [on](Shown& shown) { shown.stateAtStart = on; });
}

// Queues the command, wakes the engine's thread (starting one when none runs) and shows at once
// what the command will do.
template <typename Foresee>
std::int32_t Player::Post(Command command, Foresee foresee) {
    ExclusiveLock hold(lock_);
    commands_.push_back(std::move(command));
    if (!threadRunning_ && !StartThread()) {
        commands_.pop_back();
        return kEngineThreadFailed;
    }
    foresee(shown_);
    shown_.sending = true;
    commandsWaiting_ = true;
    SetEvent(wake_);
    return kEngineOk;
}

// The engine's thread opens the device, so that only it ever touches one.
std::int32_t Player::OpenOnEngine(std::int32_t deviceId) {
    auto reply = std::make_shared<OpenReply>();
    Command command(Op::open, deviceId);
    command.reply = reply;
    if (std::int32_t posted = Post(std::move(command), [](Shown&) {}); posted != kEngineOk) return posted;
    ExclusiveLock hold(lock_);
    const DWORD start = GetTickCount();
    while (!reply->given) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= kOpenReplyWaitMs) return kEngineDeviceOpenFailed;
        SleepConditionVariableSRW(&replied_, &lock_, kOpenReplyWaitMs - spent, 0);
    }
    return reply->result;
}

Player::Shown Player::Snapshot() {
    SharedLock hold(lock_);
    return shown_;
}

std::int64_t Player::ShownPositionUs(const Shown& shown) const {
    if (!shown.playing || shown.originUs < 0) return shown.positionUs;
    return std::clamp<std::int64_t>(clock_.NowUs() - shown.originUs, 0, shown.lengthUs);
}

// Under the lock. The thread keeps the library loaded until it has ended, even when the program
// releases it.
bool Player::StartThread() {
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
    CloseHandle(thread);  // it ends by itself; nothing waits for it
    threadRunning_ = true;
    return true;
}

// ---- The engine's thread.

DWORD WINAPI Player::ThreadMain(void* self) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Player::ThreadMain), &module);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    timeBeginPeriod(1);
    static_cast<Player*>(self)->Run();
    timeEndPeriod(1);
    FreeLibraryAndExitThread(module, 0);
}

void Player::Run() {
    std::deque<Command> batch;
    while (TakeCommands(batch)) {
        // A failed output drops what a command sends (a stop's or a load's clean state): the
        // next play must not take it for sent.
        for (Command& command : batch) {
            Guard([&] {
                Apply(command);
                NoteFailure();
            });
        }
        batch.clear();
        std::int64_t waitUs = 0;
        Guard([&] { waitUs = Work(); });
        Publish();
        Wait(waitUs);
    }
}

// The commands posted so far. False, with the last status published, once there is nothing left
// to do: whoever posts after that starts a new thread.
bool Player::TakeCommands(std::deque<Command>& batch) {
    ExclusiveLock hold(lock_);
    commandsWaiting_ = false;
    batch.swap(commands_);
    if (!batch.empty() || sequencer_.Playing() || !output_.Drained()) return true;
    shown_ = Truth();
    threadRunning_ = false;
    return false;
}

void Player::Apply(Command& command) {
    switch (command.op) {
        case Op::open: ApplyOpen(command); break;
        case Op::close: CloseOutput(); break;
        case Op::load:
            output_.DropSong();
            sequencer_.Load(std::move(*command.song));
            command.song.reset();
            break;
        case Op::play:
        case Op::restart: ApplyPlay(command.op); break;
        case Op::stop:
            output_.DropSong();
            sequencer_.Stop();
            break;
        case Op::seek:
            if (sequencer_.Playing()) output_.DropSong();
            sequencer_.Seek(static_cast<std::uint32_t>(command.value));
            break;
        case Op::reset:
            if (!output_.IsOpen()) break;
            output_.ClearFailure();
            sequencer_.SendReset(static_cast<lyra::ResetKind>(command.value));
            break;
        case Op::stateAtStart: sequencer_.SetStateSentAtStart(command.value != 0); break;
    }
}

void Player::ApplyOpen(Command& command) {
    const bool wasOpen = output_.IsOpen();
    const std::int32_t result = output_.Open(command.value);
    if (result == kEngineOk && !wasOpen) {
        deviceId_ = command.value;
        sequencer_.ForgetReceiverState();  // whatever the device held before is unknown
    }
    ExclusiveLock hold(lock_);
    command.reply->result = result;
    command.reply->given = true;
    if (result == kEngineOk) {
        shown_.deviceOpen = true;
        shown_.deviceId = deviceId_;
    }
    WakeAllConditionVariable(&replied_);
}

void Player::ApplyPlay(Op op) {
    if (!sequencer_.HasSong()) return;
    runFailure_ = kEngineOk;
    if (!output_.IsOpen()) {
        if (output_.Open(deviceId_) != kEngineOk) {
            runFailure_ = kEngineDeviceOpenFailed;  // the play ends at once
            return;
        }
        sequencer_.ForgetReceiverState();
    }
    if (op == Op::restart && sequencer_.Playing()) return;
    output_.DropSong();
    output_.ClearFailure();
    if (sequencer_.Playing()) sequencer_.Stop();
    if (op == Op::play) sequencer_.Seek(0);
    sequencer_.Start();
}

// The stop's clean state goes out first; the device is closed once the thread has sent it.
void Player::CloseOutput() {
    output_.DropSong();
    sequencer_.Stop();
    const std::int64_t giveUpUs = clock_.NowUs() + kCloseFlushUs;
    for (std::int64_t waitUs = output_.Flush(); waitUs >= 0 && clock_.NowUs() < giveUpUs; waitUs = output_.Flush()) {
        Wait(waitUs);
    }
    NoteFailure();
    output_.Close();
}

// Hands the device what may go, and pumps the song whenever the device has had all it was given,
// so that the song's clock counts from what reached the device. The wait until more is due: -1
// when nothing is left, 0 when commands wait.
std::int64_t Player::Work() {
    for (;;) {
        const std::int64_t outputWaitUs = output_.Flush();
        NoteFailure();
        if (outputWaitUs >= 0) return outputWaitUs;
        if (!sequencer_.Playing()) return -1;
        if (commandsWaiting_) return 0;
        const std::int64_t songWaitUs = sequencer_.Pump();
        if (songWaitUs != 0 && output_.Drained()) return songWaitUs;
    }
}

// A device that failed ends the play: nothing more goes out, so what the receiver holds is unknown.
void Player::NoteFailure() {
    if (output_.Failure() == kEngineOk) return;
    runFailure_ = output_.Failure();
    sequencer_.Abandon();
}

// Once every command posted is done: what the exports foresaw for them stands until then.
void Player::Publish() {
    const Shown truth = Truth();
    ExclusiveLock hold(lock_);
    if (commands_.empty()) shown_ = truth;
}

Player::Shown Player::Truth() const {
    Shown truth;
    truth.deviceOpen = output_.IsOpen();
    truth.hasSong = sequencer_.HasSong();
    truth.playing = sequencer_.Playing();
    truth.positionUs = sequencer_.PositionUs();
    truth.originUs = sequencer_.OriginUs();
    truth.lengthUs = sequencer_.LengthUs();
    truth.unitUs = sequencer_.UnitUs();
    truth.failure = runFailure_;
    truth.sending = !output_.Drained();
    truth.stateAtStart = sequencer_.StateSentAtStart();
    truth.deviceId = deviceId_;
    return truth;
}

// Until more is due, or a command comes. While the device has a long message, its report ends the
// wait too.
void Player::Wait(std::int64_t waitUs) {
    if (waitUs <= 0) return;
    if (output_.LongMessageOut()) {
        HANDLE handles[] = {wake_, output_.DoneEvent()};
        const auto ms = static_cast<DWORD>(std::min<std::int64_t>((waitUs + 999) / 1000, kLongMessageLookMs));
        WaitForMultipleObjects(2, handles, FALSE, ms);
        return;
    }
    wait_.Wait(waitUs, wake_);
}

// Nothing the song or the device does may end the thread: no memory for a chase or a message ends
// the play, and the engine goes on.
template <typename Step>
void Player::Guard(Step step) noexcept {
    try {
        step();
    } catch (...) {
        sequencer_.Abandon();
        output_.DropSong();
        runFailure_ = kEngineNoMemory;
    }
}

Player& ThePlayer() {
    static Player player;
    return player;
}
