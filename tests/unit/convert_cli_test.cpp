// kadenzo-convert end to end: the built program run on files in a fresh folder.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/unit/song_bytes.h"

#ifdef KADENZO_CONVERT_EXE

namespace fs = std::filesystem;

namespace {

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

struct ProgramRun {
    int status;
    std::string output;  // standard output and standard error together
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

// Middle C on track 1, program change on track 1, a key signature of D major.
Bytes SimpleSong() {
    return Smf(1, 480,
               {
                   Track({
                       {0x00, 0xFF, 0x59, 0x02, 0x02, 0x00},  // key signature: D major
                       {0x00, 0xC0, 0x05},                    // program 6 on channel 1
                       {0x00, 0x90, 0x3C, 0x64},              // note on C4, velocity 100
                       {0x60, 0x80, 0x3C, 0x40},              // 96 ticks later, note off C4
                       {0x00, 0x91, 0x40, 0x64},              // note on E4 on channel 2
                       {0x00, 0x92, 0x43, 0x7F},              // note on G4 on channel 3
                       {0x00, 0xFF, 0x2F, 0x00},              // end of track
                   }),
               });
}

class ConvertCli : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kadenzo-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    ProgramRun RunConverter(const std::string& arguments) {
        const std::string command =
            "cd " + Quoted(folder_.string()) + " && " + Quoted(KADENZO_CONVERT_EXE) + " " + arguments + " 2>&1";
        std::FILE* pipe = popen(command.c_str(), "r");
        ProgramRun run{-1, ""};
        char buffer[4096];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, count);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    fs::path Put(const std::string& name, const Bytes& bytes) {
        WriteBytes(folder_ / name, bytes);
        return folder_ / name;
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

struct RefusalCase {
    const char* arguments;
    const char* named;  // the option the message must name
};

class ConvertCliRefusal : public ConvertCli, public testing::WithParamInterface<RefusalCase> {};

TEST_P(ConvertCliRefusal, RefusesBeforeTouchingAnyFile) {
    Put("song.mid", SimpleSong());
    const ProgramRun run = RunConverter(std::string(GetParam().arguments) + " song.mid");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(GetParam().named), std::string::npos) << run.output;
    EXPECT_EQ(Files(), std::vector<std::string>{"song.mid"});
}

INSTANTIATE_TEST_SUITE_P(
    Options, ConvertCliRefusal,
    testing::Values(RefusalCase{"--shift 10000", "--shift"}, RefusalCase{"--shift -1000", "--shift"},
                    RefusalCase{"--shift 1x", "--shift"}, RefusalCase{"--tempo 0", "--tempo"},
                    RefusalCase{"--tempo 251", "--tempo"}, RefusalCase{"--volume 1=201", "--volume"},
                    RefusalCase{"--volume 1", "--volume"}, RefusalCase{"--velocity 1=128", "--velocity"},
                    RefusalCase{"--instrument 1=129", "--instrument"}, RefusalCase{"--instrument 0=5", "--instrument"},
                    RefusalCase{"--tracks 17", "--tracks"}, RefusalCase{"--tracks 9-1", "--tracks"},
                    RefusalCase{"--tracks 1,,2", "--tracks"}, RefusalCase{"--mute all", "--mute"},
                    RefusalCase{"--jobs 0", "--jobs"}, RefusalCase{"--bogus", "--bogus"},
                    RefusalCase{"-o out.mid other.mid", "-o"}, RefusalCase{"--tempo 120 --shift", "--shift"},
                    RefusalCase{"--json", "--json"}, RefusalCase{"--info -o out.mid", "--info"}));

TEST_F(ConvertCli, NoInputIsAUsageError) { EXPECT_EQ(RunConverter("--shift 2").status, 1); }

TEST_F(ConvertCli, HelpAndVersion) {
    const ProgramRun help = RunConverter("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--instrument LIST=P"), std::string::npos);
    const ProgramRun version = RunConverter("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "kadenzo-convert 1.8\n");
}

TEST_F(ConvertCli, OptionsReachTheWalk) {
    Put("song.mid", SimpleSong());
    const ProgramRun run = RunConverter(
        "--shift 2 --tracks 1,3 --volume 1-4=50 --volume 3=100 --velocity 2=90 "
        "--instrument 1=40 --tempo 150 --mute 16 song.mid");
    ASSERT_EQ(run.status, 0) << run.output;
    Bytes expected = SimpleSong();
    expected[12] = 0x02, expected[13] = 0xD0;  // division 480 -> 720
    expected[26] = 0x04;                       // key signature D major -> E major
    expected[30] = 40;                         // program
    expected[33] = 0x3E, expected[34] = 0x32;  // track 1: shifted, half velocity
    expected[37] = 0x3E, expected[38] = 0x20;
    expected[42] = 90;    // track 2: not shifted, absolute velocity
    expected[45] = 0x45;  // track 3: shifted, velocity kept by the later --volume
    EXPECT_EQ(ReadBytes(folder_ / "song[trans].mid"), expected);
}

TEST_F(ConvertCli, PrintsTheLogTextsInOrder) {
    Put("song.mid", SimpleSong());
    const ProgramRun run = RunConverter("--shift 70 --continue --instrument 5,7=3 --tempo 250 --force song.mid");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string expected = "song.mid: " + U8(u8"変換開始...") + "\n" +
                                 "song.mid: " + U8(u8"！　変換エラー - 演奏範囲オーバー") + "\n" +
                                 "song.mid: " + U8(u8"！　変換エラー - 演奏範囲オーバー") + "\n" +
                                 "song.mid: " + U8(u8"！　変換エラー - 演奏範囲オーバー") + "\n" +
                                 "song.mid: " + U8(u8"！　変換エラー - 演奏範囲オーバー") + "\n" +
                                 "song.mid: " + U8(u8"変換強引に終了 70シフト 4個の演奏範囲オーバー") + "\n" +
                                 "song.mid: " + U8(u8"！　トラック 5の初期楽器が見つかりませんでした。") + "\n" +
                                 "song.mid: " + U8(u8"！　トラック 7の初期楽器が見つかりませんでした。") + "\n";
    EXPECT_EQ(run.output, expected);
}

TEST_F(ConvertCli, DivisionOverflowIsAWarning) {
    Put("song.mid", Smf(1, 30000, {Track(kEnd)}));
    const ProgramRun run = RunConverter("--tempo 250 song.mid");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find(U8(u8"！　変化エラー - テンポ値がオーバーしました。デフォルト値を使用します。")),
              std::string::npos);
    EXPECT_NE(run.output.find(U8(u8"変換正常終了 0シフト")), std::string::npos);
}

// Songs the converter gives up on.
const Bytes kCutOffNote = Smf(1, 480,
                              {
                                  Track({
                                      {0x00, 0x90, 0x3C},  // note on C4 without its velocity
                                  }),
                              });
const Bytes kSystemCommon = Smf(1, 480,
                                {
                                    Track({
                                        {0x00, 0xF1, 0x00},        // a time-code quarter frame: no event of a file
                                        {0x00, 0xFF, 0x2F, 0x00},  // end of track
                                    }),
                                });
const Bytes kTopNote = Smf(1, 480,
                           {
                               Track({
                                   {0x00, 0x90, 0x7F, 0x40},  // note on key 127: out of range when shifted up
                                   {0x00, 0xFF, 0x2F, 0x00},  // end of track
                               }),
                           });

struct FailureCase {
    const char* name;
    Bytes song;
    const char* arguments;
    std::vector<std::string> lines;
};

class ConvertCliFailure : public ConvertCli, public testing::WithParamInterface<FailureCase> {};

TEST_P(ConvertCliFailure, PrintsTheFailureAndLeavesNoFile) {
    const FailureCase& c = GetParam();
    Put("song.mid", c.song);
    const ProgramRun run = RunConverter(std::string(c.arguments) + " song.mid");
    EXPECT_EQ(run.status, 2);
    std::string expected;
    for (const std::string& line : c.lines) expected += "song.mid: " + line + "\n";
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(Files(), std::vector<std::string>{"song.mid"});
    EXPECT_EQ(ReadBytes(folder_ / "song.mid"), c.song);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ConvertCliFailure,
    testing::Values(FailureCase{"Empty", {}, "", {U8(u8"ファイルが不正です。")}},
                    FailureCase{"NotASong", Join({Letters("RIFF"), Bytes(10, 0)}), "", {U8(u8"ファイルが不正です。")}},
                    FailureCase{"BadFormat",
                                kCutOffNote,
                                "",
                                {U8(u8"変換開始..."), U8(u8"ファイルフォーマットが不正です。"),
                                 U8(u8"！　変換失敗 - ファイルフォーマット不正")}},
                    FailureCase{"Unsupported",
                                kSystemCommon,
                                "",
                                {U8(u8"変換開始..."), U8(u8"現在サポートされていないMIDIファイルです。"),
                                 U8(u8"！　変換失敗 - 未知のフォーマット")}},
                    FailureCase{"OutOfRange",
                                kTopNote,
                                "--shift 1",
                                {U8(u8"変換開始..."), U8(u8"演奏可能範囲を超えてしまいました。"),
                                 U8(u8"！　変換エラー - 演奏範囲オーバー")}},
                    FailureCase{
                        "QuietStillPrintsFailures",
                        kTopNote,
                        "--quiet --shift 1",
                        {U8(u8"演奏可能範囲を超えてしまいました。"), U8(u8"！　変換エラー - 演奏範囲オーバー")}}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// Chunk names stored in code page 932, in UTF-8, and in bytes that are neither.
const Bytes kNamedTracks = Smf(1, 480,
                               {
                                   Track({{0x00, 0xFF, 0x03, 0x04, 0x83, 0x73, 0x83, 0x41},  // "ピア" in code page 932
                                          {0x00, 0x90, 60, 100},
                                          kEnd}),
                                   Track({{0x00, 0xFF, 0x03, 0x03, 0xE6, 0x9B, 0xB2},  // "曲" in UTF-8
                                          {0x00, 0x91, 64, 100},
                                          kEnd}),
                                   Track({{0x00, 0xFF, 0x03, 0x04, 'a', 0xFF, '"', 0x83},  // no text either way
                                          {0x00, 0x92, 67, 100},
                                          kEnd}),
                               });

struct InfoCase {
    const char* name;
    const char* arguments;
    int status;
    std::string expected;
};

class ConvertCliInfo : public ConvertCli, public testing::WithParamInterface<InfoCase> {};

// The summaries of the songs named, in input order; nothing written.
TEST_P(ConvertCliInfo, PrintsEachSongsSummary) {
    Put("song.mid", SimpleSong());
    Put("names.mid", kNamedTracks);
    const ProgramRun run = RunConverter(GetParam().arguments);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.output, GetParam().expected);
    EXPECT_EQ(Files(), (std::vector<std::string>{"names.mid", "song.mid"}));
}

INSTANTIATE_TEST_SUITE_P(
    Info, ConvertCliInfo,
    testing::Values(
        InfoCase{"Table", "--info song.mid", 0,
                 "song.mid: format 1, 1 track chunk, division 480, 0.1 s\n"
                 "  track  notes  keys               programs            names\n"
                 "  1          1  C4 (60) - C4 (60)  5 Electric Piano 2  -\n"
                 "  2          1  E4 (64) - E4 (64)  -                   -\n"
                 "  3          1  G4 (67) - G4 (67)  -                   -\n"
                 "  shift: -60 .. +60 semitones\n"},
        InfoCase{
            "JsonWithAFailedFile", "--info --json names.mid nothere.mid", 2,
            "[\n"
            "  {\"file\": \"names.mid\", \"format\": 1, \"trackChunks\": 3, \"division\": 480, \"seconds\": 0.000, "
            "\"tracks\": [{\"track\": 1, \"notes\": 1, \"lowest\": 60, \"highest\": 60, \"programs\": [], "
            "\"names\": [\"" +
                U8(u8"ピア") +
                "\"], \"drums\": false}, "
                "{\"track\": 2, \"notes\": 1, \"lowest\": 64, \"highest\": 64, \"programs\": [], \"names\": [\"" +
                U8(u8"曲") +
                "\"], \"drums\": false}, "
                "{\"track\": 3, \"notes\": 1, \"lowest\": 67, \"highest\": 67, \"programs\": [], \"names\": [\"a" +
                U8(u8"\uFFFD") + "\\\"" + U8(u8"\uFFFD") +
                "\"], \"drums\": false}], "
                "\"shift\": {\"lowest\": -60, \"highest\": 60}},\n"
                "  {\"file\": \"nothere.mid\", \"error\": \"" +
                U8(u8"ファイルを開けませんでした。") +
                "\"}\n"
                "]\n"}),
    [](const testing::TestParamInfo<InfoCase>& info) { return std::string(info.param.name); });

TEST_F(ConvertCli, MissingInputCannotBeOpened) {
    const ProgramRun run = RunConverter("nothere.mid");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, "nothere.mid: " + U8(u8"ファイルを開けませんでした。") + "\n");
}

TEST_F(ConvertCli, FolderCannotBeOpened) {
    fs::create_directory(folder_ / "songs.mid");
    const ProgramRun run = RunConverter("songs.mid");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, "songs.mid: " + U8(u8"ファイルを開けませんでした。") + "\n");
}

TEST_F(ConvertCli, QuietPrintsNothingForASuccess) {
    Put("song.mid", SimpleSong());
    const ProgramRun run = RunConverter("--quiet --shift 1 song.mid");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(fs::exists(folder_ / "song[trans].mid"));
}

struct NameCase {
    const char* input;
    const char* output;
};

class ConvertCliNames : public ConvertCli, public testing::WithParamInterface<NameCase> {};

TEST_P(ConvertCliNames, ResultGoesBesideItsInput) {
    const fs::path input = folder_ / GetParam().input;
    fs::create_directories(input.parent_path());
    WriteBytes(input, SimpleSong());
    const ProgramRun run = RunConverter(Quoted(GetParam().input));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadBytes(folder_ / GetParam().output), SimpleSong());
}

INSTANTIATE_TEST_SUITE_P(Names, ConvertCliNames,
                         testing::Values(NameCase{"song.mid", "song[trans].mid"},
                                         NameCase{"song.MIDI", "song[trans].MIDI"},
                                         NameCase{"a.b.mid", "a.b[trans].mid"}, NameCase{"song", "song[trans]."},
                                         NameCase{"sub.dir/song", "sub.dir/song[trans]."},
                                         NameCase{"曲/歌.mid", "曲/歌[trans].mid"}));

TEST_F(ConvertCli, OutputPathForASingleInput) {
    Put("song.mid", SimpleSong());
    const ProgramRun run = RunConverter("--shift 12 -o out.smf song.mid");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Files(), (std::vector<std::string>{"out.smf", "song.mid"}));
    EXPECT_EQ(ReadBytes(folder_ / "out.smf")[33], 0x48);
}

TEST_F(ConvertCli, ExistingOutputNeedsForce) {
    Put("song.mid", SimpleSong());
    const Bytes old = {1, 2, 3};
    Put("song[trans].mid", old);
    const ProgramRun refused = RunConverter("song.mid");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.output.find("--force"), std::string::npos);
    EXPECT_EQ(ReadBytes(folder_ / "song[trans].mid"), old);
    const ProgramRun forced = RunConverter("--force song.mid");
    EXPECT_EQ(forced.status, 0) << forced.output;
    EXPECT_EQ(ReadBytes(folder_ / "song[trans].mid"), SimpleSong());
    EXPECT_EQ(Files().size(), 2u);
}

TEST_F(ConvertCli, InputIsNeverTheOutput) {
    Put("song.mid", SimpleSong());
    const ProgramRun run = RunConverter("--force --shift 1 -o ./song.mid song.mid");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadBytes(folder_ / "song.mid"), SimpleSong());
}

TEST_F(ConvertCli, UnwritableTargetLeavesNothing) {
    Put("song.mid", SimpleSong());
    const ProgramRun run = RunConverter("-o missing/out.mid song.mid");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find(U8(u8"ファイルを作成できませんでした。")), std::string::npos);
    EXPECT_EQ(Files(), std::vector<std::string>{"song.mid"});
}

TEST_F(ConvertCli, FailedRenameLeavesNoTemporaryFile) {
    Put("song.mid", SimpleSong());
    fs::create_directories(folder_ / "taken" / "inside");
    const ProgramRun run = RunConverter("--force -o taken song.mid");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find(U8(u8"ファイルを作成できませんでした。")), std::string::npos);
    EXPECT_EQ(Files(), (std::vector<std::string>{"song.mid", "taken"}));
    EXPECT_TRUE(fs::exists(folder_ / "taken" / "inside"));
}

// The temporary file's name is never longer than the target's, so a name at the system's limit
// can be written.
TEST_F(ConvertCli, TargetNameAtTheLimitIsWritten) {
    Put("song.mid", SimpleSong());
    const std::string longest(255 - 4, 'n');
    const ProgramRun run = RunConverter("-o " + longest + ".mid song.mid");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadBytes(folder_ / (longest + ".mid")), SimpleSong());
    EXPECT_EQ(Files().size(), 2u);
}

TEST_F(ConvertCli, ReplacedFileKeepsItsPermissions) {
    Put("song.mid", SimpleSong());
    Put("out.mid", {1, 2, 3});
    const auto kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(folder_ / "out.mid", kept);
    const ProgramRun run = RunConverter("--force -o out.mid song.mid");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadBytes(folder_ / "out.mid"), SimpleSong());
    EXPECT_EQ(fs::status(folder_ / "out.mid").permissions(), kept);
}

TEST_F(ConvertCli, ManyFilesInParallelPrintInInputOrder) {
    std::string arguments = "--jobs 4 --shift 1";
    std::string expected;
    const Bytes unsupported =
        Smf(1, 480,
            {
                Track({
                    {0x00, 0xF1},  // a system common message, cut off: the converter stops at its status
                }),
            });
    for (int i = 0; i < 24; ++i) {
        const std::string name = "song" + std::to_string(i) + ".mid";
        const bool bad = i % 5 == 3;
        Put(name, bad ? unsupported : SimpleSong());
        arguments += " " + name;
        expected += name + ": " + U8(u8"変換開始...") + "\n";
        expected += bad ? name + ": " + U8(u8"現在サポートされていないMIDIファイルです。") + "\n" + name + ": " +
                              U8(u8"！　変換失敗 - 未知のフォーマット") + "\n"
                        : name + ": " + U8(u8"変換正常終了 1シフト") + "\n";
    }
    const ProgramRun run = RunConverter(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(Files().size(), 24u + 19u);
}

}  // namespace

#endif
