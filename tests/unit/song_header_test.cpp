#include <gtest/gtest.h>

#include "song/song_header.h"
#include "tests/unit/song_bytes.h"

namespace {

struct HeaderCase {
    const char* name;
    Bytes bytes;
    SongLoadOutcome expected;
};

Bytes WithByte(Bytes bytes, std::size_t index, std::uint8_t value) {
    bytes[index] = value;
    return bytes;
}

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
    testing::Values(HeaderCase{"HeaderOnly", SongHeader(1), SongLoadOutcome::Loaded},
                    HeaderCase{"FormatZero", SongHeader(1, 96, 0), SongLoadOutcome::Loaded},
                    HeaderCase{"FormatTwo", SongHeader(5, 96, 2), SongLoadOutcome::Loaded},
                    HeaderCase{"AnyDivision", SongHeader(1, 0xE728), SongLoadOutcome::Loaded},
                    HeaderCase{"ZeroDivision", SongHeader(1, 0), SongLoadOutcome::Loaded},
                    HeaderCase{"TracksFollow", OneTrackSong({0x00, 0xFF, 0x2F, 0x00}), SongLoadOutcome::Loaded},
                    HeaderCase{"Empty", {}, SongLoadOutcome::InvalidFile},
                    HeaderCase{"ThirteenBytes", Shortened(SongHeader(1), 13), SongLoadOutcome::InvalidFile},
                    HeaderCase{"FormatThree", SongHeader(1, 96, 3), SongLoadOutcome::InvalidFile},
                    HeaderCase{"FormatHighByte", SongHeader(1, 96, 0x100), SongLoadOutcome::InvalidFile},
                    HeaderCase{"NoTracks", SongHeader(0), SongLoadOutcome::InvalidFile},
                    HeaderCase{"HeaderLengthSeven", WithByte(SongHeader(1), 7, 7), SongLoadOutcome::InvalidFile},
                    HeaderCase{"HeaderLengthHighByte", WithByte(SongHeader(1), 4, 1), SongLoadOutcome::InvalidFile},
                    HeaderCase{"LowerCaseSignature", WithByte(SongHeader(1), 0, 'm'), SongLoadOutcome::InvalidFile},
                    HeaderCase{"TrackSignature", WithByte(WithByte(SongHeader(1), 2, 'r'), 3, 'k'),
                               SongLoadOutcome::InvalidFile},
                    HeaderCase{"RiffForm",
                               {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'},
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
    const Bytes header = SongHeader(0x0102, 0x0304);
    EXPECT_EQ(SongTrackCount(header.data()), 0x0102);
    EXPECT_EQ(SongDivision(header.data()), 0x0304);
}

}  // namespace
