#include "engine/sequencer.h"

#include <algorithm>

namespace lyra {
namespace {

std::int64_t CeilDiv(std::int64_t value, std::int64_t divisor) { return value / divisor + (value % divisor != 0); }

StateMessage OwnMessage(const MidiMessage& bytes) {
    StateMessage message;
    message.size = static_cast<std::uint32_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), message.own.begin());
    return message;
}

}  // namespace

std::int64_t PositionUnitUs(std::int64_t lengthUs) {
    std::int64_t tenths = CeilDiv(std::max<std::int64_t>(lengthUs, 0), kUsPerTenth);
    if (tenths <= kLargestPosition) return kUsPerTenth;
    return CeilDiv(tenths, kLargestPosition) * kUsPerTenth;
}

void Sequencer::Load(Song song) {
    Stop();
    events_.reset();
    song_ = std::move(song);
    hasSong_ = true;
    positionUs_ = 0;
    unitUs_ = PositionUnitUs(song_.lengthUs);
}

bool Sequencer::Start() {
    if (!hasSong_) return false;
    if (Playing()) Stop();
    // The walk to the position is the chase: one pass over the events before it.
    events_ = std::make_unique<EventCursor>(song_);
    hasNext_ = events_->Next(next_);
    chaseOn_ = positionUs_ > 0 && stateSentAtStart_;
    chase_ = SongChase();
    state_.clear();
    stateNext_ = 0;
    whole_.Forget();
    phase_ = Phase::chasing;
    return true;
}

void Sequencer::Stop() {
    if (phase_ == Phase::playing) positionUs_ = std::clamp<std::int64_t>(SongTimeNow(), 0, song_.lengthUs);
    phase_ = Phase::stopped;
    state_ = {};
    whole_.Forget();
    SendSilence();
}

void Sequencer::Seek(std::uint32_t position) {
    bool wasPlaying = Playing();
    if (wasPlaying) Stop();
    std::int64_t units = std::min<std::int64_t>(position, Length());
    positionUs_ = std::min(units * unitUs_, song_.lengthUs);
    if (wasPlaying) Start();
}

std::int64_t Sequencer::Pump() {
    if (phase_ == Phase::stopped) return -1;
    std::int64_t now = clock_.NowUs();
    if (now < quietUntilUs_) return quietUntilUs_ - now;
    switch (phase_) {
        case Phase::chasing: return ChaseSome();
        case Phase::sendingState: return SendSomeState(now);
        case Phase::playing: return PlaySome(now);
        case Phase::stopped: break;
    }
    return -1;
}

// Walks the events before the position into the chase, a share at a time.
std::int64_t Sequencer::ChaseSome() {
    for (int taken = 0; hasNext_ && next_.timeUs < positionUs_; hasNext_ = events_->Next(next_)) {
        if (++taken > kChaseEventsPerPump) return 0;
        if (chaseOn_) chase_.Take(next_);
    }
    if (soundSinceSilence_) {
        for (const MidiMessage& message : SilenceMessages()) state_.push_back(OwnMessage(message));
    }
    std::vector<StateMessage> reached = chase_.TakeMessages();
    state_.insert(state_.end(), std::make_move_iterator(reached.begin()), std::make_move_iterator(reached.end()));
    chase_ = SongChase();
    soundSinceSilence_ = true;
    phase_ = Phase::sendingState;
    return 0;
}

std::int64_t Sequencer::SendSomeState(std::int64_t now) {
    for (int sent = 0; sent < kMessagesPerPump && stateNext_ < state_.size(); ++sent) {
        if (sink_.Backlogged()) return kBacklogWaitUs;
        if (SendStateMessage(state_[stateNext_++])) {
            quietUntilUs_ = clock_.NowUs() + kResetPauseUs;  // counted from when the reset went out
            return kResetPauseUs;
        }
    }
    if (stateNext_ < state_.size()) return 0;
    state_ = {};
    startClockUs_ = now - positionUs_;
    phase_ = Phase::playing;
    return 0;
}

std::int64_t Sequencer::PlaySome(std::int64_t now) {
    std::int64_t songNow = now - startClockUs_;
    for (int sent = 0; sent < kMessagesPerPump; ++sent) {
        if (!hasNext_ || next_.timeUs > songNow) break;
        bool reset = whole_.Take(next_, sink_);
        std::int64_t eventUs = next_.timeUs;
        hasNext_ = events_->Next(next_);
        if (reset) {
            // The song's clock waits out the reset's pause, so what follows keeps its spacing.
            std::int64_t sentUs = clock_.NowUs();
            startClockUs_ = sentUs + kResetPauseUs - eventUs;
            quietUntilUs_ = sentUs + kResetPauseUs;
            return kResetPauseUs;
        }
        if (sent + 1 == kMessagesPerPump) return 0;
    }
    if (hasNext_) return next_.timeUs - songNow;
    if (songNow < song_.lengthUs) return song_.lengthUs - songNow;
    phase_ = Phase::stopped;
    positionUs_ = song_.lengthUs;
    SendSilence();
    return -1;
}

// Sends one message of the state; true when it was a reset.
bool Sequencer::SendStateMessage(const StateMessage& message) {
    if (!message.IsSysEx()) {
        sink_.SendSong(message.own.data(), message.size);
        return false;
    }
    StateBytes(message, stateBytes_);
    if (!IsWholeSysEx(stateBytes_.data(), stateBytes_.size())) return false;
    sink_.SendSong(stateBytes_.data(), stateBytes_.size());
    return IsResetMessage(stateBytes_.data(), stateBytes_.size());
}

void Sequencer::SendReset(ResetKind kind) {
    std::span<const std::uint8_t> message = ResetMessage(kind);
    sink_.Send(message.data(), message.size());
    quietUntilUs_ = clock_.NowUs() + kResetPauseUs;
}

std::uint32_t Sequencer::Position() const {
    std::int64_t position = positionUs_;
    if (phase_ == Phase::playing) position = std::clamp<std::int64_t>(SongTimeNow(), 0, song_.lengthUs);
    return static_cast<std::uint32_t>(position / unitUs_);
}

// Rounded up, so that every position reached lies within the length.
std::uint32_t Sequencer::Length() const { return static_cast<std::uint32_t>(CeilDiv(song_.lengthUs, unitUs_)); }

std::int64_t Sequencer::SongTimeNow() const { return clock_.NowUs() - startClockUs_; }

void Sequencer::SendSilence() {
    if (!soundSinceSilence_) return;
    for (const MidiMessage& message : SilenceMessages()) sink_.Send(message.data(), message.size());
    soundSinceSilence_ = false;
}

}  // namespace lyra
