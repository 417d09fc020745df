#include "engine/smf_reader.h"

#include "tests/common/song_builder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using lyra::ReadResult;
using lyra::ReadSong;
using lyra::Song;

struct TimedMessage {
    std::int64_t timeUs;
    Bytes bytes;
    bool operator==(const TimedMessage&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TimedMessage& message) {
    out << message.timeUs << ":";
    for (std::uint8_t byte : message.bytes) out << " " << std::hex << int{byte} << std::dec;
    return out;
}

std::vector<TimedMessage> Messages(const Song& song) {
    std::vector<TimedMessage> messages;
    for (const lyra::OwnedEvent& event : lyra::CollectEvents(song)) messages.push_back({event.timeUs, event.bytes});
    return messages;
}

Song Read(const Bytes& image) {
    Song song;
    EXPECT_EQ(ReadSong(image.data(), image.size(), song), ReadResult::ok);
    return song;
}

TEST(EngineSmfReader, FollowsTempoChanges) {
    const Bytes track = Track({
        {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},        // 0: tempo 500000 us a quarter
        {0x00, 0x90, 0x3C, 0x64},                          // 0: note on
        {0x83, 0x60, 0x80, 0x3C, 0x00},                    // 480: note off (0.5 s)
        {0x83, 0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90},  // 960 (1.0 s): tempo 250000
        {0x83, 0x60, 0x90, 0x3E, 0x64},                    // 1440: 1.0 s + 0.25 s
        {0x81, 0x70, 0x80, 0x3E, 0x00},                    // 1680: + 0.125 s
        {0x81, 0x70, 0xFF, 0x2F, 0x00},                    // 1920: end, 1.5 s
    });
    Song song = Read(Smf(0, 480, {track}));
    std::vector<TimedMessage> expected = {
        {0, {0x90, 0x3C, 0x64}},
        {500000, {0x80, 0x3C, 0x00}},
        {1250000, {0x90, 0x3E, 0x64}},
        {1375000, {0x80, 0x3E, 0x00}},
    };
    EXPECT_EQ(Messages(song), expected);
    EXPECT_EQ(song.lengthUs, 1500000);
}

TEST(EngineSmfReader, UsesDefaultTempoWithoutSetTempo) {
    const Bytes track = Track({
        {0x60, 0x90, 0x3C, 0x64},  // 96 ticks of 96 a quarter at 120 bpm: 0.5 s
        {0x00, 0xFF, 0x2F, 0x00},
    });
    Song song = Read(Smf(0, 96, {track}));
    ASSERT_EQ(lyra::CollectEvents(song).size(), 1u);
    EXPECT_EQ(lyra::CollectEvents(song)[0].timeUs, 500000);
}

TEST(EngineSmfReader, MergesFormatOneTracksByTimeLowerTrackFirst) {
    const Bytes conductor = Track({
        {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40},        // 0: tempo 1000000 (1 s a quarter)
        {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7},              // 0: sysex
        {0x83, 0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},  // 480: tempo 500000
        {0x83, 0x60, 0xFF, 0x2F, 0x00},                    // 960
    });
    const Bytes piano = Track({
        {0x00, 0xC0, 0x05},              // 0
        {0x83, 0x60, 0x90, 0x3C, 0x64},  // 480: 1 s
        {0x83, 0x60, 0x80, 0x3C, 0x00},  // 960: 1.5 s
        {0x00, 0xFF, 0x2F, 0x00},
    });
    const Bytes bass = Track({
        {0x00, 0xC1, 0x21},              // 0
        {0x81, 0x70, 0x91, 0x24, 0x50},  // 240: 0.5 s
        {0x81, 0x70, 0x81, 0x24, 0x00},  // 480: 1 s
        {0x83, 0x60, 0xFF, 0x2F, 0x00},  // 960
    });
    Song song = Read(Smf(1, 480, {conductor, piano, bass}));
    std::vector<TimedMessage> expected = {
        {0, {0xF0, 0x7E, 0x7F, 0xF7}},
        {0, {0xC0, 0x05}},
        {0, {0xC1, 0x21}},
        {500000, {0x91, 0x24, 0x50}},
        {1000000, {0x90, 0x3C, 0x64}},
        {1000000, {0x81, 0x24, 0x00}},
        {1500000, {0x80, 0x3C, 0x00}},
    };
    EXPECT_EQ(Messages(song), expected);
    EXPECT_EQ(song.lengthUs, 1500000);
}

TEST(EngineSmfReader, PlaysFormatTwoTracksOneAfterAnother) {
    const Bytes first = Track({
        {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40},  // tempo 1000000
        {0x00, 0x90, 0x3C, 0x64},                    // 0
        {0x83, 0x60, 0x80, 0x3C, 0x00},              // 480: 1 s
        {0x00, 0xFF, 0x2F, 0x00},                    // ends at 1 s
    });
    const Bytes second = Track({
        {0x00, 0x90, 0x40, 0x64},        // 1 s: the tempo carries on
        {0x81, 0x70, 0x80, 0x40, 0x00},  // 240: 1 s + 0.5 s
        {0x81, 0x70, 0xFF, 0x2F, 0x00},  // 480: ends at 2 s
    });
    Song song = Read(Smf(2, 480, {first, second}));
    std::vector<TimedMessage> expected = {
        {0, {0x90, 0x3C, 0x64}},
        {1000000, {0x80, 0x3C, 0x00}},
        {1000000, {0x90, 0x40, 0x64}},
        {1500000, {0x80, 0x40, 0x00}},
    };
    EXPECT_EQ(Messages(song), expected);
    EXPECT_EQ(song.lengthUs, 2000000);
}

TEST(EngineSmfReader, FollowsRunningStatusAcrossMetaEvents) {
    const Bytes track = Track({
        {0x00, 0x90, 0x3C, 0x64},            // note on, status given
        {0x00, 0x3E, 0x64},                  // running status
        {0x00, 0xFF, 0x01, 0x02, 'h', 'i'},  // a text event
        {0x00, 0x40, 0x00},                  // still running on 90
        {0x00, 0xC2, 0x07},                  // program change: one data byte
        {0x00, 0x08},                        // running program change
        {0x00, 0xFF, 0x2F, 0x00},
    });
    Song song = Read(Smf(0, 480, {track}));
    std::vector<TimedMessage> expected = {
        {0, {0x90, 0x3C, 0x64}}, {0, {0x90, 0x3E, 0x64}}, {0, {0x90, 0x40, 0x00}}, {0, {0xC2, 0x07}}, {0, {0xC2, 0x08}},
    };
    EXPECT_EQ(Messages(song), expected);
}

struct TimeCodeCase {
    std::uint16_t division;
    std::uint8_t delta;
    std::int64_t expectedUs;
};

TEST(EngineSmfReader, TimesTimeCodeDivisionsByFramesIgnoringTempo) {
    const TimeCodeCase cases[] = {
        {0xE728, 100, 100000},  // 25 fps, 40 ticks a frame: 1 ms a tick
        {0xE850, 120, 62500},   // 24 fps, 80 ticks a frame
        {0xE20A, 30, 100000},   // 30 fps, 10 ticks a frame
        {0xE364, 120, 40040},   // 29.97 fps (drop frame), 100 ticks a frame: 1001/2997 ms a tick
    };
    for (const TimeCodeCase& c : cases) {
        const Bytes track = Track({
            {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40},  // a tempo, which time code does not follow
            {c.delta, 0x90, 0x3C, 0x64},
            {c.delta, 0xFF, 0x2F, 0x00},
        });
        Song song = Read(Smf(0, c.division, {track}));
        ASSERT_EQ(lyra::CollectEvents(song).size(), 1u) << std::hex << c.division;
        EXPECT_EQ(lyra::CollectEvents(song)[0].timeUs, c.expectedUs) << std::hex << c.division;
        EXPECT_EQ(song.lengthUs, 2 * c.expectedUs) << std::hex << c.division;
    }
}

TEST(EngineSmfReader, LengthRunsToTheLatestEndOfTrack) {
    const Bytes shortTrack = Track({
        {0x00, 0x90, 0x3C, 0x64},  // note on C4
        {0x00, 0xFF, 0x2F, 0x00},  // end of track at 0
    });
    const Bytes longTrack = Track({
        {0x00, 0x91, 0x3C, 0x64},        // note on C4, channel 2
        {0x8F, 0x00, 0xFF, 0x2F, 0x00},  // end of track at 1920: 2 s
    });
    Song song = Read(Smf(1, 480, {shortTrack, longTrack}));
    EXPECT_EQ(song.lengthUs, 2000000);
}

TEST(EngineSmfReader, SendsSystemExclusiveWithItsLeadAndEscapesAsTheyStand) {
    const Bytes track = Track({
        {0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7},  // F0 event: length counts the bytes after F0
        {0x00, 0xF7, 0x02, 0xF3, 0x01},                    // escape: song select, sent as it stands
        {0x00, 0xFF, 0x2F, 0x00},
    });
    Song song = Read(Smf(0, 480, {track}));
    std::vector<TimedMessage> expected = {
        {0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {0, {0xF3, 0x01}},
    };
    EXPECT_EQ(Messages(song), expected);
}

TEST(EngineSmfReader, KeepsWhatCameBeforeABreakInATrack) {
    const std::vector<Bytes> brokenTracks = {
        {0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C},              // cut off inside an event
        {0x00, 0x90, 0x3C, 0x64, 0x60, 0xF1, 0x00},        // a system message that has no place in a file
        {0x00, 0x90, 0x3C, 0x64, 0x60, 0xFF, 0x01, 0x7F},  // meta text longer than the track
        {0x00, 0x90, 0x3C, 0x64, 0x60, 0x90, 0x3C, 0x80},  // a status where a data byte belongs
    };
    for (const Bytes& track : brokenTracks) {
        Song song = Read(Smf(0, 96, {Track(track)}));
        ASSERT_EQ(lyra::CollectEvents(song).size(), 1u);
        EXPECT_EQ(Messages(song)[0], (TimedMessage{0, {0x90, 0x3C, 0x64}}));
        EXPECT_EQ(song.lengthUs, 0);
    }
}

TEST(EngineSmfReader, StopsATrackAtADataByteWithoutStatus) {
    const Bytes track = Track({
        {0x00, 0x3C, 0x64},        // data bytes without a status
        {0x00, 0xFF, 0x2F, 0x00},  // end of track
    });
    Song song = Read(Smf(0, 96, {track}));
    EXPECT_TRUE(lyra::CollectEvents(song).empty());
}

TEST(EngineSmfReader, SkipsChunksOtherThanTracks) {
    const Bytes image = Join({
        Header(0, 1, 96),  // one track, after an unknown chunk
        Chunk("XYZW", {0x90, 0x3C}),
        Track({
            {0x00, 0x90, 0x3C, 0x64},  // note on C4
            {0x00, 0xFF, 0x2F, 0x00},  // end of track
        }),
    });
    Song song = Read(image);
    ASSERT_EQ(lyra::CollectEvents(song).size(), 1u);
    EXPECT_EQ(Messages(song)[0], (TimedMessage{0, {0x90, 0x3C, 0x64}}));
}

TEST(EngineSmfReader, RefusesWhatIsNotASong) {
    const Bytes track = Track({{0x00, 0xFF, 0x2F, 0x00}});
    Bytes badMagic = Smf(0, 96, {track});
    badMagic[0] = 'R';
    Bytes formatThree = Smf(3, 96, {track});
    Bytes divisionZero = Smf(1, 0, {track});
    Bytes badFrameRate = Smf(0, 0xE00A, {track});  // -32 frames a second
    Bytes noTicksPerFrame = Smf(0, 0xE700, {track});
    Bytes noTracks = Smf(0, 96, {});
    Bytes headerTooLong = Smf(0, 96, {track});
    headerTooLong[7] = 0x40;
    Bytes cutHeader(badMagic.begin(), badMagic.begin() + 12);
    cutHeader[0] = 'M';
    const Bytes* cases[] = {&badMagic,        &formatThree, &divisionZero,  &badFrameRate,
                            &noTicksPerFrame, &noTracks,    &headerTooLong, &cutHeader};
    for (const Bytes* image : cases) {
        Song song;
        EXPECT_EQ(ReadSong(image->data(), image->size(), song), ReadResult::notASong);
    }
    Song song;
    EXPECT_EQ(ReadSong(nullptr, 0, song), ReadResult::notASong);
}

}  // namespace
