// The public test songs in tests/data/corpus (MIT licence beside them): every song that passes
// the header check converts to a known result, and the default settings copy it byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "song/song_header.h"
#include "tests/unit/byte_roles.h"
#include "tests/unit/song_bytes.h"

namespace {

const std::filesystem::path kCorpus = std::filesystem::path(KADENZO_SOURCE_DIR) / "tests/data/corpus";

Bytes ReadSong(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// Every song converts, to its full length, except these.
const std::map<std::string, ConversionResult> kStopped = {
    {"test-corrupt-file-missing-byte.mid", ConversionResult::BadFormat},
    {"test-illegal-message-all.mid", ConversionResult::Unsupported},
    {"test-illegal-message-f1-xx.mid", ConversionResult::Unsupported},
    {"test-illegal-message-f2-xx-xx.mid", ConversionResult::Unsupported},
    {"test-illegal-message-f3-xx.mid", ConversionResult::Unsupported},
    {"test-illegal-message-f4.mid", ConversionResult::Unsupported},
    {"test-illegal-message-f5.mid", ConversionResult::Unsupported},
    {"test-illegal-message-f6.mid", ConversionResult::Unsupported},
    {"test-illegal-message-f8.mid", ConversionResult::Unsupported},
    {"test-illegal-message-f9.mid", ConversionResult::Unsupported},
    {"test-illegal-message-fa.mid", ConversionResult::Unsupported},
    {"test-illegal-message-fb.mid", ConversionResult::Unsupported},
    {"test-illegal-message-fc.mid", ConversionResult::Unsupported},
    {"test-illegal-message-fd.mid", ConversionResult::Unsupported},
    {"test-illegal-message-fe.mid", ConversionResult::Unsupported},
    {"test-vlq-4-byte.mid", ConversionResult::BadFormat},  // delta times are read up to three bytes
};
// The stray byte after the last track is left out.
const std::map<std::string, std::size_t> kShortened = {{"test-corrupt-file-extra-byte.mid", 275}};
constexpr std::size_t kSongCount = 72;

const std::vector<std::string> kHeaderFails = {"test-empty-file.mid", "test-not-a-midi-file.mid"};

std::vector<std::string> CorpusSongs() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
        if (entry.path().extension() == ".mid") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Corpus, AllSongsAreThere) { EXPECT_EQ(CorpusSongs().size(), kSongCount); }

TEST(Corpus, HeaderCheckRefusesTheNonSongs) {
    for (const std::string& name : kHeaderFails) {
        const Bytes song = ReadSong(kCorpus / name);
        EXPECT_EQ(CheckLoadedSong(song.data(), song.size()), SongLoadOutcome::InvalidFile) << name;
    }
}

bool FailsTheHeaderCheck(const std::string& name) {
    return std::find(kHeaderFails.begin(), kHeaderFails.end(), name) != kHeaderFails.end();
}

TEST(Corpus, DefaultSettingsGiveTheKnownResultAndAnExactCopy) {
    for (const std::string& name : CorpusSongs()) {
        if (FailsTheHeaderCheck(name)) continue;
        const Bytes song = ReadSong(kCorpus / name);
        ASSERT_TRUE(SongHeaderPasses(song.data(), song.size())) << name;
        const Converted converted = Convert(song, ConversionSettings{});
        const auto stopped = kStopped.find(name);
        EXPECT_EQ(converted.result, stopped == kStopped.end() ? ConversionResult::Converted : stopped->second) << name;
        if (converted.result != ConversionResult::Converted) continue;
        const auto shortened = kShortened.find(name);
        ASSERT_EQ(converted.bytes.size(), shortened == kShortened.end() ? song.size() : shortened->second) << name;
        EXPECT_TRUE(std::equal(converted.bytes.begin(), converted.bytes.end(), song.begin())) << name;
        EXPECT_EQ(converted.reports.lines, std::vector<std::string>{"finished 0 0"}) << name;
    }
}

TEST(Corpus, EverySettingChangesOnlyNotesProgramsKeysAndDivision) {
    ConversionSettings settings;
    settings.toneShift = 5;
    settings.warnOutOfRange = 0;
    settings.volume[0] = 50;
    settings.absoluteVolume[1] = 1;
    settings.volume[1] = 90;
    settings.instrument[0] = 40;
    settings.tempoPercent = 150;
    settings.muteTrackMask = 1u << 2;
    std::size_t movedKeys = 0;
    for (const std::string& name : CorpusSongs()) {
        if (FailsTheHeaderCheck(name) || kStopped.count(name) == 1) continue;
        const Bytes song = ReadSong(kCorpus / name);
        const Converted converted = Convert(song, settings);
        ASSERT_EQ(converted.result, ConversionResult::Converted) << name;
        const auto roles = ByteRoles(song.data(), converted.bytes.size());
        ASSERT_TRUE(roles.has_value()) << name;
        EXPECT_EQ(ForbiddenChange(song.data(), converted.bytes.data(), *roles), std::nullopt) << name;
        for (std::size_t i = 0; i < roles->size(); ++i) {
            movedKeys += (*roles)[i] == ByteRole::NoteKey && converted.bytes[i] != song[i];
        }
    }
    EXPECT_GT(movedKeys, 1000u);  // the settings did act on the corpus
}

// The song with one more track promised than it has, and `tail` after its last track.
Bytes WithTail(const Bytes& song, const Bytes& tail) {
    Bytes longer = song;
    const std::uint16_t tracks = SongTrackCount(song.data()) + 1;
    longer[10] = static_cast<std::uint8_t>(tracks >> 8);
    longer[11] = static_cast<std::uint8_t>(tracks);
    longer.insert(longer.end(), tail.begin(), tail.end());
    return longer;
}

// The songs that convert whole with the default settings.
std::vector<std::string> WholeSongs() {
    std::vector<std::string> names;
    for (const std::string& name : CorpusSongs()) {
        if (!FailsTheHeaderCheck(name) && kStopped.count(name) == 0 && kShortened.count(name) == 0)
            names.push_back(name);
    }
    return names;
}

TEST(Corpus, WhatFollowsTheLastTrackIsRefusedOrSkipped) {
    struct TailCase {
        const char* name;
        Bytes tail;
        ConversionResult expected;
    };
    const TailCase cases[] = {
        {"padding", {0x00, 0x00, 0x00, 0x00}, ConversionResult::Unsupported},
        {"a second song", Header(1, 1, 480), ConversionResult::BadFormat},
        {"a cut-off signature", Letters("MT"), ConversionResult::BadFormat},
        {"another chunk", Chunk("Junk", {0x90, 0x3C, 0x40}), ConversionResult::Converted},
    };
    ConversionSettings settings;
    settings.toneShift = 1;
    settings.warnOutOfRange = 0;
    for (const std::string& name : WholeSongs()) {
        const Bytes song = ReadSong(kCorpus / name);
        const Converted plain = Convert(song, settings);
        ASSERT_EQ(plain.result, ConversionResult::Converted) << name;
        for (const TailCase& c : cases) {
            const Bytes longer = WithTail(song, c.tail);
            const Converted converted = Convert(longer, settings);
            ASSERT_EQ(converted.result, c.expected) << name << ", " << c.name;
            if (c.expected != ConversionResult::Converted) continue;
            Bytes expected = WithTail(plain.bytes, c.tail);
            EXPECT_EQ(converted.bytes, expected) << name << ", " << c.name;
        }
    }
}

TEST(Corpus, AChunkAfterTheHeaderChangesNothingElse) {
    const Bytes junk = Chunk("Junk", {0x00, 0x90, 0x3C, 0x40});
    ConversionSettings settings;
    settings.toneShift = 1;
    settings.warnOutOfRange = 0;
    for (const std::string& name : WholeSongs()) {
        const Bytes song = ReadSong(kCorpus / name);
        Bytes withJunk = song;
        withJunk.insert(withJunk.begin() + kSongHeaderSize, junk.begin(), junk.end());
        const Converted plain = Convert(song, settings);
        const Converted converted = Convert(withJunk, settings);
        ASSERT_EQ(converted.result, ConversionResult::Converted) << name;
        Bytes expected = plain.bytes;
        expected.insert(expected.begin() + kSongHeaderSize, junk.begin(), junk.end());
        EXPECT_EQ(converted.bytes, expected) << name;
    }
}

TEST(Corpus, NonMidiTrackSongKeepsItsJunkChunk) {
    const Bytes song = ReadSong(kCorpus / "test-non-midi-track.mid");
    ConversionSettings settings;
    settings.toneShift = 2;
    const Converted converted = Convert(song, settings);
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    ASSERT_EQ(converted.bytes.size(), song.size());
    const std::size_t junkEnd = kSongHeaderSize + 8 + 0x1B;  // "Junk" and its 27 bytes
    EXPECT_TRUE(std::equal(song.begin(), song.begin() + junkEnd, converted.bytes.begin()));
    EXPECT_NE(converted.bytes, song);  // the track's notes moved
}

TEST(Corpus, ADivisionTooLargeForATickCountIsKept) {
    for (const std::string& name : WholeSongs()) {
        const Bytes song = ReadSong(kCorpus / name);
        const std::uint16_t division = SongDivision(song.data());
        if (division & 0x8000) continue;
        ConversionSettings settings;
        // The smallest percentage that takes the division to 0x8000 or more.
        const std::uint32_t percent = (0x8000u * 100 + division - 1) / division;
        if (percent > 0xFFFF) continue;
        settings.tempoPercent = static_cast<std::uint16_t>(percent);
        const Converted converted = Convert(song, settings);
        ASSERT_EQ(converted.result, ConversionResult::Converted) << name;
        EXPECT_EQ(SongDivision(converted.bytes.data()), division) << name;
        EXPECT_EQ(converted.reports.lines.front(), "division refused") << name;
    }
}

TEST(Corpus, CMajorScaleMovesUpAWholeTone) {
    const Bytes song = ReadSong(kCorpus / "test-c-major-scale.mid");
    ConversionSettings settings;
    settings.toneShift = 2;
    const Converted converted = Convert(song, settings);
    ASSERT_EQ(converted.result, ConversionResult::Converted);
    const auto roles = ByteRoles(song.data(), converted.bytes.size());
    ASSERT_TRUE(roles.has_value());
    std::size_t notes = 0;
    for (std::size_t i = 0; i < roles->size(); ++i) {
        if ((*roles)[i] != ByteRole::NoteKey) continue;
        EXPECT_EQ(converted.bytes[i], song[i] + 2) << "at " << i;
        ++notes;
    }
    EXPECT_GE(notes, 16u);  // eight notes up the scale, each on and off
}

}  // namespace
