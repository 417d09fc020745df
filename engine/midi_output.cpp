#include "engine/midi_output.h"

#include "engine/engine_exports.h"
#include "engine/midi_messages.h"

#include <algorithm>
#include <utility>

namespace {

// A driver that is not ready is asked again this often, for at most this long.
constexpr std::int64_t kRefusedRetryUs = 1000;
constexpr std::int64_t kRefusedForUs = 200000;
// A long message may take a slow port about 0.3 ms a byte, and a USB driver may report it late: a
// device gets two seconds and a millisecond a byte to report it done.
constexpr std::int64_t kLongDoneBaseUs = 2000000;
constexpr std::int64_t kLongDoneUsPerByte = 1000;
constexpr DWORD kBufferReturnMs = 200;  // after a reset, for the buffers to come back
constexpr int kCloseAttempts = 5;
constexpr DWORD kCloseRetryMs = 10;

bool IsDone(const MIDIHDR& header) { return (static_cast<const volatile DWORD&>(header.dwFlags) & MHDR_DONE) != 0; }

// What a call that worked before returns once its device has gone away (an unplugged interface).
bool IsGone(MMRESULT result) {
    return result == MMSYSERR_NODRIVER || result == MMSYSERR_INVALHANDLE || result == MIDIERR_NODEVICE;
}

DWORD Packed(const std::array<std::uint8_t, 3>& bytes) {
    return bytes[0] | (DWORD{bytes[1]} << 8) | (DWORD{bytes[2]} << 16);
}

}  // namespace

// Runs when the library leaves the process: an open device is left to the process's end (closing
// it under the loader's lock could hang), with its event and any buffer it still holds.
MidiOutput::~MidiOutput() {
    if (device_ == nullptr) return;
    static_cast<void>(out_.release());
    for (std::unique_ptr<LongBuffer>& buffer : abandoned_) static_cast<void>(buffer.release());
}

std::int32_t MidiOutput::Open(std::int32_t deviceId) {
    if (IsOpen()) return kEngineOk;
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (done == nullptr) return kEngineDeviceOpenFailed;
    HMIDIOUT device = nullptr;
    UINT id = deviceId == kMidiMapperDevice ? MIDI_MAPPER : static_cast<UINT>(deviceId);
    if (midiOutOpen(&device, id, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        CloseHandle(done);
        return kEngineDeviceOpenFailed;
    }
    device_ = device;
    doneEvent_ = done;
    quietUntilUs_ = 0;
    retryAtUs_ = 0;
    refusedSinceUs_ = -1;
    failure_ = kEngineOk;
    return kEngineOk;
}

void MidiOutput::Close() {
    if (device_ == nullptr) return;
    queue_.clear();
    if (out_ != nullptr) {
        TakeBackLong();
    } else {
        midiOutReset(device_);
    }
    ReturnAbandonedBuffers();
    MMRESULT closed = midiOutClose(device_);
    for (int attempt = 1; closed == MIDIERR_STILLPLAYING && attempt < kCloseAttempts; ++attempt) {
        Sleep(kCloseRetryMs);
        // Wine: winmm lets go of the handle at every close, even one its driver refused; a handle
        // that no longer answers the reset was let go. Windows keeps it for another try.
        if (midiOutReset(device_) == MMSYSERR_INVALHANDLE) {
            closed = MMSYSERR_NOERROR;
            break;
        }
        ReturnAbandonedBuffers();
        closed = midiOutClose(device_);
    }
    if (closed != MMSYSERR_NOERROR && !IsGone(closed)) return;
    device_ = nullptr;
    abandoned_.clear();  // a closed device holds no buffer
    CloseHandle(doneEvent_);
    doneEvent_ = nullptr;
}

void MidiOutput::Send(const std::uint8_t* bytes, std::size_t size) { Queue(bytes, size, false); }

void MidiOutput::SendSong(const std::uint8_t* bytes, std::size_t size) { Queue(bytes, size, true); }

void MidiOutput::Queue(const std::uint8_t* bytes, std::size_t size, bool ofSong) {
    if (size == 0 || device_ == nullptr || failure_ != kEngineOk) return;
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
    queue_.push_back(std::move(message));
}

void MidiOutput::DropSong() noexcept {
    std::erase_if(queue_, [](const Queued& message) { return message.ofSong; });
    if (out_ != nullptr) TakeBackLong();
}

std::int64_t MidiOutput::Flush() {
    while (device_ != nullptr) {
        std::int64_t now = clock_.NowUs();
        if (out_ != nullptr) {
            if (IsDone(out_->header)) {
                FinishLong(now);
            } else if (now < out_->deadlineUs) {
                return out_->deadlineUs - now;
            } else {
                Fail(kEngineDeviceRefused);  // it never reported the message done
            }
            continue;
        }
        if (queue_.empty()) return -1;
        std::int64_t readyUs = std::max(quietUntilUs_, retryAtUs_);
        if (now < readyUs) return readyUs - now;
        MMRESULT result = HandFront(now);
        if (result == MMSYSERR_NOERROR) {
            refusedSinceUs_ = -1;
        } else if (result == MIDIERR_NOTREADY) {
            if (refusedSinceUs_ < 0) refusedSinceUs_ = now;
            if (now - refusedSinceUs_ < kRefusedForUs) {
                retryAtUs_ = now + kRefusedRetryUs;
            } else {
                Fail(kEngineDeviceRefused);
            }
        } else if (IsGone(result)) {
            Fail(kEngineDeviceGone);
        } else {
            queue_.pop_front();  // a message this device cannot take at all is left out
        }
    }
    queue_.clear();
    return -1;
}

MMRESULT MidiOutput::HandFront(std::int64_t now) {
    Queued& message = queue_.front();
    if (!message.longBytes.empty()) return HandLong(message, now);
    MMRESULT result = midiOutShortMsg(device_, Packed(message.own));
    if (result == MMSYSERR_NOERROR) queue_.pop_front();
    return result;
}

// The device has the message until it reports it done: what follows must not overtake it, and a
// reset's pause counts from that report.
MMRESULT MidiOutput::HandLong(Queued& message, std::int64_t now) {
    auto buffer = std::make_unique<LongBuffer>();
    buffer->bytes = std::move(message.longBytes);
    MIDIHDR& header = buffer->header;
    header.lpData = reinterpret_cast<LPSTR>(buffer->bytes.data());
    header.dwBufferLength = message.size;
    header.dwBytesRecorded = message.size;
    MMRESULT result = midiOutPrepareHeader(device_, &header, sizeof header);
    if (result == MMSYSERR_NOERROR) {
        result = midiOutLongMsg(device_, &header, sizeof header);
        if (result != MMSYSERR_NOERROR) midiOutUnprepareHeader(device_, &header, sizeof header);
    }
    if (result != MMSYSERR_NOERROR) {
        message.longBytes = std::move(buffer->bytes);  // to be offered again, or dropped
        return result;
    }
    buffer->ofSong = message.ofSong;
    buffer->reset = lyra::IsResetMessage(buffer->bytes.data(), buffer->bytes.size());
    buffer->deadlineUs = now + kLongDoneBaseUs + kLongDoneUsPerByte * message.size;
    out_ = std::move(buffer);
    queue_.pop_front();
    return MMSYSERR_NOERROR;
}

void MidiOutput::FinishLong(std::int64_t now) {
    midiOutUnprepareHeader(device_, &out_->header, sizeof out_->header);
    if (out_->reset) quietUntilUs_ = now + lyra::kResetPauseUs;
    out_.reset();
}

// A reset hands the buffer back. One the device keeps even then is never freed under it.
void MidiOutput::TakeBackLong() noexcept {
    midiOutReset(device_);
    // A reset cut short may still have reached the receiver: its pause holds all the same.
    if (out_->reset) quietUntilUs_ = clock_.NowUs() + lyra::kResetPauseUs;
    if (WaitForReturn(out_->header, kBufferReturnMs)) {
        midiOutUnprepareHeader(device_, &out_->header, sizeof out_->header);
        out_.reset();
        return;
    }
    try {
        abandoned_.push_back(std::move(out_));
    } catch (...) {
        static_cast<void>(out_.release());
    }
}

// What was queued is dropped. A device that keeps refusing is reset: a driver turns off every note
// it sounds at a reset, so a refused note off leaves nothing hanging. One that has gone is closed.
void MidiOutput::Fail(std::int32_t failure) {
    failure_ = failure;
    queue_.clear();
    retryAtUs_ = 0;
    refusedSinceUs_ = -1;
    if (failure == kEngineDeviceGone) {
        Close();
    } else if (out_ != nullptr) {
        TakeBackLong();
    } else {
        midiOutReset(device_);
    }
}

bool MidiOutput::WaitForReturn(MIDIHDR& header, DWORD timeoutMs) const noexcept {
    DWORD start = GetTickCount();
    while (!IsDone(header)) {
        if (GetTickCount() - start >= timeoutMs) return false;
        WaitForSingleObject(doneEvent_, 1);
    }
    return true;
}

void MidiOutput::ReturnAbandonedBuffers() {
    for (auto it = abandoned_.begin(); it != abandoned_.end();) {
        if (!WaitForReturn((*it)->header, kBufferReturnMs)) return;
        midiOutUnprepareHeader(device_, &(*it)->header, sizeof(*it)->header);
        it = abandoned_.erase(it);
    }
}
