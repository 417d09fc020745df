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

Bytes ReadSong(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

struct Expected {
    ConversionResult result;
    std::size_t length;  // produced bytes on Converted
};

constexpr auto C = ConversionResult::Converted;
constexpr auto B = ConversionResult::BadFormat;
constexpr auto U = ConversionResult::Unsupported;

// Files that fail the header check are listed with result BadFormat and length 0 under
// `headerFails` below instead.
const std::map<std::string, Expected> kExpected = {
    {"test-2-tracks-type-0.mid", {C, 348}},
    {"test-2-tracks-type-1.mid", {C, 311}},
    {"test-2-tracks-type-2.mid", {C, 309}},
    {"test-all-gm-percussion.mid", {C, 2837}},
    {"test-all-gm-sounds.mid", {C, 7825}},
    {"test-all-gm2-sounds.mid", {C, 18855}},
    {"test-all-gs-sounds.mid", {C, 86305}},
    {"test-all-microsoft-gs-wavetable-synth-sounds.mid", {C, 13744}},
    {"test-all-xg-sounds.mid", {C, 78185}},
    {"test-c-major-scale.mid", {C, 473}},
    {"test-control-00-20-bank-select.mid", {C, 368}},
    {"test-control-40-damper.mid", {C, 276}},
    {"test-control-41-portamento.mid", {C, 269}},
    {"test-control-54-portamento-control.mid", {C, 197}},
    {"test-control-7c-omni-mode-off.mid", {C, 221}},
    {"test-control-7d-omni-mode-on.mid", {C, 219}},
    {"test-control-7e-mono-mode-on.mid", {C, 224}},
    {"test-control-7f-poly-mode-on.mid", {C, 224}},
    {"test-corrupt-file-extra-byte.mid", {C, 275}},  // the stray byte after the last track is left out
    {"test-corrupt-file-missing-byte.mid", {B, 0}},
    {"test-empty.mid", {C, 26}},
    {"test-gm2-doggy-78-00-38-4c.mid", {C, 197}},
    {"test-gm2-doggy-79-01-7b.mid", {C, 197}},
    {"test-gs-doggy-01-00-7b.mid", {C, 245}},
    {"test-illegal-message-all.mid", {U, 0}},
    {"test-illegal-message-f1-xx.mid", {U, 0}},
    {"test-illegal-message-f2-xx-xx.mid", {U, 0}},
    {"test-illegal-message-f3-xx.mid", {U, 0}},
    {"test-illegal-message-f4.mid", {U, 0}},
    {"test-illegal-message-f5.mid", {U, 0}},
    {"test-illegal-message-f6.mid", {U, 0}},
    {"test-illegal-message-f8.mid", {U, 0}},
    {"test-illegal-message-f9.mid", {U, 0}},
    {"test-illegal-message-fa.mid", {U, 0}},
    {"test-illegal-message-fb.mid", {U, 0}},
    {"test-illegal-message-fc.mid", {U, 0}},
    {"test-illegal-message-fd.mid", {U, 0}},
    {"test-illegal-message-fe.mid", {U, 0}},
    {"test-karaoke-kar.mid", {C, 607}},
    {"test-multichannel-chords-0.mid", {C, 634}},
    {"test-multichannel-chords-1.mid", {C, 682}},
    {"test-multichannel-chords-2.mid", {C, 691}},
    {"test-multichannel-chords-3.mid", {C, 663}},
    {"test-non-midi-track.mid", {U, 0}},  // a chunk that is not "MTrk" reads as data bytes
    {"test-note-on-velocity.mid", {C, 392}},
    {"test-rpn-00-00-pitch-bend-range.mid", {C, 12094}},
    {"test-rpn-00-01-fine-tuning.mid", {C, 443}},
    {"test-rpn-00-02-coarse-tuning.mid", {C, 357}},
    {"test-rpn-00-05-modulation-depth-range.mid", {C, 6358}},
    {"test-running-status-metaevent.mid", {C, 261}},
    {"test-running-status-sysex.mid", {C, 252}},
    {"test-silence-all-notes-off.mid", {C, 203}},
    {"test-silence-end-of-track.mid", {C, 200}},
    {"test-silence-text-metaevent.mid", {C, 206}},
    {"test-smpte-offset.mid", {C, 242}},
    {"test-sysex-7e-06-01-id-request.mid", {C, 205}},
    {"test-sysex-7e-09-01-gm1-enable.mid", {C, 220}},
    {"test-sysex-7e-09-02-gm-disable.mid", {C, 221}},
    {"test-sysex-7e-09-03-gm2-enable.mid", {C, 220}},
    {"test-sysex-7f-04-03-master-fine-tuning.mid", {C, 317}},
    {"test-sysex-7f-04-04-master-coarse-tuning.mid", {C, 367}},
    {"test-sysex-7x-08-0x-scale-tuning.mid", {C, 1318}},
    {"test-sysex-gs-40-1x-15-drum-part-change.mid", {C, 392}},
    {"test-sysex-gs-40-1x-4x-scale-tuning.mid", {C, 284}},
    {"test-track-length.mid", {C, 221}},
    {"test-vlq-2-byte.mid", {C, 265}},
    {"test-vlq-3-byte.mid", {C, 274}},
    {"test-vlq-4-byte.mid", {B, 0}},  // delta times are read up to three bytes
    {"test-xg-doggy-40-00-30.mid", {C, 197}},
    {"test-xg-doggy-7e-00-00-54.mid", {C, 197}},
};

const std::vector<std::string> kHeaderFails = {"test-empty-file.mid", "test-not-a-midi-file.mid"};

std::vector<std::string> CorpusSongs()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
        if (entry.path().extension() == ".mid") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Corpus, EverySongIsListed)
{
    const std::vector<std::string> songs = CorpusSongs();
    EXPECT_EQ(songs.size(), kExpected.size() + kHeaderFails.size());
    for (const std::string& name : songs) {
        const bool listed = kExpected.count(name) == 1 ||
                            std::find(kHeaderFails.begin(), kHeaderFails.end(), name) != kHeaderFails.end();
        EXPECT_TRUE(listed) << name;
    }
}

TEST(Corpus, HeaderCheckRefusesTheNonSongs)
{
    for (const std::string& name : kHeaderFails) {
        const Bytes song = ReadSong(kCorpus / name);
        EXPECT_EQ(CheckLoadedSong(song.data(), song.size()), SongLoadOutcome::InvalidFile) << name;
    }
}

TEST(Corpus, DefaultSettingsGiveTheKnownResultAndAnExactCopy)
{
    for (const auto& [name, expected] : kExpected) {
        const Bytes song = ReadSong(kCorpus / name);
        ASSERT_TRUE(SongHeaderPasses(song.data(), song.size())) << name;
        const Converted converted = Convert(song, ConversionSettings{});
        EXPECT_EQ(converted.result, expected.result) << name;
        if (converted.result != ConversionResult::Converted) continue;
        ASSERT_EQ(converted.bytes.size(), expected.length) << name;
        EXPECT_TRUE(std::equal(converted.bytes.begin(), converted.bytes.end(), song.begin())) << name;
        EXPECT_EQ(converted.reports.lines, std::vector<std::string>{"finished 0 0"}) << name;
    }
}

TEST(Corpus, EverySettingChangesOnlyNotesProgramsKeysAndDivision)
{
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
    for (const auto& [name, expected] : kExpected) {
        const Bytes song = ReadSong(kCorpus / name);
        const Converted converted = Convert(song, settings);
        if (expected.result != ConversionResult::Converted) continue;
        ASSERT_EQ(converted.result, ConversionResult::Converted) << name;
        ASSERT_EQ(converted.bytes.size(), expected.length) << name;
        const auto roles = ByteRoles(song.data(), converted.bytes.size());
        ASSERT_TRUE(roles.has_value()) << name;
        EXPECT_EQ(ForbiddenChange(song.data(), converted.bytes.data(), *roles), std::nullopt) << name;
        for (std::size_t i = 0; i < roles->size(); ++i) {
            movedKeys += (*roles)[i] == ByteRole::NoteKey && converted.bytes[i] != song[i];
        }
    }
    EXPECT_GT(movedKeys, 1000u);  // the settings did act on the corpus
}

TEST(Corpus, CMajorScaleMovesUpAWholeTone)
{
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
