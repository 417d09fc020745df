#include "engine/channel_state.h"
#include "engine/sequencer.h"
#include "engine/smf_reader.h"
#include "tests/common/song_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

lyra::Song ReadImage(const Bytes& image) {
    lyra::Song song;
    EXPECT_EQ(lyra::ReadSong(image.data(), image.size(), song), lyra::ReadResult::ok);
    return song;
}

// Volume 100 and pan 64 on every channel from `first` on: the state of a channel the song left alone.
void AppendBareChannels(std::vector<Bytes>& messages, std::uint8_t first) {
    for (std::uint8_t channel = first; channel < 16; ++channel) {
        messages.push_back({static_cast<std::uint8_t>(0xB0 | channel), 7, 100});
        messages.push_back({static_cast<std::uint8_t>(0xB0 | channel), 10, 64});
    }
}

std::vector<Bytes> StateAt(const lyra::Song& song, std::int64_t timeUs) { return lyra::StateMessagesAt(song, timeUs); }

const Bytes kGsReset = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};

// 96 ticks a quarter at 120 bpm: 96 ticks are 0.5 s.
const Bytes kSetupTrack = Track({
    {0x00, 0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},  // GS reset
    {0x00, 0xB0, 0x07, 0x50},                                                        // volume 80
    {0x00, 0xB0, 0x00, 0x08},                                                        // bank 8
    {0x00, 0xC0, 0x05},                                                              // program 5
    {0x00, 0xB0, 0x65, 0x00},                                                        // RPN 0/0: pitch-bend range
    {0x00, 0xB0, 0x64, 0x00},
    {0x00, 0xB0, 0x06, 0x0C},  // 12 semitones
    {0x00, 0xB0, 0x65, 0x7F},  // RPN null
    {0x00, 0xB0, 0x64, 0x7F},
    {0x00, 0xB0, 0x06, 0x02},  // data entry on the null parameter: ignored
    {0x00, 0x90, 0x3C, 0x64},  // a note: not part of the state
    {0x10, 0xB0, 0x07, 0x60},  // volume 96: the last value counts
    {0x00, 0xE0, 0x00, 0x50},  // pitch bend
    {0x00, 0xB0, 0x01, 0x40},  // modulation
    {0x00, 0xC3, 0x30},        // channel 4: program 48
    {0x00, 0xB3, 0x0A, 0x20},  // channel 4: pan
    {0x60, 0xB0, 0x07, 0x7F},  // 112 ticks: after the seek below
    {0x00, 0xFF, 0x2F, 0x00},
});

TEST(EngineSeekState, SendsSysExThenEachChannelsStateInOrder) {
    lyra::Song song = ReadImage(Smf(0, 96, {kSetupTrack}));
    std::vector<Bytes> expected = {
        kGsReset,           {0xB0, 0x00, 0x08}, {0xC0, 0x05},       {0xB0, 0x01, 0x40},
        {0xB0, 0x07, 0x60}, {0xB0, 0x0A, 64},                        // pan: the default
        {0xB0, 0x65, 0x00}, {0xB0, 0x64, 0x00}, {0xB0, 0x06, 0x0C},  // the range, set again
        {0xB0, 0x65, 0x7F}, {0xB0, 0x64, 0x7F},                      // the selection the song left
        {0xE0, 0x00, 0x50}, {0xB1, 7, 100},     {0xB1, 10, 64},     {0xB2, 7, 100},
        {0xB2, 10, 64},     {0xC3, 0x30},       {0xB3, 7, 100},     {0xB3, 0x0A, 0x20},
    };
    AppendBareChannels(expected, 4);
    EXPECT_EQ(StateAt(song, 100 * 5208), expected);  // 100 ticks
}

TEST(EngineSeekState, TakesOnlyWhatCameBeforeThePosition) {
    lyra::Song song = ReadImage(Smf(0, 96, {kSetupTrack}));
    std::vector<Bytes> atStart;
    AppendBareChannels(atStart, 0);
    EXPECT_EQ(StateAt(song, 0), atStart);
    // At 16 ticks the second volume, the bend and what follows have not come yet.
    std::vector<Bytes> early = StateAt(song, 16 * 5208 + 1);
    EXPECT_NE(std::find(early.begin(), early.end(), Bytes{0xB0, 0x07, 0x50}), early.end());
    EXPECT_EQ(std::find(early.begin(), early.end(), Bytes{0xB0, 0x07, 0x60}), early.end());
    EXPECT_EQ(std::find(early.begin(), early.end(), Bytes{0xE0, 0x00, 0x50}), early.end());
}

TEST(EngineSeekState, ResetAllControllersForgetsBendAndModulationButKeepsVolume) {
    const Bytes track = Track({
        {0x00, 0xB5, 0x07, 0x40},  // volume
        {0x00, 0xB5, 0x01, 0x30},  // modulation
        {0x00, 0xB5, 0x40, 0x7F},  // sustain
        {0x00, 0xE5, 0x00, 0x60},  // bend
        {0x00, 0xB5, 0x79, 0x00},  // Reset All Controllers
        {0x00, 0xB5, 0x0B, 0x70},  // expression after it
        {0x60, 0xFF, 0x2F, 0x00},
    });
    lyra::Song song = ReadImage(Smf(0, 96, {track}));
    std::vector<Bytes> expected;
    AppendBareChannels(expected, 0);
    expected.resize(10);  // channels 1 to 5; channel 6 is the one under test
    expected.push_back({0xB5, 0x07, 0x40});
    expected.push_back({0xB5, 0x0A, 64});
    expected.push_back({0xB5, 0x0B, 0x70});
    AppendBareChannels(expected, 6);
    EXPECT_EQ(StateAt(song, 1), expected);
}

TEST(EngineSeekState, KeepsEachParameterItsOwnData) {
    const Bytes track = Track({
        {0x00, 0xB2, 0x65, 0x00},  // RPN 0/0
        {0x00, 0xB2, 0x64, 0x00},
        {0x00, 0xB2, 0x06, 0x02},
        {0x00, 0xB2, 0x63, 0x01},  // NRPN 1/8 (vibrato rate)
        {0x00, 0xB2, 0x62, 0x08},
        {0x00, 0xB2, 0x06, 0x50},
        {0x00, 0xB2, 0x65, 0x00},  // RPN 0/1: fine tuning
        {0x00, 0xB2, 0x64, 0x01},
        {0x00, 0xB2, 0x06, 0x40},
        {0x00, 0xB2, 0x26, 0x10},
        {0x00, 0xB2, 0x64, 0x00},  // back to 0/0
        {0x00, 0xB2, 0x06, 0x0C},  // the range again
        {0x60, 0xFF, 0x2F, 0x00},
    });
    lyra::Song song = ReadImage(Smf(0, 96, {track}));
    std::vector<Bytes> expected;
    AppendBareChannels(expected, 0);
    expected.resize(4);
    const std::vector<Bytes> channelThree = {
        {0xB2, 7, 100},     {0xB2, 10, 64},     {0xB2, 0x65, 0x00}, {0xB2, 0x64, 0x00}, {0xB2, 0x06, 0x0C},
        {0xB2, 0x63, 0x01}, {0xB2, 0x62, 0x08}, {0xB2, 0x06, 0x50}, {0xB2, 0x65, 0x00}, {0xB2, 0x64, 0x01},
        {0xB2, 0x06, 0x40}, {0xB2, 0x26, 0x10}, {0xB2, 0x65, 0x00}, {0xB2, 0x64, 0x00},
    };
    expected.insert(expected.end(), channelThree.begin(), channelThree.end());
    AppendBareChannels(expected, 3);
    EXPECT_EQ(StateAt(song, 1), expected);
}

TEST(EngineSeekState, AResetInTheSongForgetsWhatCameBeforeIt) {
    const Bytes track = Track({
        {0x00, 0xB1, 0x01, 0x30},                     // modulation
        {0x00, 0xC1, 0x10},                           // program
        {0x00, 0xD1, 0x40},                           // pressure
        {0x00, 0xF0, 0x0A},                           // GS reset: the lead and the length,
        Bytes(kGsReset.begin() + 1, kGsReset.end()),  // then the bytes after the lead
        {0x00, 0xB1, 0x0B, 0x50},                     // expression
        {0x00, 0xD1, 0x22},                           // pressure
        {0x60, 0xFF, 0x2F, 0x00},
    });
    lyra::Song song = ReadImage(Smf(0, 96, {track}));
    std::vector<Bytes> expected = {kGsReset};
    AppendBareChannels(expected, 0);
    expected.insert(expected.begin() + 3, {{0xB1, 7, 100}, {0xB1, 10, 64}, {0xB1, 0x0B, 0x50}, {0xD1, 0x22}});
    expected.erase(expected.begin() + 7, expected.begin() + 9);  // channel 2's bare defaults, now above
    EXPECT_EQ(StateAt(song, 1), expected);
}

// A divided message (F0 packet, F7 continuations) counts only when its last packet came before.
TEST(EngineSeekState, TakesADividedMessageWholeOrNotAtAll) {
    const Bytes track = Track({
        {0x00, 0xF0, 0x03, 0x43, 0x10, 0x4C},  // the first packet, no F7
        {0x10, 0xF7, 0x02, 0x00, 0x00},        // 16 ticks: a continuation
        {0x10, 0xF7, 0x03, 0x7E, 0x00, 0xF7},  // 32 ticks: the last packet
        {0x10, 0xF7, 0x02, 0x01, 0x02},        // 48 ticks: an escape, not part of any message
        {0x60, 0xFF, 0x2F, 0x00},
    });
    lyra::Song song = ReadImage(Smf(0, 96, {track}));
    std::vector<Bytes> bare;
    AppendBareChannels(bare, 0);
    EXPECT_EQ(StateAt(song, 20 * 5208), bare);  // cut in the middle: none of it
    std::vector<Bytes> whole = {{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}};  // put together
    whole.insert(whole.end(), bare.begin(), bare.end());
    EXPECT_EQ(StateAt(song, 60 * 5208), whole);
    std::vector<lyra::OwnedEvent> events = lyra::CollectEvents(song);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].kind, lyra::EventKind::sysExStart);
    EXPECT_EQ(events[1].kind, lyra::EventKind::sysExPart);
    EXPECT_EQ(events[2].kind, lyra::EventKind::sysExEnd);
    EXPECT_EQ(events[3].kind, lyra::EventKind::escape);
}

// The system exclusive of a chase: what the receiver still needs at the target, in the song's order.
TEST(EngineSeekState, KeepsOnlyTheSystemExclusiveTheReceiverStillNeeds) {
    const Bytes partLevel1 = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x19, 0x50, 0x46, 0xF7};
    const Bytes partLevel2 = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x19, 0x64, 0x32, 0xF7};
    const Bytes reverb = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x33, 0x40, 0x4C, 0xF7};
    const Bytes xgVolume1 = {0xF0, 0x43, 0x10, 0x4C, 0x08, 0x00, 0x0B, 0x40, 0xF7};
    const Bytes xgVolume2 = {0xF0, 0x43, 0x10, 0x4C, 0x08, 0x00, 0x0B, 0x7F, 0xF7};
    const Bytes masterVolume = {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x60, 0xF7};
    const Bytes other = {0xF0, 0x7D, 0x01, 0xF7};
    const struct {
        const char* name;
        std::vector<Bytes> song;
        std::vector<Bytes> state;
    } rows[] = {
        {"a later write to the same address", {partLevel1, reverb, partLevel2}, {reverb, partLevel2}},
        {"XG and master volume", {xgVolume1, masterVolume, xgVolume2, masterVolume}, {xgVolume2, masterVolume}},
        {"a reset", {partLevel1, other, kGsReset, reverb}, {kGsReset, reverb}},
        {"messages that write to no address", {other, other}, {other, other}},
    };
    for (const auto& row : rows) {
        Bytes events;
        for (const Bytes& message : row.song) {
            events = Join({events,
                           {0x00, 0xF0},
                           VarLen(static_cast<std::uint32_t>(message.size() - 1)),
                           Bytes(message.begin() + 1, message.end())});
        }
        events = Join({events, {0x60, 0xFF, 0x2F, 0x00}});
        std::vector<Bytes> sysEx;
        for (const Bytes& message : StateAt(ReadImage(Smf(0, 96, {Track(events)})), 1)) {
            if (message[0] == 0xF0) sysEx.push_back(message);
        }
        EXPECT_EQ(sysEx, row.state) << row.name;
    }
}

// Two tracks with a divided message open at once: each is put together on its own.
TEST(EngineSeekState, PutsTogetherEachTracksDividedMessage) {
    const Bytes first = Track({
        {0x00, 0xF0, 0x03, 0x41, 0x10, 0x42},                          // Roland's first packet
        {0x20, 0xF7, 0x07, 0x12, 0x40, 0x01, 0x33, 0x40, 0x4C, 0xF7},  // 32 ticks: its end (reverb)
        {0x60, 0xFF, 0x2F, 0x00},
    });
    const Bytes second = Track({
        {0x10, 0xF0, 0x03, 0x43, 0x10, 0x4C},              // 16 ticks: Yamaha's first packet
        {0x20, 0xF7, 0x05, 0x08, 0x00, 0x0B, 0x40, 0xF7},  // 48 ticks: its end (part volume)
        {0x60, 0xFF, 0x2F, 0x00},
    });
    std::vector<Bytes> state = StateAt(ReadImage(Smf(1, 96, {first, second})), 60 * 5208);
    ASSERT_GE(state.size(), 2u);
    EXPECT_EQ(state[0], (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x33, 0x40, 0x4C, 0xF7}));
    EXPECT_EQ(state[1], (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x00, 0x0B, 0x40, 0xF7}));
}

class SteppedClock final : public lyra::Clock {
public:
    std::int64_t NowUs() const override { return now; }
    std::int64_t now = 0;
};

struct TimedMessage {
    std::int64_t us;
    Bytes bytes;
};

class RecordingSink final : public lyra::MidiSink {
public:
    explicit RecordingSink(const lyra::Clock& clock) : clock_(clock) {}
    void Send(const std::uint8_t* bytes, std::size_t size) override {
        sent.emplace_back(bytes, bytes + size);
        timed.push_back({clock_.NowUs(), sent.back()});
    }
    std::vector<Bytes> sent;
    std::vector<TimedMessage> timed;

private:
    const lyra::Clock& clock_;
};

class EngineSeekRun : public ::testing::Test {
protected:
    // What the load itself sends (the first clean state) is left out of what the tests look at.
    void Load(const Bytes& image) {
        sequencer.Load(ReadImage(image));
        sink.sent.clear();
        sink.timed.clear();
    }
    std::vector<Bytes> FirstSent(std::size_t count) const {
        return std::vector<Bytes>(sink.sent.begin(), sink.sent.begin() + std::min(count, sink.sent.size()));
    }
    // Pumps, letting the clock run to each wake-up, until `count` messages were sent or the song ended.
    void PumpUntil(std::size_t count) {
        for (std::int64_t wait = sequencer.Pump(); wait >= 0 && sink.sent.size() < count; wait = sequencer.Pump()) {
            clock.now += wait;
        }
    }

    SteppedClock clock;
    RecordingSink sink{clock};
    lyra::Sequencer sequencer{clock, sink};
};

TEST_F(EngineSeekRun, StartFromAPositionSendsTheStateThenTheEventsFromThere) {
    Load(Smf(0, 96, {kSetupTrack}));
    sequencer.Seek(1);  // 0.1 s: 19.2 ticks, after the first volume, before the bend
    sink.sent.clear();
    ASSERT_TRUE(sequencer.Start());
    EXPECT_TRUE(sink.sent.empty());  // the engine's thread sends it, not the caller
    std::vector<Bytes> expected = StateAt(ReadImage(Smf(0, 96, {kSetupTrack})), 100000);
    ASSERT_GT(expected.size(), 16u);
    expected.push_back({0xB0, 0x07, 0x7F});  // the first event at the target
    PumpUntil(expected.size());
    EXPECT_EQ(FirstSent(expected.size()), expected);
}

TEST_F(EngineSeekRun, PausesAfterEveryResetOfTheChaseAndOfTheSong) {
    Load(Smf(0, 96, {kSetupTrack}));
    sequencer.Seek(1);
    sink.timed.clear();
    sequencer.Start();
    PumpUntil(1000);
    ASSERT_GE(sink.timed.size(), 2u);
    ASSERT_EQ(sink.timed[0].bytes, kGsReset);
    EXPECT_GE(sink.timed[1].us - sink.timed[0].us, lyra::kResetPauseUs);

    sink.timed.clear();
    sequencer.Seek(0);
    sequencer.Start();
    PumpUntil(1000);
    int reset = -1;
    for (std::size_t i = 0; i < sink.timed.size(); ++i) {
        if (sink.timed[i].bytes == kGsReset) reset = static_cast<int>(i);
    }
    ASSERT_GE(reset, 0);
    ASSERT_LT(reset + 1, static_cast<int>(sink.timed.size()));
    EXPECT_EQ(sink.timed[reset + 1].bytes, (Bytes{0xB0, 0x07, 0x50}));  // the song's next event
    EXPECT_GE(sink.timed[reset + 1].us - sink.timed[reset].us, lyra::kResetPauseUs);
}

TEST_F(EngineSeekRun, AResetCommandHoldsTheNextPlayBack) {
    Load(Smf(0, 96,
             {
                 Track({
                     {0x00, 0x90, 0x3C, 0x64},  // note on C4
                     {0x60, 0xFF, 0x2F, 0x00},  // end of track
                 }),
             }));
    sequencer.SendReset(lyra::ResetKind::xg);
    sequencer.Start();
    PumpUntil(100);
    ASSERT_GE(sink.timed.size(), 2u);
    EXPECT_GE(sink.timed[1].us - sink.timed[0].us, lyra::kResetPauseUs);
}

TEST_F(EngineSeekRun, StateCanBeTurnedOffLeavingOnlyTheDefaults) {
    Load(Smf(0, 96, {kSetupTrack}));
    sequencer.SetStateSentAtStart(false);
    sequencer.Seek(1);
    sink.sent.clear();
    sequencer.Start();
    std::vector<Bytes> expected;
    AppendBareChannels(expected, 0);
    expected.push_back({0xB0, 0x07, 0x7F});  // the first event after the position
    PumpUntil(expected.size());
    EXPECT_EQ(FirstSent(expected.size()), expected);
}

// After a seek into a divided message, its remaining packets are not sent on their own.
TEST_F(EngineSeekRun, LeavesOutTheRestOfADividedMessageCutByTheSeek) {
    const Bytes track = Track({
        {0x00, 0xF0, 0x03, 0x43, 0x10, 0x4C},
        {0x60, 0xF7, 0x03, 0x7E, 0x00, 0xF7},  // 0.5 s: the last packet
        {0x00, 0x90, 0x3C, 0x64},
        {0x60, 0xFF, 0x2F, 0x00},
    });
    Load(Smf(0, 96, {track}));
    sequencer.Seek(2);
    sink.sent.clear();
    sequencer.Start();
    PumpUntil(1000);
    EXPECT_EQ(std::find(sink.sent.begin(), sink.sent.end(), Bytes{0x7E, 0x00, 0xF7}), sink.sent.end());
    EXPECT_NE(std::find(sink.sent.begin(), sink.sent.end(), Bytes{0x90, 0x3C, 0x64}), sink.sent.end());
}

}  // namespace
