#include "engine/sequencer.h"

#include "engine/channel_state.h"

#include <algorithm>
#include <limits>

namespace lyra {
namespace {

std::uint32_t ClampedTenths(std::int64_t tenths) {
    return static_cast<std::uint32_t>(std::min<std::int64_t>(tenths, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

void Sequencer::Load(Song song) {
    Stop();
    song_ = std::move(song);
    hasSong_ = true;
    positionUs_ = 0;
    cursor_ = 0;
}

bool Sequencer::Start() {
    if (!hasSong_) return false;
    if (playing_) Stop();
    if (positionUs_ > 0 && stateSentAtStart_) {
        for (const MidiMessage& message : StateMessagesAt(song_, positionUs_)) Send(message.data(), message.size());
    }
    Begin();
    return true;
}

void Sequencer::Begin() {
    auto first = std::lower_bound(song_.events.begin(), song_.events.end(), positionUs_,
                                  [](const SongEvent& event, std::int64_t time) { return event.timeUs < time; });
    cursor_ = static_cast<std::size_t>(first - song_.events.begin());
    startClockUs_ = clock_.NowUs() - positionUs_;
    playing_ = true;
}

void Sequencer::Stop() {
    if (playing_) positionUs_ = SongTimeNow();
    playing_ = false;
    SendSilence();
}

void Sequencer::Seek(std::uint32_t tenths) {
    bool wasPlaying = playing_;
    if (wasPlaying) Stop();
    positionUs_ = std::min<std::int64_t>(std::int64_t{tenths} * kUsPerTenth, song_.lengthUs);
    if (wasPlaying) Start();
}

std::int64_t Sequencer::Pump() {
    if (!playing_) return -1;
    std::int64_t now = SongTimeNow();
    while (cursor_ < song_.events.size() && song_.events[cursor_].timeUs <= now) {
        const SongEvent& event = song_.events[cursor_++];
        Send(song_.Message(event), event.size);
    }
    if (cursor_ < song_.events.size()) return song_.events[cursor_].timeUs - now;
    if (now < song_.lengthUs) return song_.lengthUs - now;
    playing_ = false;
    positionUs_ = song_.lengthUs;
    SendSilence();
    return -1;
}

void Sequencer::SendReset(ResetKind kind) {
    std::span<const std::uint8_t> message = ResetMessage(kind);
    sink_.Send(message.data(), message.size());
}

std::uint32_t Sequencer::PositionTenths() const {
    std::int64_t position = playing_ ? std::min(SongTimeNow(), song_.lengthUs) : positionUs_;
    return ClampedTenths(std::max<std::int64_t>(position, 0) / kUsPerTenth);
}

// Rounded up, so that every position reached lies within the length.
std::uint32_t Sequencer::LengthTenths() const {
    return ClampedTenths((song_.lengthUs + kUsPerTenth - 1) / kUsPerTenth);
}

std::int64_t Sequencer::SongTimeNow() const { return clock_.NowUs() - startClockUs_; }

void Sequencer::Send(const std::uint8_t* bytes, std::size_t size) {
    sink_.Send(bytes, size);
    soundSinceSilence_ = true;
}

void Sequencer::SendSilence() {
    if (!soundSinceSilence_) return;
    for (const MidiMessage& message : SilenceMessages()) sink_.Send(message.data(), message.size());
    soundSinceSilence_ = false;
}

}  // namespace lyra
