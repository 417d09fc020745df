#include "engine/channel_state.h"
#include "engine/sequencer.h"
#include "engine/smf_reader.h"
#include "engine_test_song.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

lyra::Song ReadImage(const Bytes& image) {
    lyra::Song song;
    EXPECT_EQ(lyra::ReadSong(image.data(), image.size(), song), lyra::ReadResult::ok);
    return song;
}

// Reset All Controllers on every channel from `first` on, the part of the state that every seek sends.
void AppendBareChannels(std::vector<Bytes>& messages, std::uint8_t first) {
    for (std::uint8_t channel = first; channel < 16; ++channel) {
        messages.push_back({static_cast<std::uint8_t>(0xB0 | channel), 121, 0});
    }
}

// 96 ticks a quarter at 120 bpm: 96 ticks are 0.5 s.
const Bytes kSetupTrack = {
    0x00, 0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7,  // GS reset
    0x00, 0xB0, 0x07, 0x50,        // volume 80
    0x00, 0xB0, 0x00, 0x08,        // bank 8
    0x00, 0xC0, 0x05,              // program 5
    0x00, 0xB0, 0x65, 0x00,        // RPN 0/0: pitch-bend range
    0x00, 0xB0, 0x64, 0x00,
    0x00, 0xB0, 0x06, 0x0C,        // 12 semitones
    0x00, 0xB0, 0x65, 0x7F,        // RPN null
    0x00, 0xB0, 0x64, 0x7F,
    0x00, 0xB0, 0x06, 0x02,        // data entry on the null parameter: ignored
    0x00, 0x90, 0x3C, 0x64,        // a note: not part of the state
    0x10, 0xB0, 0x07, 0x60,        // volume 96: the last value counts
    0x00, 0xE0, 0x00, 0x50,        // pitch bend
    0x00, 0xB0, 0x01, 0x40,        // modulation
    0x00, 0xC3, 0x30,              // channel 4: program 48
    0x00, 0xB3, 0x0A, 0x20,        // channel 4: pan
    0x60, 0xB0, 0x07, 0x7F,        // 112 ticks: after the seek below
    0x00, 0xFF, 0x2F, 0x00,
};

TEST(EngineSeekState, SendsSysExThenEachChannelsStateInOrder) {
    lyra::Song song = ReadImage(SmfImage(0, 96, {kSetupTrack}));
    std::vector<Bytes> expected = {
        {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},
        {0xB0, 121, 0},
        {0xB0, 0x00, 0x08},
        {0xC0, 0x05},
        {0xB0, 0x01, 0x40},
        {0xB0, 0x07, 0x60},
        {0xB0, 0x65, 0x00}, {0xB0, 0x64, 0x00}, {0xB0, 0x06, 0x0C},  // the range, set again
        {0xB0, 0x65, 0x7F}, {0xB0, 0x64, 0x7F},                      // the selection the song left
        {0xE0, 0x00, 0x50},
        {0xB1, 121, 0},
        {0xB2, 121, 0},
        {0xB3, 121, 0},
        {0xC3, 0x30},
        {0xB3, 0x0A, 0x20},
    };
    AppendBareChannels(expected, 4);
    EXPECT_EQ(lyra::StateMessagesAt(song, 100 * 5208), expected);  // 100 ticks
}

TEST(EngineSeekState, TakesOnlyWhatCameBeforeThePosition) {
    lyra::Song song = ReadImage(SmfImage(0, 96, {kSetupTrack}));
    std::vector<Bytes> atStart;
    AppendBareChannels(atStart, 0);
    EXPECT_EQ(lyra::StateMessagesAt(song, 0), atStart);
    // At 16 ticks the second volume, the bend and what follows have not come yet.
    std::vector<Bytes> early = lyra::StateMessagesAt(song, 16 * 5208 + 1);
    EXPECT_NE(std::find(early.begin(), early.end(), Bytes{0xB0, 0x07, 0x50}), early.end());
    EXPECT_EQ(std::find(early.begin(), early.end(), Bytes{0xB0, 0x07, 0x60}), early.end());
    EXPECT_EQ(std::find(early.begin(), early.end(), Bytes{0xE0, 0x00, 0x50}), early.end());
}

TEST(EngineSeekState, ResetAllControllersForgetsBendAndModulationButKeepsVolume) {
    const Bytes track = {
        0x00, 0xB5, 0x07, 0x40,  // volume
        0x00, 0xB5, 0x01, 0x30,  // modulation
        0x00, 0xB5, 0x40, 0x7F,  // sustain
        0x00, 0xE5, 0x00, 0x60,  // bend
        0x00, 0xB5, 0x79, 0x00,  // Reset All Controllers
        0x00, 0xB5, 0x0B, 0x70,  // expression after it
        0x60, 0xFF, 0x2F, 0x00,
    };
    lyra::Song song = ReadImage(SmfImage(0, 96, {track}));
    std::vector<Bytes> expected;
    AppendBareChannels(expected, 0);
    expected.resize(6);  // channels 1 to 6, the last being the one under test
    expected.push_back({0xB5, 0x07, 0x40});
    expected.push_back({0xB5, 0x0B, 0x70});
    for (std::uint8_t channel = 6; channel < 16; ++channel) expected.push_back({static_cast<std::uint8_t>(0xB0 | channel), 121, 0});
    EXPECT_EQ(lyra::StateMessagesAt(song, 1), expected);
}

TEST(EngineSeekState, KeepsEachParameterItsOwnData) {
    const Bytes track = {
        0x00, 0xB2, 0x65, 0x00, 0x00, 0xB2, 0x64, 0x00,  // RPN 0/0
        0x00, 0xB2, 0x06, 0x02,
        0x00, 0xB2, 0x63, 0x01, 0x00, 0xB2, 0x62, 0x08,  // NRPN 1/8 (vibrato rate)
        0x00, 0xB2, 0x06, 0x50,
        0x00, 0xB2, 0x65, 0x00, 0x00, 0xB2, 0x64, 0x01,  // RPN 0/1: fine tuning
        0x00, 0xB2, 0x06, 0x40, 0x00, 0xB2, 0x26, 0x10,
        0x00, 0xB2, 0x64, 0x00,                          // back to 0/0
        0x00, 0xB2, 0x06, 0x0C,                          // the range again
        0x60, 0xFF, 0x2F, 0x00,
    };
    lyra::Song song = ReadImage(SmfImage(0, 96, {track}));
    std::vector<Bytes> expected;
    AppendBareChannels(expected, 0);
    expected.resize(3);
    const std::vector<Bytes> channelThree = {
        {0xB2, 0x65, 0x00}, {0xB2, 0x64, 0x00}, {0xB2, 0x06, 0x0C},
        {0xB2, 0x63, 0x01}, {0xB2, 0x62, 0x08}, {0xB2, 0x06, 0x50},
        {0xB2, 0x65, 0x00}, {0xB2, 0x64, 0x01}, {0xB2, 0x06, 0x40}, {0xB2, 0x26, 0x10},
        {0xB2, 0x65, 0x00}, {0xB2, 0x64, 0x00},
    };
    expected.insert(expected.end(), channelThree.begin(), channelThree.end());
    AppendBareChannels(expected, 3);
    EXPECT_EQ(lyra::StateMessagesAt(song, 1), expected);
}

class SimulatedClock final : public lyra::Clock {
public:
    std::int64_t NowUs() const override { return 0; }
};

class RecordingSink final : public lyra::MidiSink {
public:
    void Send(const std::uint8_t* bytes, std::size_t size) override { sent.emplace_back(bytes, bytes + size); }
    std::vector<Bytes> sent;
};

TEST(EngineSeekState, StartFromAPositionSendsTheStateThenTheEventsFromThere) {
    SimulatedClock clock;
    RecordingSink sink;
    lyra::Sequencer sequencer(clock, sink);
    sequencer.Load(ReadImage(SmfImage(0, 96, {kSetupTrack})));
    sequencer.Seek(1);  // 0.1 s: 19.2 ticks, after the first volume, before the bend
    ASSERT_TRUE(sequencer.Start());
    std::vector<Bytes> expected = lyra::StateMessagesAt(ReadImage(SmfImage(0, 96, {kSetupTrack})), 100000);
    EXPECT_EQ(sink.sent, expected);
    ASSERT_GT(sink.sent.size(), 16u);
}

TEST(EngineSeekState, StartFromTheBeginningSendsNoState) {
    SimulatedClock clock;
    RecordingSink sink;
    lyra::Sequencer sequencer(clock, sink);
    sequencer.Load(ReadImage(SmfImage(0, 96, {kSetupTrack})));
    ASSERT_TRUE(sequencer.Start());
    EXPECT_TRUE(sink.sent.empty());
    sequencer.Pump();
    ASSERT_FALSE(sink.sent.empty());
    EXPECT_EQ(sink.sent[0], (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
}

TEST(EngineSeekState, StateCanBeTurnedOff) {
    SimulatedClock clock;
    RecordingSink sink;
    lyra::Sequencer sequencer(clock, sink);
    sequencer.Load(ReadImage(SmfImage(0, 96, {kSetupTrack})));
    sequencer.SetStateSentAtStart(false);
    sequencer.Seek(1);
    sequencer.Start();
    EXPECT_TRUE(sink.sent.empty());
}

}  // namespace
