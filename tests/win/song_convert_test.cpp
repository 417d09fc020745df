// The convert command: the gate's refusals, the conversion's log lines, and its failures.
#include "song_fixture.h"

namespace {

using SongConvertTest = SongTest;

TEST_F(SongConvertTest, WithoutASongTheGateShowsTextFiveWithTheInformationIcon) {
    const size_t logBefore = LogLines().size();
    BoxAnswerer answerer({Press(IDOK)});
    Command(IDM_CONVERT);
    answerer.Seen();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "曲替丸");
    EXPECT_EQ(boxes_[0].text, texts::kNoSource);
    EXPECT_EQ(boxes_[0].icon, InformationIcon());
    EXPECT_EQ(LogLines().size(), logBefore);
    EXPECT_FALSE(HasConvertedSong());
}

TEST_F(SongConvertTest, UnchangedSettingsConvertNothingAndSayNothing) {
    LoadByDrop(Write("song.mid", songs::kSmall));
    const size_t logBefore = LogLines().size();
    Command(IDM_CONVERT);  // just opened: the settings are those of the reset
    conversionSettings.toneShift = 3;
    conversionSettings.toneShift = 0;
    Command(IDC_CONVERT_BUTTON);  // changed and changed back: the values are compared
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(LogLines().size(), logBefore);
    EXPECT_FALSE(HasConvertedSong());

    ConvertWithShift(2);
    ASSERT_TRUE(HasConvertedSong());
    const size_t afterFirst = LogLines().size();
    Command(IDM_CONVERT);  // the same settings again
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(LogLines().size(), afterFirst);
}

TEST_F(SongConvertTest, DeclinedDiscardKeepsTheConvertedSongAndAcceptedReplacesIt) {
    LoadByDrop(Write("song.mid", songs::kSmall));
    ConvertWithShift(2);
    const std::string shiftedByTwo = ConvertedBytes();
    ASSERT_FALSE(shiftedByTwo.empty());
    const size_t logBefore = LogLines().size();

    {
        BoxAnswerer answerer({Press(IDNO)});
        ConvertWithShift(5);
        answerer.Seen();
    }
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "曲替丸");
    EXPECT_EQ(boxes_[0].text, texts::kDiscard);
    EXPECT_EQ(boxes_[0].icon, InformationIcon());
    EXPECT_EQ(ConvertedBytes(), shiftedByTwo);
    EXPECT_EQ(LogLines().size(), logBefore);
    EXPECT_EQ(settingsSnapshot.toneShift, 2);  // no snapshot without a conversion

    {
        BoxAnswerer answerer({Press(IDYES)});
        Command(IDM_CONVERT);
        answerer.Seen();
    }
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[1].text, texts::kDiscard);
    EXPECT_EQ(ConvertedBytes(), EngineOutput(songs::kSmall));
    EXPECT_NE(ConvertedBytes(), shiftedByTwo);
    const std::vector<std::string> messages = LogMessages();
    EXPECT_EQ(std::vector<std::string>(messages.begin() + logBefore, messages.end()),
              (std::vector<std::string>{texts::kStarted, "変換正常終了 5シフト"}));
}

TEST_F(SongConvertTest, CorpusSongConvertsAsTheEngineDoes) {
    const std::string path = Corpus("test-2-tracks-type-1.mid");
    const std::string song = ReadWholeFile(path);
    LoadByDrop(path);
    const size_t logBefore = LogLines().size();
    ConvertWithShift(2);
    EXPECT_TRUE(boxes_.empty());
    const std::vector<std::string> messages = LogMessages();
    EXPECT_EQ(std::vector<std::string>(messages.begin() + logBefore, messages.end()),
              (std::vector<std::string>{texts::kStarted, "変換正常終了 2シフト"}));
    const std::string expected = EngineOutput(song);
    ASSERT_EQ(expected.size(), song.size());
    EXPECT_NE(expected, song);
    EXPECT_EQ(ConvertedBytes(), expected);
    EXPECT_EQ(LoadedBytes(), song);  // the loaded song is never changed
    const std::span<const std::uint8_t> played = SongToPlay();
    EXPECT_EQ(played.data(), convertedSong.bytes.get());
    EXPECT_EQ(played.size(), song.size());
}

// Warnings that do not stop a conversion, each logged in the order the walk meets it.
struct WarningCase {
    const char* name;
    const std::string* song;
    void (*change)(ConversionSettings&);
    std::vector<std::string> logged;  // after text 22
};

TEST_F(SongConvertTest, WarningsAreLoggedBetweenTheStartAndTheEnd) {
    const WarningCase cases[] = {
        {"a note let through out of range",
         &songs::kHighNote,
         [](ConversionSettings& s) {
             s.toneShift = 12;
             s.warnOutOfRange = 0;
         },
         {"！　変換エラー - 演奏範囲オーバー", "！　変換エラー - 演奏範囲オーバー",
          "変換強引に終了 12シフト 2個の演奏範囲オーバー"}},
        {"an instrument without a program change",
         &songs::kSmall,
         [](ConversionSettings& s) { s.instrument[2] = 40; },
         {"変換正常終了 0シフト", "！　トラック 3の初期楽器が見つかりませんでした。"}},
        {"a division that does not fit",
         &songs::kDivision30000,
         [](ConversionSettings& s) { s.tempoPercent = 250; },
         {"！　変化エラー - テンポ値がオーバーしました。デフォルト値を使用します。", "変換正常終了 0シフト"}},
        {"a negative shift",
         &songs::kSmall,
         [](ConversionSettings& s) { s.toneShift = -3; },
         {"変換正常終了 -3シフト"}},
        {"just the header, slower",
         &songs::kHeaderOnly,
         [](ConversionSettings& s) { s.tempoPercent = 50; },
         {"変換正常終了 0シフト"}},
    };
    for (const WarningCase& c : cases) {
        SCOPED_TRACE(c.name);
        CloseSong();
        LoadByDrop(Write("song.mid", *c.song));
        const size_t logBefore = LogLines().size();
        c.change(conversionSettings);
        Command(IDM_CONVERT);
        EXPECT_TRUE(boxes_.empty());
        const std::vector<std::string> messages = LogMessages();
        std::vector<std::string> expected{texts::kStarted};
        expected.insert(expected.end(), c.logged.begin(), c.logged.end());
        EXPECT_EQ(std::vector<std::string>(messages.begin() + logBefore, messages.end()), expected);
        ASSERT_TRUE(HasConvertedSong());
        EXPECT_EQ(ConvertedBytes(), EngineOutput(*c.song));
    }
}

// A failed walk: its message box, and only after the box its log line; no converted song, and
// the snapshot taken, so the same settings do not convert again.
struct FailureCase {
    const char* name;
    const std::string* song;
    std::int16_t shift;
    std::string message;
    std::string logLine;
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class SongConvertFailureTest : public SongTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SongConvertFailureTest, ShowsItsBoxThenLogsAndKeepsNoConvertedSong) {
    const FailureCase& c = GetParam();
    LoadByDrop(Write("song.mid", *c.song));
    const size_t logBefore = LogLines().size();
    {
        BoxAnswerer answerer({Press(IDOK)});
        ConvertWithShift(c.shift);
        answerer.Seen();
    }
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "曲替丸");
    EXPECT_EQ(boxes_[0].text, c.message);
    EXPECT_EQ(boxes_[0].icon, nullptr);
    EXPECT_EQ(boxes_[0].logLines, logBefore + 1);  // text 22 only, while the box is up
    const std::vector<std::string> messages = LogMessages();
    EXPECT_EQ(std::vector<std::string>(messages.begin() + logBefore, messages.end()),
              (std::vector<std::string>{texts::kStarted, c.logLine}));
    EXPECT_FALSE(HasConvertedSong());
    EXPECT_EQ(convertedSong.length, 0u);
    EXPECT_EQ(SongToPlay().data(), songBuffer.bytes.get());
    EXPECT_EQ(settingsSnapshot, conversionSettings);

    Command(IDM_CONVERT);
    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(LogLines().size(), logBefore + 2);
}

INSTANTIATE_TEST_SUITE_P(
    Songs, SongConvertFailureTest,
    ::testing::Values(FailureCase{"NoStatusByte", &songs::kNoStatus, 1, "現在サポートされていないMIDIファイルです。",
                                  "！　変換失敗 - 未知のフォーマット"},
                      FailureCase{"FourByteDeltaTime", &songs::kLongDelta, 1, "ファイルフォーマットが不正です。",
                                  "！　変換失敗 - ファイルフォーマット不正"},
                      FailureCase{"NoteOutOfRange", &songs::kHighNote, 12, "演奏可能範囲を超えてしまいました。",
                                  "！　変換エラー - 演奏範囲オーバー"}),
    CaseName<FailureCase>);

TEST_F(SongConvertTest, ThePreviewPlaysTheLoadedSongBeforeAnyConversion) {
    // The preview reads what the song commands hold: nothing yet.
    EXPECT_TRUE(SongToPlay().empty());
    LoadByDrop(Write("song.mid", songs::kSmall));
    EXPECT_EQ(SongToPlay().data(), songBuffer.bytes.get());
    EXPECT_EQ(SongToPlay().size(), songs::kSmall.size());
}

}  // namespace
