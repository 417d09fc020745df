#include "engine/midi_output.h"

#include "engine/engine_exports.h"
#include "engine/exclusive_lock.h"
#include "engine/midi_messages.h"

#include <utility>

namespace {

// A driver that is not ready is asked again this often, for at most this long.
constexpr DWORD kRefusedRetryMs = 1;
constexpr std::int64_t kRefusedForUs = 200000;
// A long message may take a slow port about 0.3 ms a byte; a device gets a second and a
// millisecond a byte to report it done.
constexpr std::int64_t kLongDoneBaseUs = 1000000;
constexpr std::int64_t kLongDoneUsPerByte = 1000;
constexpr std::int64_t kBufferReturnUs = 200000;  // after a reset, for the buffers to come back
constexpr int kCloseAttempts = 5;
constexpr DWORD kCloseRetryMs = 10;
constexpr std::size_t kBacklogBytes = 64 * 1024;

bool IsDone(const MIDIHDR& header) { return (static_cast<const volatile DWORD&>(header.dwFlags) & MHDR_DONE) != 0; }

}  // namespace

// Runs when the library leaves the process: the device is left to the process's end (closing it
// under the loader's lock could hang), and so is any buffer it still holds.
MidiOutput::~MidiOutput() {
    for (std::unique_ptr<LongBuffer>& buffer : abandoned_) static_cast<void>(buffer.release());
}

std::int32_t MidiOutput::Open(std::int32_t deviceId) {
    if (IsOpen()) return kEngineOk;
    if (doneEvent_ == nullptr) doneEvent_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (doneEvent_ == nullptr) return kEngineDeviceOpenFailed;
    HMIDIOUT device = nullptr;
    UINT id = deviceId == kMidiMapperDevice ? MIDI_MAPPER : static_cast<UINT>(deviceId);
    if (midiOutOpen(&device, id, reinterpret_cast<DWORD_PTR>(doneEvent_), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        return kEngineDeviceOpenFailed;
    }
    device_ = device;
    quietUntilUs_ = 0;
    ClearFailure();
    return kEngineOk;
}

bool MidiOutput::Close() {
    if (device_ == nullptr) return true;
    {
        ExclusiveLock hold(queueLock_);
        handedTotal_ += queue_.size();
        queue_.clear();
        queuedBytes_ = 0;
        WakeAllConditionVariable(&handed_);
    }
    midiOutReset(device_);
    FinishAbandonedBuffers();
    MMRESULT closed = midiOutClose(device_);
    for (int attempt = 1; closed == MIDIERR_STILLPLAYING && attempt < kCloseAttempts; ++attempt) {
        Sleep(kCloseRetryMs);
        // Wine's winmm lets go of the handle even when the driver refused to close.
        if (midiOutReset(device_) == MMSYSERR_INVALHANDLE) {
            closed = MMSYSERR_NOERROR;
            break;
        }
        FinishAbandonedBuffers();
        closed = midiOutClose(device_);
    }
    if (closed != MMSYSERR_NOERROR) return false;
    device_ = nullptr;
    return true;
}

void MidiOutput::Send(const std::uint8_t* bytes, std::size_t size) { Queue(bytes, size, false); }

void MidiOutput::SendSong(const std::uint8_t* bytes, std::size_t size) { Queue(bytes, size, true); }

void MidiOutput::Queue(const std::uint8_t* bytes, std::size_t size, bool ofSong) {
    if (size == 0 || device_ == nullptr) return;
    Queued message;
    message.size = static_cast<std::uint32_t>(size);
    message.ofSong = ofSong;
    if (bytes[0] == 0xF0) {
        message.longBytes.assign(bytes, bytes + size);
    } else if (size <= message.own.size()) {
        std::copy(bytes, bytes + size, message.own.begin());
    } else {
        return;  // not a message a port can take
    }
    ExclusiveLock hold(queueLock_);
    if (failure_ != kEngineOk) return;
    queuedBytes_ += size;
    ++queuedTotal_;
    queue_.push_back(std::move(message));
}

bool MidiOutput::Backlogged() const {
    ExclusiveLock hold(queueLock_);
    return queuedBytes_ >= kBacklogBytes;
}

void MidiOutput::DropQueuedSong() {
    ExclusiveLock hold(queueLock_);
    std::deque<Queued> kept;
    queuedBytes_ = 0;
    for (Queued& message : queue_) {
        if (message.ofSong) continue;
        queuedBytes_ += message.size;
        kept.push_back(std::move(message));
    }
    handedTotal_ += queue_.size() - kept.size();
    queue_ = std::move(kept);
    WakeAllConditionVariable(&handed_);
}

std::uint64_t MidiOutput::QueuedSoFar() const {
    ExclusiveLock hold(queueLock_);
    return queuedTotal_;
}

bool MidiOutput::WaitUntilHanded(std::uint64_t count, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    ExclusiveLock hold(queueLock_);
    while (handedTotal_ < count) {
        DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs) return false;
        SleepConditionVariableSRW(&handed_, &queueLock_, timeoutMs - spent, 0);
    }
    return true;
}

bool MidiOutput::Idle() const {
    ExclusiveLock hold(queueLock_);
    return queue_.empty() && !handing_;
}

std::int32_t MidiOutput::Failure() const {
    ExclusiveLock hold(queueLock_);
    return failure_;
}

void MidiOutput::ClearFailure() {
    ExclusiveLock hold(queueLock_);
    failure_ = kEngineOk;
}

std::int64_t MidiOutput::SendQueued() {
    for (;;) {
        {
            ExclusiveLock hold(queueLock_);
            if (queue_.empty()) return -1;
        }
        std::int64_t now = clock_.NowUs();
        if (now < quietUntilUs_) return quietUntilUs_ - now;
        Queued message;
        if (!Pop(message)) return -1;
        bool sent = message.longBytes.empty() ? SendShort(message) : SendLong(message);
        {
            ExclusiveLock hold(queueLock_);
            handing_ = false;
            ++handedTotal_;
            WakeAllConditionVariable(&handed_);
        }
        if (!sent) {
            Fail();
            return -1;
        }
    }
}

bool MidiOutput::Pop(Queued& message) {
    ExclusiveLock hold(queueLock_);
    if (queue_.empty()) return false;
    message = std::move(queue_.front());
    queue_.pop_front();
    queuedBytes_ -= message.size;
    handing_ = true;
    return true;
}

bool MidiOutput::SendShort(const Queued& message) {
    DWORD packed = message.own[0] | (DWORD{message.own[1]} << 8) | (DWORD{message.own[2]} << 16);
    std::int64_t giveUpUs = clock_.NowUs() + kRefusedForUs;
    for (;;) {
        MMRESULT result = midiOutShortMsg(device_, packed);
        if (result == MMSYSERR_NOERROR) return true;
        if (result != MIDIERR_NOTREADY || clock_.NowUs() >= giveUpUs) return false;
        Sleep(kRefusedRetryMs);
    }
}

// Waits for the device's report: what follows must not overtake the message, and a reset's pause
// counts from the moment the whole of it has left.
bool MidiOutput::SendLong(Queued& message) {
    auto buffer = std::make_unique<LongBuffer>();
    buffer->bytes = std::move(message.longBytes);
    MIDIHDR& header = buffer->header;
    header.lpData = reinterpret_cast<LPSTR>(buffer->bytes.data());
    header.dwBufferLength = message.size;
    if (midiOutPrepareHeader(device_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
    std::int64_t startUs = clock_.NowUs();
    MMRESULT result = MMSYSERR_NOERROR;
    while ((result = midiOutLongMsg(device_, &header, sizeof header)) == MIDIERR_NOTREADY &&
           clock_.NowUs() < startUs + kRefusedForUs) {
        Sleep(kRefusedRetryMs);
    }
    bool done = result == MMSYSERR_NOERROR &&
                WaitUntilDone(header, clock_.NowUs() + kLongDoneBaseUs + kLongDoneUsPerByte * message.size);
    std::int64_t doneUs = clock_.NowUs();
    if (result == MMSYSERR_NOERROR && !done) {
        midiOutReset(device_);
        if (!WaitUntilDone(header, clock_.NowUs() + kBufferReturnUs)) {
            abandoned_.push_back(std::move(buffer));
            return false;
        }
    }
    midiOutUnprepareHeader(device_, &header, sizeof header);
    if (!done) return false;
    if (lyra::IsResetMessage(buffer->bytes.data(), message.size)) quietUntilUs_ = doneUs + lyra::kResetPauseUs;
    return true;
}

bool MidiOutput::WaitUntilDone(MIDIHDR& header, std::int64_t deadlineUs) {
    while (!IsDone(header)) {
        if (clock_.NowUs() >= deadlineUs) return false;
        WaitForSingleObject(doneEvent_, 1);
    }
    return true;
}

// What was queued is dropped and the device reset: a driver turns off every note it sounds on a
// reset, so a refused note off leaves nothing hanging.
void MidiOutput::Fail() {
    {
        ExclusiveLock hold(queueLock_);
        failure_ = kEngineDeviceRefused;
        handedTotal_ += queue_.size();
        queue_.clear();
        queuedBytes_ = 0;
        WakeAllConditionVariable(&handed_);
    }
    midiOutReset(device_);
}

void MidiOutput::FinishAbandonedBuffers() {
    std::int64_t deadlineUs = clock_.NowUs() + kBufferReturnUs;
    for (auto it = abandoned_.begin(); it != abandoned_.end();) {
        if (!WaitUntilDone((*it)->header, deadlineUs)) return;
        midiOutUnprepareHeader(device_, &(*it)->header, sizeof(*it)->header);
        it = abandoned_.erase(it);
    }
}
