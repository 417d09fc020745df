// The conversion walk, rule by rule. Each song is one track; events are one per line:
// delta time, then the event.
#include <gtest/gtest.h>

#include <functional>
#include <iomanip>
#include <sstream>

#include "song/convert.h"
#include "song/song_summary.h"
#include "tests/unit/song_bytes.h"

namespace {

using Tweak = std::function<void(ConversionSettings&)>;

ConversionSettings Settings(const Tweak& tweak = nullptr) {
    ConversionSettings settings;
    if (tweak) tweak(settings);
    return settings;
}

// What the summary's reading says of the song, as the conversion's result would say it.
ConversionResult SummaryResult(const Bytes& song) {
    const SongDamage damage = SummarizeSong(song).damage;
    if (damage == SongDamage::None) return ConversionResult::Converted;
    return IsBrokenFormat(damage) ? ConversionResult::BadFormat : ConversionResult::Unsupported;
}

struct EventCase {
    const char* name;
    Tweak tweak;
    Bytes events;
    Bytes expected;  // the converted events, byte for byte
};

class EventRules : public testing::TestWithParam<EventCase> {};

TEST_P(EventRules, ConvertsEventsInPlace) {
    const EventCase& c = GetParam();
    const Converted converted = Convert(Smf(1, 480, {Track(c.events)}), Settings(c.tweak));
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    EXPECT_EQ(EventsOf(converted.bytes), c.expected);
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

INSTANTIATE_TEST_SUITE_P(
    Walk, EventRules,
    testing::Values(
        EventCase{"DefaultsCopyEverything", nullptr,
                  Join({{0x00, 0x90, 0x3C, 0x40}, {0x10, 0x3E, 0x7F}, {0x10, 0x80, 0x3C, 0x00},
                          {0x00, 0xB0, 0x07, 0x64}, {0x00, 0xE0, 0x00, 0x40}, {0x00, 0xD0, 0x22},
                          {0x00, 0xC0, 0x05}, kEnd}),
                  Join({{0x00, 0x90, 0x3C, 0x40}, {0x10, 0x3E, 0x7F}, {0x10, 0x80, 0x3C, 0x00},
                          {0x00, 0xB0, 0x07, 0x64}, {0x00, 0xE0, 0x00, 0x40}, {0x00, 0xD0, 0x22},
                          {0x00, 0xC0, 0x05}, kEnd})},
        EventCase{"RelativeHalfTruncatesButKeepsNoteOnsSounding",
                  [](ConversionSettings& s) { s.volume[0] = 50; },
                  Join({{0x00, 0x90, 0x3C, 0x7F}, {0x00, 0x3C, 0x01}, {0x00, 0x80, 0x3C, 0x01},
                          {0x00, 0x91, 0x3C, 0x7F}, kEnd}),
                  Join({{0x00, 0x90, 0x3C, 0x3F}, {0x00, 0x3C, 0x01}, {0x00, 0x80, 0x3C, 0x00},
                          {0x00, 0x91, 0x3C, 0x7F}, kEnd})},
        EventCase{"RelativeHundredKeepsVelocitiesWithAndWithoutRunningStatus",
                  [](ConversionSettings& s) { s.volume[2] = 100; },
                  Join({{0x00, 0x92, 0x3C, 0x01}, {0x00, 0x3D, 0x7F}, {0x00, 0x3E, 0x40}, kEnd}),
                  Join({{0x00, 0x92, 0x3C, 0x01}, {0x00, 0x3D, 0x7F}, {0x00, 0x3E, 0x40}, kEnd})},
        EventCase{"RelativeTwoHundredDoublesAndCaps",
                  [](ConversionSettings& s) { s.volume[0] = 200; },
                  Join({{0x00, 0x90, 0x3C, 64}, {0x00, 0x3C, 50}, {0x00, 0x80, 0x3C, 50}, kEnd}),
                  Join({{0x00, 0x90, 0x3C, 127}, {0x00, 0x3C, 100}, {0x00, 0x80, 0x3C, 100}, kEnd})},
        EventCase{"RelativeZeroSilencesNoteOns",
                  [](ConversionSettings& s) { s.volume[0] = 0; },
                  Join({{0x00, 0x90, 0x3C, 0x7F}, kEnd}),
                  Join({{0x00, 0x90, 0x3C, 0x00}, kEnd})},
        EventCase{"AbsoluteReplacesSoundingNoteOnsOnly",
                  [](ConversionSettings& s) { s.absoluteVolume[0] = 1; s.volume[0] = 90; },
                  Join({{0x00, 0x90, 0x3C, 0x10}, {0x00, 0x3C, 0x00}, {0x00, 0x80, 0x3C, 0x22}, kEnd}),
                  Join({{0x00, 0x90, 0x3C, 90}, {0x00, 0x3C, 0x00}, {0x00, 0x80, 0x3C, 0x22}, kEnd})},
        EventCase{"MutedTrackInToneMaskIsSilencedAndShifted",
                  [](ConversionSettings& s) { s.toneShift = 2; s.muteTrackMask = 1u << 3; },
                  Join({{0x00, 0x93, 0x3C, 0x50}, {0x00, 0x83, 0x3C, 0x40}, kEnd}),
                  Join({{0x00, 0x93, 0x3E, 0x00}, {0x00, 0x83, 0x3E, 0x00}, kEnd})},
        EventCase{"ShiftMovesKeysOfMaskedTracksOnly",
                  [](ConversionSettings& s) { s.toneShift = -3; },
                  Join({{0x00, 0x90, 0x3C, 0x40}, {0x00, 0x99, 0x24, 0x40}, {0x00, 0x9F, 0x30, 0x40}, kEnd}),
                  Join({{0x00, 0x90, 0x39, 0x40}, {0x00, 0x99, 0x24, 0x40}, {0x00, 0x9F, 0x2D, 0x40}, kEnd})},
        EventCase{"ProgramChangeTakesTheChosenInstrument",
                  [](ConversionSettings& s) { s.instrument[1] = 40; s.instrument[2] = 0; },
                  Join({{0x00, 0xC1, 0x05}, {0x00, 0xC2, 0x05}, {0x00, 0xC3, 0x05}, kEnd}),
                  Join({{0x00, 0xC1, 40}, {0x00, 0xC2, 0}, {0x00, 0xC3, 0x05}, kEnd})},
        EventCase{"ProgramChangeInRunningStatusTakesOneByte",
                  [](ConversionSettings& s) { s.instrument[0] = 7; },
                  Join({{0x00, 0xC0, 0x05}, {0x81, 0x00, 0x06}, {0x00, 0x90, 0x3C, 0x40}, kEnd}),
                  Join({{0x00, 0xC0, 7}, {0x81, 0x00, 7}, {0x00, 0x90, 0x3C, 0x40}, kEnd})},
        EventCase{"ControlChangesPitchBendAndChannelPressureStay",
                  [](ConversionSettings& s) { s.toneShift = 5; s.volume[0] = 10; s.muteTrackMask = 1; },
                  Join({{0x00, 0xB0, 0x07, 0x64}, {0x00, 0xE0, 0x10, 0x40}, {0x00, 0xD0, 0x30}, kEnd}),
                  Join({{0x00, 0xB0, 0x07, 0x64}, {0x00, 0xE0, 0x10, 0x40}, {0x00, 0xD0, 0x30}, kEnd})},
        EventCase{"PolyPressureFollowsTheShiftedNotes",
                  [](ConversionSettings& s) { s.toneShift = 4; },
                  Join({{0x00, 0xA0, 0x3C, 0x20}, {0x00, 0x3D, 0x21}, {0x00, 0xA9, 0x3C, 0x20}, kEnd}),
                  Join({{0x00, 0xA0, 0x40, 0x20}, {0x00, 0x41, 0x21}, {0x00, 0xA9, 0x3C, 0x20}, kEnd})},
        EventCase{"PolyPressureIsNotRangeTestedAndStaysInRange",
                  [](ConversionSettings& s) { s.toneShift = 1; },
                  Join({{0x00, 0xA0, 0x7F, 0x20}, kEnd}),
                  Join({{0x00, 0xA0, 0x74, 0x20}, kEnd})},
        EventCase{"KeySignatureMovesAroundTheCircleOfFifths",
                  [](ConversionSettings& s) { s.toneShift = 3; },
                  Join({{0x00, 0xFF, 0x59, 0x02, 0x02, 0x01}, kEnd}),
                  Join({{0x00, 0xFF, 0x59, 0x02, 0xFF, 0x01}, kEnd})},
        EventCase{"KeySignatureAtShiftZeroStays", nullptr,
                  Join({{0x00, 0xFF, 0x59, 0x02, 0x07, 0x00}, {0x00, 0xFF, 0x59, 0x02, 0xF9, 0x01}, kEnd}),
                  Join({{0x00, 0xFF, 0x59, 0x02, 0x07, 0x00}, {0x00, 0xFF, 0x59, 0x02, 0xF9, 0x01}, kEnd})},
        EventCase{"SetTempoAndOtherMetaEventsStay",
                  [](ConversionSettings& s) { s.tempoPercent = 200; s.toneShift = 1; },
                  Join({{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, {0x00, 0xFF, 0x01, 0x02, 0x90, 0x3C}, kEnd}),
                  Join({{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, {0x00, 0xFF, 0x01, 0x02, 0x90, 0x3C}, kEnd})},
        EventCase{"RunningStatusCarriesOnAcrossMetaEvents",
                  [](ConversionSettings& s) { s.toneShift = 1; },
                  Join({{0x00, 0x92, 0x3C, 0x40}, {0x00, 0xFF, 0x01, 0x01, 0x41}, {0x00, 0x3E, 0x40}, kEnd}),
                  Join({{0x00, 0x92, 0x3D, 0x40}, {0x00, 0xFF, 0x01, 0x01, 0x41}, {0x00, 0x3F, 0x40}, kEnd})},
        EventCase{"RunningStatusCarriesOnAcrossSystemExclusive",
                  [](ConversionSettings& s) { s.toneShift = 1; },
                  Join({{0x00, 0x92, 0x3C, 0x40}, {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7}, {0x00, 0x3E, 0x40}, kEnd}),
                  Join({{0x00, 0x92, 0x3D, 0x40}, {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7}, {0x00, 0x3F, 0x40}, kEnd})},
        EventCase{"DataByteLikeAChunkSignatureIsStillData",
                  [](ConversionSettings& s) { s.toneShift = 1; },
                  Join({{0x00, 0x90, 0x3C, 0x40}, {0x00, 'M', 'T'}, {0x00, 'M', 'H'}, {0x00, 0xC0, 'M'}, kEnd}),
                  Join({{0x00, 0x90, 0x3D, 0x40}, {0x00, 'N', 'T'}, {0x00, 'N', 'H'}, {0x00, 0xC0, 'M'}, kEnd})},
        EventCase{"LongDeltaTimesAreCopied",
                  [](ConversionSettings& s) { s.toneShift = 1; },
                  Join({{0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40}, {0x81, 0x00, 0x3C, 0x00}, kEnd}),
                  Join({{0xFF, 0xFF, 0x7F, 0x90, 0x3D, 0x40}, {0x81, 0x00, 0x3D, 0x00}, kEnd})},
        EventCase{"LetThroughNotesOnShiftedTracksMoveByOctaves",
                  [](ConversionSettings& s) { s.toneShift = 12; s.warnOutOfRange = 0; },
                  Join({{0x00, 0x90, 120, 0x40}, {0x00, 0x80, 120, 0x40}, {0x00, 0x99, 120, 0x40}, kEnd}),
                  Join({{0x00, 0x90, 120, 0x40}, {0x00, 0x80, 120, 0x40}, {0x00, 0x99, 120, 0x40}, kEnd})},
        EventCase{"LetThroughNotesBelowZeroMoveUpByOctaves",
                  [](ConversionSettings& s) { s.toneShift = -12; s.warnOutOfRange = 0; },
                  Join({{0x00, 0x90, 5, 0x40}, {0x00, 0x90, 13, 0x40}, kEnd}),
                  Join({{0x00, 0x90, 5, 0x40}, {0x00, 0x90, 1, 0x40}, kEnd})}),
    [](const testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });

struct StopCase {
    const char* name;
    Tweak tweak;
    Bytes events;
    ConversionResult expected;
};

class StoppingRules : public testing::TestWithParam<StopCase> {};

TEST_P(StoppingRules, StopsWithTheResult) {
    const StopCase& c = GetParam();
    const Bytes song = Smf(1, 480, {Track(c.events)});
    EXPECT_EQ(Convert(song, Settings(c.tweak)).result, c.expected);
    const bool outOfRange = c.expected == ConversionResult::OutOfRange;  // a note out of range is no damage
    EXPECT_EQ(SummaryResult(song), outOfRange ? ConversionResult::Converted : c.expected);  // stops where the walk does
}

INSTANTIATE_TEST_SUITE_P(
    Walk, StoppingRules,
    testing::Values(
        StopCase{"FirstEventWithoutStatus", nullptr, Join({{0x00, 0x3C, 0x40}, kEnd}), ConversionResult::Unsupported},
        StopCase{"EscapeEvent", nullptr, Join({{0x00, 0xF7, 0x01, 0x00}, kEnd}), ConversionResult::Unsupported},
        StopCase{"SystemCommonF1", nullptr, Join({{0x00, 0xF1, 0x00}, kEnd}), ConversionResult::Unsupported},
        StopCase{"SystemRealTimeFE", nullptr, Join({{0x00, 0xFE}, kEnd}), ConversionResult::Unsupported},
        StopCase{"HeaderSignatureWhereAnEventBegins", nullptr, Join({{0x00, 'M', 'H', 'd', 'r', 0, 0, 0, 6}, kEnd}),
                 ConversionResult::BadFormat},
        StopCase{"FourByteMetaLength", nullptr, Join({{0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x00}, kEnd}),
                 ConversionResult::BadFormat},
        StopCase{"FourByteDeltaTime", nullptr, Join({{0x80, 0x80, 0x80, 0x00, 0x90, 0x3C, 0x40}, kEnd}),
                 ConversionResult::BadFormat},
        StopCase{"ExclusiveWithoutEnd", nullptr, Join({{0x00, 0xF0, 0x03, 0x7E, 0x7F, 0x00}}),
                 ConversionResult::BadFormat},
        StopCase{"MetaDataPastTheEnd", nullptr, Join({{0x00, 0xFF, 0x01, 0x10, 0x41}}), ConversionResult::BadFormat},
        StopCase{"MetaLengthCutOff", nullptr, Join({{0x00, 0xFF, 0x01, 0x81}}), ConversionResult::BadFormat},
        StopCase{"MetaTypeCutOff", nullptr, Join({{0x00, 0xFF}}), ConversionResult::BadFormat},
        StopCase{"NoteCutOff", nullptr, Join({{0x00, 0x90, 0x3C}}), ConversionResult::BadFormat},
        StopCase{"RunningStatusNoteCutOff", nullptr, Join({{0x00, 0x90, 0x3C, 0x40}, {0x00, 0x3C}}),
                 ConversionResult::BadFormat},
        StopCase{"DeltaTimeCutOff", nullptr, Join({{0x00, 0x90, 0x3C, 0x40, 0x81}}), ConversionResult::BadFormat},
        StopCase{"NoteAboveRange", [](ConversionSettings& s) { s.toneShift = 12; },
                 Join({{0x00, 0x90, 120, 0x40}, kEnd}), ConversionResult::OutOfRange},
        StopCase{"NoteBelowRange", [](ConversionSettings& s) { s.toneShift = -12; },
                 Join({{0x00, 0x90, 5, 0x40}, kEnd}), ConversionResult::OutOfRange},
        StopCase{"NoteOutsideToneMaskIsStillRangeTested", [](ConversionSettings& s) { s.toneShift = 12; },
                 Join({{0x00, 0x99, 120, 0x40}, kEnd}), ConversionResult::OutOfRange},
        StopCase{"NoteOffIsRangeTestedToo", [](ConversionSettings& s) { s.toneShift = 12; },
                 Join({{0x00, 0x80, 120, 0x00}, kEnd}), ConversionResult::OutOfRange}),
    [](const testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST(Walk, ChunkHeaderCutOffAfterTheLastTrackIsBadFormat) {
    // Two tracks promised: the walk goes on after the first End of Track and finds half a header.
    const Bytes song = Join({Header(1, 2, 480), Track({kEnd}), Letters("MTrk"), {0, 0}});
    EXPECT_EQ(Convert(song, Settings()).result, ConversionResult::BadFormat);
}

TEST(Walk, HeaderOnlySongKeepsItsScaledHeader) {
    const Bytes song = Header(1, 1, 480);
    const Converted converted = Convert(song, Settings([](ConversionSettings& s) { s.tempoPercent = 250; }));
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    Bytes expected = Header(1, 1, 1200);
    EXPECT_EQ(converted.bytes, expected);
}

TEST(Walk, BytesAfterTheLastEndOfTrackAreLeftOut) {
    Bytes song = Smf(1, 480, {Track({kEnd})});
    const std::size_t walked = song.size();
    song.insert(song.end(), {0x00, 0x00, 0x12, 0x34});
    const Converted converted = Convert(song, Settings());
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    EXPECT_EQ(converted.bytes, Bytes(song.begin(), song.begin() + walked));
}

TEST(Walk, FewerEndOfTracksThanPromisedRunsToTheEnd) {
    const Bytes track = Track({
        {0x00, 0x90, 0x3C, 0x40},  // note on C4
        kEnd,
    });
    const Bytes song = Join({Header(1, 3, 480), track, track});
    const Converted converted = Convert(song, Settings());
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    EXPECT_EQ(converted.bytes, song);
}

TEST(Walk, EveryTrackChunkIsWalked) {
    const Bytes track = Track({
        {0x00, 0x90, 0x3C, 0x40},  // note on C4
        kEnd,
    });
    const Bytes song = Smf(1, 480, {track, track});
    const Converted converted = Convert(song, Settings([](ConversionSettings& s) { s.toneShift = 1; }));
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    ASSERT_EQ(converted.bytes.size(), song.size());
    EXPECT_EQ(converted.bytes[24], 0x3D);
    EXPECT_EQ(converted.bytes[24 + 16], 0x3D);
}

TEST(Walk, ReportsComeInTheOrderTheyArise) {
    const Bytes song = Smf(1, 30000,
                           {
                               Track({
                                   {0x00, 0x90, 120, 0x40},  // note on key 120
                                   {0x00, 0xC0, 0x01},       // program 2
                                   {0x00, 0x90, 2, 0x40},    // note on key 2
                                   kEnd,
                               }),
                           });
    const Converted converted = Convert(song, Settings([](ConversionSettings& s) {
                                            s.toneShift = 10;
                                            s.warnOutOfRange = 0;
                                            s.tempoPercent = 250;
                                            s.instrument[0] = 3;
                                            s.instrument[2] = 40;
                                            s.instrument[15] = 0;
                                        }));
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    const std::vector<std::string> expected = {"division refused", "out of range", "finished 10 1", "no instrument 3",
                                               "no instrument 16"};
    EXPECT_EQ(converted.reports.lines, expected);
}

TEST(Walk, OutOfRangeNotesAreCountedEachTime) {
    const Bytes song = Smf(1, 480,
                           {
                               Track({
                                   {0x00, 0x90, 125, 0x40},  // note on key 125
                                   {0x00, 126, 0x40},        // running status: note on key 126
                                   {0x00, 0x89, 127, 0},     // note off key 127, channel 10
                                   kEnd,
                               }),
                           });
    const Converted converted = Convert(song, Settings([](ConversionSettings& s) {
                                            s.toneShift = 3;
                                            s.warnOutOfRange = 0;
                                        }));
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    const std::vector<std::string> expected = {"out of range", "out of range", "out of range", "finished 3 3"};
    EXPECT_EQ(converted.reports.lines, expected);
}

TEST(Walk, KeySignaturesLeaveATraceLine) {
    const Bytes song = Smf(1, 480,
                           {
                               Track({
                                   {0x00, 0xFF, 0x59, 0x02, 0x02, 0x00},  // key signature: D major
                                   kEnd,
                               }),
                           });
    const Converted converted = Convert(song, Settings([](ConversionSettings& s) { s.toneShift = 3; }));
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    EXPECT_EQ(converted.reports.traces, std::vector<std::string>{"2, -1, 5"});
}

TEST(Walk, TooSmallOutputIsRefusedUntouched) {
    const Bytes song = Smf(1, 480, {Track({kEnd})});
    Bytes output(song.size() - 1, 0xAA);
    RecordedReports reports;
    const WalkOutcome outcome = ConvertSongBytes(song, Settings(), output, reports);
    EXPECT_EQ(outcome.result, ConversionResult::BadFormat);
    EXPECT_EQ(output, Bytes(song.size() - 1, 0xAA));
}

// Songs built from whole chunks: the header with the track count it promises, then chunks as given.
Bytes Song(std::uint16_t trackCount, std::initializer_list<Bytes> chunks) {
    Bytes song = Header(1, trackCount, 480);
    for (const Bytes& chunk : chunks) song.insert(song.end(), chunk.begin(), chunk.end());
    return song;
}

// Its data would read as a note of key 0x3D if it were walked.
const Bytes kJunkChunk = Chunk("Junk", {0x90, 0x3D, 0x40, 'M', 0x00});

struct ChunkCase {
    const char* name;
    Bytes song;
    ConversionResult expected;
    std::size_t walked;  // bytes produced on Converted
};

class ChunkRules : public testing::TestWithParam<ChunkCase> {};

// Shifted by one semitone. The tracks' notes have key 0x3C, which moves to 0x3D; the other
// chunks' bytes stay as they are.
TEST_P(ChunkRules, ChunksAndTheirEnds) {
    const ChunkCase& c = GetParam();
    const Converted converted = Convert(c.song, Settings([](ConversionSettings& s) { s.toneShift = 1; }));
    ASSERT_EQ(converted.result, c.expected);
    EXPECT_EQ(SummaryResult(c.song), c.expected);
    if (c.expected != ConversionResult::Converted) return;
    ASSERT_EQ(converted.bytes.size(), c.walked);
    Bytes expected(c.song.begin(), c.song.begin() + c.walked);
    for (std::size_t i = 1; i < expected.size(); ++i) {
        if (expected[i - 1] == 0x90 && expected[i] == 0x3C) expected[i] = 0x3D;
    }
    EXPECT_EQ(converted.bytes, expected);
}

const Bytes kNoteTrack = Track({{0x00, 0x90, 0x3C, 0x40}, kEnd});

INSTANTIATE_TEST_SUITE_P(
    Walk, ChunkRules,
    testing::Values(
        ChunkCase{"OtherChunkAfterTheHeaderIsCopied", Song(1, {kJunkChunk, kNoteTrack}), ConversionResult::Converted,
                  14 + kJunkChunk.size() + kNoteTrack.size()},
        ChunkCase{"OtherChunkAfterAnEndOfTrackIsCopied", Song(2, {kNoteTrack, kJunkChunk, kNoteTrack}),
                  ConversionResult::Converted, 14 + kJunkChunk.size() + 2 * kNoteTrack.size()},
        ChunkCase{"OtherChunksInARowAreCopied", Song(1, {kJunkChunk, kJunkChunk, kNoteTrack}),
                  ConversionResult::Converted, 14 + 2 * kJunkChunk.size() + kNoteTrack.size()},
        ChunkCase{"OtherChunkIsNoTrack", Song(1, {kJunkChunk}), ConversionResult::Converted, 14 + kJunkChunk.size()},
        ChunkCase{"OtherChunkPastTheEnd", Song(1, {ChunkWithLength("Junk", 9, {0x00})}), ConversionResult::BadFormat,
                  0},
        ChunkCase{"OtherChunkLengthCutOff", Song(1, {Join({Letters("Junk"), {0, 0}})}), ConversionResult::BadFormat, 0},
        ChunkCase{"OtherChunkTypeCutOff", Song(1, {Letters("Ju")}), ConversionResult::BadFormat, 0},
        ChunkCase{"UnprintableTypeAfterTheHeader", Song(1, {Chunk("J\x01nk", {})}), ConversionResult::Unsupported, 0},
        ChunkCase{"PaddingAfterAnEndOfTrack", Song(2, {kNoteTrack, {0x00, 0x00, 0x00}}), ConversionResult::Unsupported,
                  0},
        ChunkCase{"RunningStatusEndsAtTheEndOfTrack",
                  Song(2, {Track({{0x00, 0x90, 0x3C, 0x40}, {0x00, 0xFF, 0x2F, 0x00, 0x3C, 0x40, 0x00}})}),
                  ConversionResult::Unsupported, 0},
        ChunkCase{"StatusByteAfterAnEndOfTrackIsWalked",
                  Song(2, {Track({kEnd, {0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}})}), ConversionResult::Converted,
                  14 + 8 + 11},
        // The header's bytes would otherwise read as program changes in running status and
        // their delta times.
        ChunkCase{"SecondSongHeaderAfterAnEndOfTrack",
                  Song(2, {Track({{0x00, 0xC0, 0x05}, kEnd}), Header(1, 1, 0x60), kNoteTrack}),
                  ConversionResult::BadFormat, 0},
        ChunkCase{"SecondSongHeaderWhereAnEventBegins",
                  Song(1, {Track({{0x00, 0xC0, 0x05, 0x00}, Header(1, 1, 0x60), {0xFF, 0x2F, 0x00}})}),
                  ConversionResult::BadFormat, 0}),
    [](const testing::TestParamInfo<ChunkCase>& info) { return std::string(info.param.name); });

struct CutOffCase {
    const char* name;
    Bytes lastEvents;  // the track's last bytes, ending in the cut-off signature
};

class CutOffSignature : public testing::TestWithParam<CutOffCase> {};

TEST_P(CutOffSignature, IsBadFormat) {
    const CutOffCase& c = GetParam();
    const Bytes song = Song(1, {Track(c.lastEvents)});
    EXPECT_EQ(Convert(song, Settings([](ConversionSettings& s) { s.toneShift = 1; })).result,
              ConversionResult::BadFormat);
}

// Each cut-off would otherwise read as running-status data and its delta time: a program change
// takes one data byte, a note two.
INSTANTIATE_TEST_SUITE_P(Walk, CutOffSignature,
                         testing::Values(CutOffCase{"M", Join({{0x00, 0xC0, 0x05}, {0x00, 'M'}})},
                                         CutOffCase{"MT", Join({{0x00, 0xC0, 0x05}, {0x00, 'M', 'T'}})},
                                         CutOffCase{"MTr", Join({{0x00, 0x90, 0x3C, 0x40}, {0x00, 'M', 'T', 'r'}})},
                                         CutOffCase{"MTh", Join({{0x00, 0x90, 0x3C, 0x40}, {0x00, 'M', 'T', 'h'}})},
                                         CutOffCase{"MHd", Join({{0x00, 0x90, 0x3C, 0x40}, {0x00, 'M', 'H', 'd'}})}),
                         [](const testing::TestParamInfo<CutOffCase>& info) { return std::string(info.param.name); });

TEST(Walk, ChunkHeaderEndsRunningStatus) {
    const Bytes song = Smf(1, 480,
                           {
                               Track({
                                   {0x00, 0x90, 0x3C, 0x40},  // note on C4
                                   kEnd,
                               }),
                               Track({
                                   {0x3C, 0x40},  // data bytes: the status of the track before does not reach here
                                   kEnd,
                               }),
                           });
    EXPECT_EQ(Convert(song, Settings()).result, ConversionResult::Unsupported);
}

struct DivisionCase {
    std::uint16_t division;
    std::uint16_t percent;
    bool applied;
    std::uint16_t expected;
};

class DivisionRule : public testing::TestWithParam<DivisionCase> {};

TEST_P(DivisionRule, ScalesOrKeepsTheDivision) {
    const DivisionCase& c = GetParam();
    Bytes header = Header(1, 1, c.division);
    EXPECT_EQ(ScaleDivision(header.data(), c.percent), c.applied);
    EXPECT_EQ(header, Header(1, 1, c.expected));
}

INSTANTIATE_TEST_SUITE_P(Tempo, DivisionRule,
                         testing::Values(DivisionCase{480, 250, true, 1200}, DivisionCase{480, 100, true, 480},
                                         DivisionCase{480, 1, true, 4}, DivisionCase{99, 50, true, 49},
                                         DivisionCase{30000, 250, false, 30000}, DivisionCase{65535, 100, true, 65535},
                                         DivisionCase{26214, 250, false, 26214}, DivisionCase{26215, 250, false, 26215},
                                         DivisionCase{15360, 250, false, 15360},  // 0x9600 would read as time-code
                                         DivisionCase{13107, 250, true, 0x7FFF}, DivisionCase{13108, 250, false, 13108},
                                         DivisionCase{1, 50, false, 1}, DivisionCase{0, 100, false, 0},
                                         DivisionCase{0xE728, 200, true, 0xE750},   // -25 fps, 40 -> 80 ticks
                                         DivisionCase{0xE728, 1, false, 0xE728},    // 0 ticks per frame
                                         DivisionCase{0xE780, 200, false, 0xE780},  // 256 ticks per frame
                                         DivisionCase{0xE228, 50, true, 0xE214}));

TEST(Tempo, RefusedDivisionIsReportedOnce) {
    const Converted converted =
        Convert(Smf(1, 30000, {Track({kEnd})}), Settings([](ConversionSettings& s) { s.tempoPercent = 250; }));
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    EXPECT_EQ(converted.reports.lines, (std::vector<std::string>{"division refused", "finished 0 0"}));
    EXPECT_EQ(converted.bytes[12], 30000 >> 8);
    EXPECT_EQ(converted.bytes[13], 30000 & 0xFF);
}

struct KeyCase {
    int sf;
    int shift;
    int expected;
};

class KeySignatureRule : public testing::TestWithParam<KeyCase> {};

TEST_P(KeySignatureRule, MovesSevenStepsPerSemitone) {
    const KeyCase& c = GetParam();
    EXPECT_EQ(ShiftKeySignature(static_cast<std::int8_t>(c.sf), static_cast<std::int16_t>(c.shift)), c.expected)
        << "sf " << c.sf << " shift " << c.shift;
}

INSTANTIATE_TEST_SUITE_P(Key, KeySignatureRule,
                         testing::Values(KeyCase{0, 1, -5}, KeyCase{2, 3, -1}, KeyCase{0, 6, 6}, KeyCase{7, 0, 7},
                                         KeyCase{-7, 0, -7}, KeyCase{3, 12, 3}, KeyCase{-2, -24, -2}, KeyCase{0, -1, 5},
                                         KeyCase{0, 2, 2}, KeyCase{-1, 2, 1}, KeyCase{4, 5, 3}, KeyCase{0, 7, 1},
                                         KeyCase{0, 9999, -3}, KeyCase{-7, 1, 0}, KeyCase{7, -1, 0},
                                         KeyCase{0, -999, 3}));

struct KeyMoveCase {
    int key;
    int shift;
    int expected;
};

class KeyIntoRange : public testing::TestWithParam<KeyMoveCase> {};

TEST_P(KeyIntoRange, KeepsThePitchClass) {
    const KeyMoveCase& c = GetParam();
    EXPECT_EQ(ShiftKeyIntoRange(c.key, static_cast<std::int16_t>(c.shift)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Key, KeyIntoRange,
                         testing::Values(KeyMoveCase{60, 3, 63}, KeyMoveCase{120, 12, 120}, KeyMoveCase{127, 1, 116},
                                         KeyMoveCase{5, -12, 5}, KeyMoveCase{0, -1, 11}, KeyMoveCase{0, -12, 0},
                                         KeyMoveCase{127, 9999, 118}, KeyMoveCase{0, -999, 9},
                                         KeyMoveCase{200, 0, 116}));

// The summary a line a part, as the tests below expect it.
std::string Describe(const SongSummary& summary) {
    std::ostringstream out;
    out << "format " << summary.format << ", " << summary.trackChunks << " chunks, division " << summary.division
        << ", " << std::fixed << std::setprecision(3) << summary.seconds << " s\n";
    for (const TrackSummary& track : summary.tracks) {
        out << "track " << track.track << (track.drums ? " drums" : "") << ": " << track.notes << " notes"
            << (track.notes > 0 ? " " + NoteName(track.lowest) + ".." + NoteName(track.highest) : "") << ", programs";
        for (const int program : track.programs) out << " " << program;
        out << ", names";
        for (const std::string& name : track.names) out << " " << name;
        out << "\n";
    }
    if (summary.shift) out << "shift " << summary.shift->lowest << ".." << summary.shift->highest << "\n";
    if (summary.damage == SongDamage::None) return out.str();
    out << (IsBrokenFormat(summary.damage) ? "broken" : "unsupported") << " at " << summary.stoppedAt << " in chunk "
        << summary.stoppedInChunk << "\n";
    return out.str();
}

struct SummaryCase {
    const char* name;
    Bytes song;
    const char* expected;
};

class SummaryRules : public testing::TestWithParam<SummaryCase> {};

// The summary, and its shift range against the conversion: either end converts with no note out
// of range, one beyond either end stops at one.
TEST_P(SummaryRules, ReadsTheSongAsTheConversionDoes) {
    const SummaryCase& c = GetParam();
    const SongSummary summary = SummarizeSong(c.song);
    EXPECT_EQ(Describe(summary), c.expected);
    if (!summary.shift) return;
    const auto resultAt = [&](int shift) {
        return Convert(c.song, Settings([&](ConversionSettings& s) { s.toneShift = static_cast<std::int16_t>(shift); }))
            .result;
    };
    EXPECT_EQ(resultAt(summary.shift->lowest), SummaryResult(c.song));
    EXPECT_EQ(resultAt(summary.shift->highest), SummaryResult(c.song));
    EXPECT_EQ(resultAt(summary.shift->lowest - 1), ConversionResult::OutOfRange);
    EXPECT_EQ(resultAt(summary.shift->highest + 1), ConversionResult::OutOfRange);
}

INSTANTIATE_TEST_SUITE_P(
    Summary, SummaryRules,
    testing::Values(
        SummaryCase{"ThreeTracksOneOfThemDrums",
                    Smf(1, 480,
                        {
                            Track({
                                {0x00, 0xFF, 0x03, 0x05, 'P', 'i', 'a', 'n', 'o'},  // name "Piano"
                                {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40},         // tempo: a second a quarter
                                {0x00, 0xC0, 0},                                    // program 0
                                {0x00, 0x90, 60, 100},                              // note on C4
                                {0x00, 64, 0},                                      // E4 at velocity 0: no note
                                {0x00, 0xC0, 24},                                   // program 24
                                {0x00, 0x90, 67, 100},                              // note on G4
                                {0x83, 0x60, 0x80, 60, 64},                         // at 480: note off C4
                                {0x00, 0x90, 100, 0},                               // key 100, velocity 0
                                {0x83, 0x60, 0x80, 67, 64},                         // at 960: note off G4
                                {0x00, 0xC0, 0},                                    // program 0 again
                                kEnd,
                            }),
                            Track({
                                {0x00, 0xFF, 0x03, 0x05, 'D', 'r', 'u', 'm', 's'},  // name "Drums"
                                {0x00, 0xC9, 16},                                   // program 16 on track 10
                                {0x00, 0x99, 36, 100},                              // note on C2
                                {0x00, 42, 80},                                     // note on F#2
                                {0x83, 0x60, 0x89, 36, 0},                          // at 480: note off C2
                                kEnd,
                            }),
                            Track({
                                {0x00, 0xFF, 0x03, 0x04, 'B', 'a', 's', 's'},      // name "Bass"
                                {0x83, 0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},  // at 480: half a second a quarter
                                {0x00, 0x91, 28, 90},                              // note on E1
                                {0x00, 0x81, 20, 64},                              // note off key 20 alone
                                kEnd,
                            }),
                        }),
                    "format 1, 3 chunks, division 480, 1.500 s\n"
                    "track 1: 2 notes C4..G4, programs 0 24, names Piano\n"
                    "track 2: 1 notes E1..E1, programs, names Bass\n"
                    "track 10 drums: 2 notes C2..F#2, programs 16, names Drums\n"
                    "shift -20..27\n"},
        SummaryCase{"DamagedSongAsFarAsItReads",
                    Smf(1, 480,
                        {
                            Track({
                                {0x00, 0xFF, 0x03, 0x04, 'L', 'e', 'a', 'd'},  // name "Lead"
                                {0x00, 0x90, 72, 100},                         // note on C5
                                {0x80, 0x80, 0x80, 0x00, 0x80, 72, 0},         // a delta time of four bytes
                                kEnd,
                            }),
                            Track({{0x00, 0x91, 30, 100}, kEnd}),
                        }),
                    "format 1, 2 chunks, division 480, 0.000 s\n"
                    "track 1: 1 notes C5..C5, programs, names Lead\n"
                    "shift -72..55\n"
                    "broken at 34 in chunk 1\n"},
        SummaryCase{"NoNotes", Smf(0, 96, {Track({{0x00, 0xB0, 7, 100}, {0x00, 0xC0, 5}, {0x60, 0xB3, 10, 64}, kEnd})}),
                    "format 0, 1 chunks, division 96, 0.500 s\n"
                    "track 1: 0 notes, programs 5, names\n"
                    "track 4: 0 notes, programs, names\n"},
        SummaryCase{"TimeCodeCountsFramesAndTicks",  // 25 frames of 40 ticks a second
                    Smf(0, 0xE728, {Track({{0x83, 0x74, 0x90, 0, 1}, kEnd})}),
                    "format 0, 1 chunks, division 59176, 0.500 s\n"
                    "track 1: 1 notes C-1..C-1, programs, names\n"
                    "shift 0..127\n"}),
    [](const testing::TestParamInfo<SummaryCase>& info) { return std::string(info.param.name); });

}  // namespace
