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

std::uint32_t LengthInUnits(std::int64_t lengthUs, std::int64_t unitUs) {
    return static_cast<std::uint32_t>(CeilDiv(lengthUs, unitUs));
}

std::int64_t SeekTargetUs(std::uint32_t position, std::int64_t lengthUs, std::int64_t unitUs) {
    std::int64_t units = std::min<std::int64_t>(position, LengthInUnits(lengthUs, unitUs));
    return std::min(units * unitUs, lengthUs);
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
    chase_ = std::make_unique<SongChase>();
    phase_ = Phase::chasing;
    return true;
}

void Sequencer::Stop() {
    if (phase_ == Phase::playing) positionUs_ = std::clamp<std::int64_t>(SongTimeNow(), 0, song_.lengthUs);
    EndRun();
    SendSilence();
}

void Sequencer::Abandon() noexcept {
    if (phase_ == Phase::playing) positionUs_ = std::clamp<std::int64_t>(SongTimeNow(), 0, song_.lengthUs);
    EndRun();
    soundSinceSilence_ = true;
}

void Sequencer::EndRun() noexcept {
    phase_ = Phase::stopped;
    chase_.reset();
    replay_.reset();
    state_ = {};
    stateNext_ = 0;
    whole_.Forget();
}

void Sequencer::Seek(std::uint32_t position) {
    bool wasPlaying = Playing();
    if (wasPlaying) Stop();
    positionUs_ = SeekTargetUs(position, song_.lengthUs, unitUs_);
    if (wasPlaying) Start();
}

std::int64_t Sequencer::Pump() {
    if (phase_ == Phase::stopped) return -1;
    if (pauseFromSink_) TakeSinksPause();
    std::int64_t now = clock_.NowUs();
    if (now < quietUntilUs_) return quietUntilUs_ - now;
    switch (phase_) {
        case Phase::chasing: return ChaseSome();
        case Phase::silencing:
        case Phase::restoring: return SendSomeState(now);
        case Phase::replaying: return ReplaySome();
        case Phase::playing: return PlaySome(now);
        case Phase::stopped: break;
    }
    return -1;
}

// Walks the events before the position into the chase, a share at a time.
std::int64_t Sequencer::ChaseSome() {
    for (int taken = 0; hasNext_ && next_.timeUs < positionUs_; hasNext_ = events_->Next(next_)) {
        if (++taken > kChaseEventsPerPump) return 0;
        if (chaseOn_) chase_->Take(next_);
    }
    if (soundSinceSilence_) {
        for (const MidiMessage& message : SilenceMessages()) state_.push_back(OwnMessage(message));
    }
    soundSinceSilence_ = true;
    stateNext_ = 0;
    phase_ = Phase::silencing;
    return 0;
}

// Sends a share of the clean state or of the channels' state. Once all of it is out (and, with a
// sink that finishes later, finished), the next stage begins.
std::int64_t Sequencer::SendSomeState(std::int64_t now) {
    if (stateNext_ < state_.size()) {
        for (int sent = 0; sent < kMessagesPerPump && stateNext_ < state_.size(); ++sent, ++stateNext_) {
            sink_.SendSong(state_[stateNext_].own.data(), state_[stateNext_].size);
        }
        return 0;
    }
    state_ = {};
    stateNext_ = 0;
    if (phase_ == Phase::silencing && chase_->HasSysEx()) {
        replay_ = std::make_unique<EventCursor>(song_);
        replayHasNext_ = replay_->Next(replayNext_);
        phase_ = Phase::replaying;
        return 0;
    }
    if (phase_ == Phase::silencing) {
        state_ = chase_->ChannelMessages();
        phase_ = Phase::restoring;
        return 0;
    }
    chase_.reset();
    startClockUs_ = now - positionUs_;
    phase_ = Phase::playing;
    return PlaySome(now);
}

// The chase's second walk: the system exclusive the state keeps, in the song's order.
std::int64_t Sequencer::ReplaySome() {
    int sent = 0;
    for (int walked = 0; replayHasNext_ && replayNext_.timeUs < positionUs_; ++walked) {
        if (walked == kChaseEventsPerPump || sent >= kMessagesPerPump) return 0;
        SongChase::Replayed replayed = chase_->Replay(replayNext_, sink_);
        replayHasNext_ = replay_->Next(replayNext_);
        sent += replayed.sent;
        if (replayed.reset) return BeginPause(-1);
    }
    replay_.reset();
    state_ = chase_->ChannelMessages();
    phase_ = Phase::restoring;
    return 0;
}

std::int64_t Sequencer::PlaySome(std::int64_t now) {
    std::int64_t songNow = now - startClockUs_;
    for (int sent = 0; sent < kMessagesPerPump; ++sent) {
        if (!hasNext_ || next_.timeUs > songNow) break;
        bool reset = whole_.Take(next_, sink_);
        std::int64_t eventUs = next_.timeUs;
        hasNext_ = events_->Next(next_);
        if (reset) return BeginPause(eventUs);
        if (sent + 1 == kMessagesPerPump) return 0;
    }
    if (hasNext_) return next_.timeUs - songNow;
    if (songNow < song_.lengthUs) return song_.lengthUs - songNow;
    positionUs_ = song_.lengthUs;
    EndRun();
    SendSilence();
    return -1;
}

// A reset just went out: nothing follows within its pause, and a song that plays (at `songUs`)
// takes the pause into its clock, so that what follows keeps its spacing.
std::int64_t Sequencer::BeginPause(std::int64_t songUs) {
    quietUntilUs_ = clock_.NowUs() + kResetPauseUs;
    pauseSongUs_ = songUs;
    if (songUs >= 0) startClockUs_ = quietUntilUs_ - songUs;
    pauseFromSink_ = true;
    return kResetPauseUs;
}

// A sink that finishes a reset later than it was given counts the pause from then.
void Sequencer::TakeSinksPause() {
    pauseFromSink_ = false;
    std::int64_t sinksEnd = sink_.QuietUntilUs();
    if (sinksEnd <= quietUntilUs_) return;
    quietUntilUs_ = sinksEnd;
    if (pauseSongUs_ >= 0 && phase_ == Phase::playing) startClockUs_ = quietUntilUs_ - pauseSongUs_;
}

void Sequencer::SendReset(ResetKind kind) {
    std::span<const std::uint8_t> message = ResetMessage(kind);
    sink_.Send(message.data(), message.size());
    BeginPause(phase_ == Phase::playing ? std::max<std::int64_t>(SongTimeNow(), 0) : -1);
}

std::int64_t Sequencer::PositionUs() const {
    if (phase_ == Phase::playing) return std::clamp<std::int64_t>(SongTimeNow(), 0, song_.lengthUs);
    return positionUs_;
}

std::uint32_t Sequencer::Position() const { return static_cast<std::uint32_t>(PositionUs() / unitUs_); }

std::uint32_t Sequencer::Length() const { return LengthInUnits(song_.lengthUs, unitUs_); }

std::int64_t Sequencer::SongTimeNow() const { return clock_.NowUs() - startClockUs_; }

void Sequencer::SendSilence() {
    if (!soundSinceSilence_) return;
    for (const MidiMessage& message : SilenceMessages()) sink_.Send(message.data(), message.size());
    soundSinceSilence_ = false;
}

}  // namespace lyra
