#include <gtest/gtest.h>

#include "song/song_header.h"
#include "tests/unit/song_bytes.h"

namespace {

struct HeaderCase {
    const char* name;
    Bytes bytes;
    SongLoadOutcome expected;
};

// What follows "MThd" and its length: format 1, one track, division 480.
const Bytes kHeaderBody = {0x00, 0x01, 0x00, 0x01, 0x01, 0xE0};

Bytes Shortened(Bytes bytes, std::size_t length) {
    bytes.resize(length);
    return bytes;
}

class HeaderCheck : public testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderCheck, DecidesFromTheFirstFourteenBytes) {
    const HeaderCase& c = GetParam();
    EXPECT_EQ(CheckLoadedSong(c.bytes.data(), c.bytes.size()), c.expected);
    EXPECT_EQ(SongHeaderPasses(c.bytes.data(), c.bytes.size()), c.expected == SongLoadOutcome::Loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Song, HeaderCheck,
    testing::Values(
        HeaderCase{"HeaderOnly", Header(1, 1, 480), SongLoadOutcome::Loaded},
        HeaderCase{"FormatZero", Header(0, 1, 96), SongLoadOutcome::Loaded},
        HeaderCase{"FormatTwo", Header(2, 5, 96), SongLoadOutcome::Loaded},
        HeaderCase{"AnyDivision", Header(1, 1, 0xE728), SongLoadOutcome::Loaded},
        HeaderCase{"ZeroDivision", Header(1, 1, 0), SongLoadOutcome::Loaded},
        HeaderCase{"TracksFollow", Smf(1, 480, {Track({{0x00, 0xFF, 0x2F, 0x00}})}), SongLoadOutcome::Loaded},
        HeaderCase{"Empty", {}, SongLoadOutcome::InvalidFile},
        HeaderCase{"ThirteenBytes", Shortened(Header(1, 1, 480), 13), SongLoadOutcome::InvalidFile},
        HeaderCase{"FormatThree", Header(3, 1, 96), SongLoadOutcome::InvalidFile},
        HeaderCase{"FormatHighByte", Header(0x100, 1, 96), SongLoadOutcome::InvalidFile},
        HeaderCase{"NoTracks", Header(1, 0, 480), SongLoadOutcome::InvalidFile},
        HeaderCase{"HeaderLengthSeven", ChunkWithLength("MThd", 7, kHeaderBody), SongLoadOutcome::InvalidFile},
        HeaderCase{"HeaderLengthHighByte", ChunkWithLength("MThd", 0x01000006, kHeaderBody),
                   SongLoadOutcome::InvalidFile},
        HeaderCase{"LowerCaseSignature", Chunk("mThd", kHeaderBody), SongLoadOutcome::InvalidFile},
        HeaderCase{"TrackSignature", Chunk("MTrk", kHeaderBody), SongLoadOutcome::InvalidFile},
        HeaderCase{"RiffForm", Join({Letters("RIFF"), {0, 0, 0, 0}, Letters("RMIDdata")}),
                   SongLoadOutcome::InvalidFile}),
    [](const testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST(SongHeader, NullBytesFail) { EXPECT_FALSE(SongHeaderPasses(nullptr, 14)); }

TEST(SongHeader, OutcomesNameTheirTexts) {
    EXPECT_EQ(SongLoadOutcomeText(SongLoadOutcome::Loaded), 0);
    EXPECT_EQ(SongLoadOutcomeText(SongLoadOutcome::CannotOpen), 13);
    EXPECT_EQ(SongLoadOutcomeText(SongLoadOutcome::InvalidFile), 15);
    EXPECT_EQ(SongLoadOutcomeText(SongLoadOutcome::NoMemory), 1);
}

TEST(SongHeader, ReadsTrackCountAndDivisionBigEndian) {
    const Bytes header = Header(1, 0x0102, 0x0304);
    EXPECT_EQ(SongTrackCount(header.data()), 0x0102);
    EXPECT_EQ(SongDivision(header.data()), 0x0304);
}

}  // namespace
