#include "engine/sequencer.h"

#include "engine/smf_reader.h"
#include "tests/common/song_builder.h"

#include <gtest/gtest.h>

namespace {

using lyra::Sequencer;

class SimulatedClock final : public lyra::Clock {
public:
    std::int64_t NowUs() const override { return now_; }
    void Advance(std::int64_t us) { now_ += us; }

private:
    std::int64_t now_ = 7000000;  // any origin
};

struct SentMessage {
    std::int64_t clockUs;
    Bytes bytes;
};

class RecordingSink final : public lyra::MidiSink {
public:
    explicit RecordingSink(const lyra::Clock& clock) : clock_(clock) {}
    void Send(const std::uint8_t* bytes, std::size_t size) override {
        sent.push_back({clock_.NowUs(), Bytes(bytes, bytes + size)});
    }
    std::vector<Bytes> BytesOnly() const {
        std::vector<Bytes> result;
        for (const SentMessage& message : sent) result.push_back(message.bytes);
        return result;
    }
    std::vector<SentMessage> sent;

private:
    const lyra::Clock& clock_;
};

// 480 ticks a quarter; 500000 us a quarter until 960, then 250000.
const Bytes kTempoTrack = Track({
    {0x00, 0x90, 0x3C, 0x64},                          // 0
    {0x83, 0x60, 0x80, 0x3C, 0x00},                    // 480: 0.5 s
    {0x83, 0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90},  // 960: 1.0 s, tempo 250000
    {0x83, 0x60, 0x90, 0x3E, 0x64},                    // 1440: 1.25 s
    {0x81, 0x70, 0x80, 0x3E, 0x00},                    // 1680: 1.375 s
    {0x81, 0x70, 0xFF, 0x2F, 0x00},                    // 1920: end, 1.5 s
});

// The clean state of a stop, channel by channel.
std::vector<Bytes> Silence() {
    std::vector<Bytes> messages;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        const auto control = static_cast<std::uint8_t>(0xB0 | channel);
        const std::vector<Bytes> one = {
            {control, 120, 0}, {control, 121, 0},  {control, 123, 0},
            {control, 64, 0},  {control, 66, 0},   {control, 67, 0},
            {control, 1, 0},   {control, 11, 127}, {static_cast<std::uint8_t>(0xE0 | channel), 0, 0x40}};
        messages.insert(messages.end(), one.begin(), one.end());
    }
    return messages;
}

bool IsDefault(const Bytes& message) {
    return message.size() == 3 && (message[0] & 0xF0) == 0xB0 &&
           ((message[1] == 7 && message[2] == 100) || (message[1] == 10 && message[2] == 64));
}

class EngineSequencer : public ::testing::Test {
protected:
    // The first load leaves the device clean; the tests look at what comes after.
    void Load(const Bytes& image) {
        lyra::Song song;
        ASSERT_EQ(lyra::ReadSong(image.data(), image.size(), song), lyra::ReadResult::ok);
        sequencer.Load(std::move(song));
        sink.sent.clear();
    }

    // Pumps while something is due now (the state a start sends first); the wait that follows.
    std::int64_t PumpWhileDue() {
        std::int64_t wait = sequencer.Pump();
        while (wait == 0) wait = sequencer.Pump();
        return wait;
    }

    // What was sent, without the volume and pan defaults of each start.
    std::vector<SentMessage> SongSent() const {
        std::vector<SentMessage> result;
        for (const SentMessage& message : sink.sent) {
            if (!IsDefault(message.bytes)) result.push_back(message);
        }
        return result;
    }
    std::vector<Bytes> SongBytes() const {
        std::vector<Bytes> result;
        for (const SentMessage& message : SongSent()) result.push_back(message.bytes);
        return result;
    }

    // Lets the clock run exactly to each time the sequencer asks to be woken, until the song ends.
    void RunToEnd() {
        for (std::int64_t wait = sequencer.Pump(); wait >= 0; wait = sequencer.Pump()) clock.Advance(wait);
    }

    SimulatedClock clock;
    RecordingSink sink{clock};
    Sequencer sequencer{clock, sink};
};

TEST_F(EngineSequencer, SendsEachEventAtItsTimeAcrossTempoChanges) {
    Load(Smf(0, 480, {kTempoTrack}));
    std::int64_t start = clock.NowUs();
    ASSERT_TRUE(sequencer.Start());
    RunToEnd();
    std::vector<SentMessage> sent = SongSent();
    ASSERT_GE(sent.size(), 4u);
    const std::int64_t expectedTimes[] = {0, 500000, 1250000, 1375000};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(sent[i].clockUs - start, expectedTimes[i]) << i;
    EXPECT_FALSE(sequencer.Playing());
    EXPECT_EQ(clock.NowUs() - start, 1500000);  // it plays on to the end of the track
}

TEST_F(EngineSequencer, SendsNothingBeforeItsTime) {
    Load(Smf(0, 480, {kTempoTrack}));
    sequencer.Start();
    EXPECT_EQ(PumpWhileDue(), 500000);
    EXPECT_EQ(SongSent().size(), 1u);
    clock.Advance(499999);
    EXPECT_EQ(sequencer.Pump(), 1);
    EXPECT_EQ(SongSent().size(), 1u);
    clock.Advance(1);
    sequencer.Pump();
    EXPECT_EQ(SongSent().size(), 2u);
}

TEST_F(EngineSequencer, SilencesEveryChannelWhenTheSongEnds) {
    Load(Smf(0, 480, {kTempoTrack}));
    sequencer.Start();
    RunToEnd();
    std::vector<Bytes> expected = {{0x90, 0x3C, 0x64}, {0x80, 0x3C, 0x00}, {0x90, 0x3E, 0x64}, {0x80, 0x3E, 0x00}};
    for (const Bytes& message : Silence()) expected.push_back(message);
    EXPECT_EQ(SongBytes(), expected);
    EXPECT_EQ(sequencer.Pump(), -1);
}

struct PositionCase {
    std::int64_t elapsedUs;
    std::uint32_t position;
};

TEST_F(EngineSequencer, ReportsPositionAndLengthInTenths) {
    Load(Smf(0, 480, {kTempoTrack}));
    EXPECT_EQ(sequencer.Length(), 15u);
    sequencer.Start();
    PumpWhileDue();
    const PositionCase cases[] = {{0, 0}, {99999, 0}, {100000, 1}, {1250000, 12}, {1499999, 14}};
    std::int64_t elapsed = 0;
    for (const PositionCase& c : cases) {
        clock.Advance(c.elapsedUs - elapsed);
        elapsed = c.elapsedUs;
        sequencer.Pump();
        EXPECT_TRUE(sequencer.Playing());
        EXPECT_EQ(sequencer.Position(), c.position) << c.elapsedUs;
    }
    clock.Advance(1);
    sequencer.Pump();
    EXPECT_FALSE(sequencer.Playing());
    EXPECT_EQ(sequencer.Position(), 15u);
}

TEST_F(EngineSequencer, RoundsTheLengthUpToTheNextTenth) {
    // 0x4F1 ticks at 96 a quarter and 120 bpm: 6.588 s.
    Load(Smf(0, 96,
             {
                 Track({
                     {0x89, 0x71, 0xFF, 0x2F, 0x00},  // end of track at 0x4F1
                 }),
             }));
    EXPECT_EQ(sequencer.Length(), 66u);
}

TEST_F(EngineSequencer, StopKeepsThePositionAndSilencesOnce) {
    Load(Smf(0, 480, {kTempoTrack}));
    sequencer.Start();
    PumpWhileDue();
    clock.Advance(700000);
    sequencer.Pump();
    sink.sent.clear();
    sequencer.Stop();
    EXPECT_FALSE(sequencer.Playing());
    EXPECT_EQ(sequencer.Position(), 7u);
    EXPECT_EQ(sink.BytesOnly(), Silence());
    sequencer.Stop();
    EXPECT_EQ(sink.sent.size(), Silence().size());
    clock.Advance(5000000);
    EXPECT_EQ(sequencer.Position(), 7u);
    EXPECT_EQ(sequencer.Pump(), -1);
}

TEST_F(EngineSequencer, TheFirstLoadLeavesACleanStateAndAStopAfterItSendsNothing) {
    lyra::Song song;
    const Bytes image = Smf(0, 480, {kTempoTrack});
    ASSERT_EQ(lyra::ReadSong(image.data(), image.size(), song), lyra::ReadResult::ok);
    sequencer.Load(std::move(song));
    EXPECT_EQ(sink.BytesOnly(), Silence());
    sink.sent.clear();
    sequencer.Stop();
    EXPECT_TRUE(sink.sent.empty());
}

// A stop leaves every channel clean, and the next start sends the defaults before the song, so
// nothing of the last run carries over.
TEST_F(EngineSequencer, EveryStartBeginsFromTheCleanStateWithVolumeAndPanDefaults) {
    Load(Smf(0, 480, {kTempoTrack}));
    sequencer.Start();
    PumpWhileDue();
    sequencer.Stop();
    sink.sent.clear();
    sequencer.Seek(0);
    sequencer.Start();
    PumpWhileDue();
    std::vector<Bytes> sent = sink.BytesOnly();
    ASSERT_EQ(sent.size(), 33u);
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        EXPECT_EQ(sent[2 * channel], (Bytes{static_cast<std::uint8_t>(0xB0 | channel), 7, 100}));
        EXPECT_EQ(sent[2 * channel + 1], (Bytes{static_cast<std::uint8_t>(0xB0 | channel), 10, 64}));
    }
    EXPECT_EQ(sent[32], (Bytes{0x90, 0x3C, 0x64}));
}

// A burst of events at one moment goes out a share per pump, so that a stop gets in between.
TEST_F(EngineSequencer, SendsABurstAShareAtATimeAndAStopEndsIt) {
    Bytes track;
    for (int i = 0; i < 1000; ++i) track.insert(track.end(), {0x00, 0x91, static_cast<std::uint8_t>(i % 128), 0x40});
    track.insert(track.end(), {0x60, 0xFF, 0x2F, 0x00});
    Load(Smf(0, 96, {Track(track)}));
    sequencer.Start();
    std::size_t before = sink.sent.size();
    for (int pump = 0; pump < 5; ++pump) {
        EXPECT_EQ(sequencer.Pump(), 0);
        EXPECT_LE(sink.sent.size() - before, static_cast<std::size_t>(lyra::kMessagesPerPump));
        before = sink.sent.size();
    }
    sequencer.Stop();
    sink.sent.clear();
    EXPECT_EQ(sequencer.Pump(), -1);
    EXPECT_TRUE(sink.sent.empty());
}

// A far-off delta (here 0x0FFFFFFF ticks of a millisecond: 74 hours) gives a long song whose
// length and every position fit 16 bits, and a seek to the last unit reaches its end.
TEST_F(EngineSequencer, AFarOffDeltaGivesALongSongThatFitsSixteenBits) {
    Load(Smf(0, 0xE728,
             {
                 Track({
                     {0x00, 0x90, 0x3C, 0x64},                    // note on C4
                     {0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x3C, 0x00},  // 0x0FFFFFFF ms later, note off C4
                     {0x00, 0xFF, 0x2F, 0x00},                    // end of track
                 }),
             }));
    const std::int64_t lengthUs = std::int64_t{0x0FFFFFFF} * 1000;
    EXPECT_EQ(sequencer.UnitUs(), lyra::PositionUnitUs(lengthUs));
    EXPECT_GT(sequencer.UnitUs(), lyra::kUsPerTenth);
    EXPECT_LE(sequencer.Length(), 65535u);
    EXPECT_GE(std::int64_t{sequencer.Length()} * sequencer.UnitUs(), lengthUs);
    sequencer.Seek(65535);
    EXPECT_EQ(sequencer.Position(), lengthUs / sequencer.UnitUs()) << "at the end: the length rounded down";
    sequencer.Seek(sequencer.Length() - 1);
    sequencer.SetStateSentAtStart(false);
    sequencer.Start();
    sink.sent.clear();
    RunToEnd();
    EXPECT_EQ(SongBytes().front(), (Bytes{0x80, 0x3C, 0x00})) << "the note off at the far end";
}

struct UnitCase {
    std::int64_t lengthUs;
    std::int64_t unitUs;
};

// Positions fit the program's 16 bits for every length, in tenths as long as they can.
TEST(EnginePositionUnit, FitsEverySongIn16BitsInTenthsWhileItCan) {
    const UnitCase cases[] = {
        {0, 100000},
        {65535LL * 100000, 100000},
        {65535LL * 100000 + 1, 200000},
        {2 * 65535LL * 100000, 200000},
        {2 * 65535LL * 100000 + 1, 300000},
        {std::int64_t{1} << 62, 0},  // any unit, as long as it fits
    };
    for (const UnitCase& c : cases) {
        std::int64_t unit = lyra::PositionUnitUs(c.lengthUs);
        if (c.unitUs != 0) {
            EXPECT_EQ(unit, c.unitUs) << c.lengthUs;
        }
        EXPECT_EQ(unit % 100000, 0) << c.lengthUs;
        EXPECT_LE((c.lengthUs + unit - 1) / unit, 65535) << c.lengthUs;
    }
}

TEST_F(EngineSequencer, StartAfterStopGoesOnFromThePosition) {
    Load(Smf(0, 480, {kTempoTrack}));
    sequencer.SetStateSentAtStart(false);
    sequencer.Start();
    PumpWhileDue();
    clock.Advance(1100000);
    sequencer.Pump();
    sequencer.Stop();
    sink.sent.clear();
    clock.Advance(3000000);
    std::int64_t restart = clock.NowUs();
    sequencer.Start();
    RunToEnd();
    std::vector<SentMessage> sent = SongSent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, (Bytes{0x90, 0x3E, 0x64}));
    EXPECT_EQ(sent[0].clockUs - restart, 150000);  // 1.25 s in the song, from 1.1 s
}

TEST_F(EngineSequencer, SeekWhileStoppedOnlyMovesThePosition) {
    Load(Smf(0, 480, {kTempoTrack}));
    sequencer.Seek(12);
    EXPECT_FALSE(sequencer.Playing());
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_EQ(sequencer.Position(), 12u);
}

TEST_F(EngineSequencer, SeekBeyondTheEndStopsAtTheLength) {
    Load(Smf(0, 480, {kTempoTrack}));
    sequencer.Seek(600);
    EXPECT_EQ(sequencer.Position(), 15u);
    sequencer.SetStateSentAtStart(false);
    sequencer.Start();
    EXPECT_EQ(PumpWhileDue(), -1);
    EXPECT_FALSE(sequencer.Playing());
}

TEST_F(EngineSequencer, SeekWhilePlayingSilencesThenGoesOnFromTheNewPlace) {
    Load(Smf(0, 480, {kTempoTrack}));
    sequencer.SetStateSentAtStart(false);
    sequencer.Start();
    PumpWhileDue();
    sink.sent.clear();
    std::int64_t seekTime = clock.NowUs();
    sequencer.Seek(12);
    EXPECT_TRUE(sequencer.Playing());
    EXPECT_EQ(sink.BytesOnly(), Silence());
    sink.sent.clear();
    RunToEnd();
    std::vector<SentMessage> sent = SongSent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, (Bytes{0x90, 0x3E, 0x64}));
    EXPECT_EQ(sent[0].clockUs - seekTime, 50000);
}

TEST_F(EngineSequencer, StartWithoutASongFails) {
    EXPECT_FALSE(sequencer.Start());
    EXPECT_FALSE(sequencer.Playing());
    EXPECT_EQ(sequencer.Pump(), -1);
}

TEST_F(EngineSequencer, LoadStopsWhatPlaysAndStartsAtZero) {
    Load(Smf(0, 480, {kTempoTrack}));
    sequencer.Start();
    PumpWhileDue();
    clock.Advance(600000);
    sequencer.Pump();
    sink.sent.clear();
    lyra::Song song;
    const Bytes image = Smf(0, 480, {kTempoTrack});
    ASSERT_EQ(lyra::ReadSong(image.data(), image.size(), song), lyra::ReadResult::ok);
    sequencer.Load(std::move(song));
    EXPECT_FALSE(sequencer.Playing());
    EXPECT_EQ(sequencer.Position(), 0u);
    EXPECT_EQ(sink.BytesOnly(), Silence());
}

TEST_F(EngineSequencer, SendsTheStandardResets) {
    const struct {
        lyra::ResetKind kind;
        Bytes bytes;
    } cases[] = {
        {lyra::ResetKind::gm, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {lyra::ResetKind::gs, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}},
        {lyra::ResetKind::xg, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}},
    };
    for (const auto& c : cases) {
        sink.sent.clear();
        sequencer.SendReset(c.kind);
        EXPECT_EQ(sink.BytesOnly(), std::vector<Bytes>{c.bytes});
    }
}

}  // namespace
