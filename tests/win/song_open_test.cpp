// Opening a song: the open dialog, drops, the command line, the discard question, the header
// check and files that cannot be read.
#include "song_fixture.h"
#include "tests/win/engine_test_support.h"

namespace {

using SongOpenTest = SongTest;

const std::string kOpened = "ファイル『song.mid』を正しくオープンしました。";
// What the log says after opening songs::kSmall: the line above, then the song at a glance.
const std::vector<std::string> kSmallOpened = {kOpened, "トラック1: 楽器指定なし　ノート1個　音域 C4～C4",
                                               "シフト可能範囲 -60～+67"};
// The log's last `count` messages.
std::vector<std::string> Last(const std::vector<std::string>& messages, size_t count) {
    return {messages.end() - static_cast<std::ptrdiff_t>(std::min(count, messages.size())), messages.end()};
}

TEST_F(SongOpenTest, OpenThroughTheDialogShowsThePathAndLogsOnlyTheFileName) {
    // 表 (0x95 0x5C) in the folder name: its second byte is no separator.
    const std::string folder = folder_.File("\x95\x5C");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string song = ReadWholeFile(KADENZO_SOURCE_DIR "/tests/data/corpus/test-2-tracks-type-1.mid");
    ASSERT_EQ(song.size(), 311u);
    const std::string path = folder + "\\song.mid";
    WriteFileBytes(path, song);

    BoxAnswerer answerer({TypePath(path)});
    Command(IDM_OPEN);
    ASSERT_EQ(answerer.Seen().size(), 1u);

    EXPECT_EQ(PathField(), path);
    EXPECT_STREQ(songPath, path.c_str());
    EXPECT_EQ(LoadedBytes(), song);
    // The song at a glance follows: the tracks that play, with no program change, and the shift range.
    EXPECT_EQ(
        Last(LogMessages(), 4),
        (std::vector<std::string>{kOpened, "トラック1: 楽器指定なし　ノート8個　音域 C4～C5",
                                  "トラック2: 楽器指定なし　ノート8個　音域 C#4～C#5", "シフト可能範囲 -60～+54"}));
    EXPECT_TRUE(boxes_.empty());
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(SongOpenTest, TheBrowseButtonOpensToo) {
    const std::string path = Write("song.mid", songs::kSmall);
    BoxAnswerer answerer({TypePath(path)});
    Command(IDC_BROWSE_BUTTON);
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(PathField(), path);
    EXPECT_EQ(LoadedBytes(), songs::kSmall);
}

TEST_F(SongOpenTest, CancelledDialogKeepsTheOpenSong) {
    const std::string path = Write("song.mid", songs::kSmall);
    LoadByDrop(path);
    conversionSettings.toneShift = 4;
    BoxAnswerer answerer({Press(IDCANCEL)});
    Command(IDM_OPEN);
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(PathField(), path);
    EXPECT_EQ(LoadedBytes(), songs::kSmall);
    EXPECT_EQ(conversionSettings.toneShift, 4);
}

TEST_F(SongOpenTest, DropOfOneFileOpensItAndReleasesTheDrop) {
    const std::string path = Write("song.mid", songs::kSmall);
    const HGLOBAL drop = Drop({path});
    EXPECT_TRUE(Released(drop));
    EXPECT_EQ(PathField(), path);
    EXPECT_EQ(LoadedBytes(), songs::kSmall);
    EXPECT_EQ(Last(LogMessages(), 3), kSmallOpened);
    EXPECT_EQ(GetForegroundWindow(), main_);
}

TEST_F(SongOpenTest, DropOfThreeFilesOpensOnlyTheFirst) {
    const std::string first = Write("song.mid", songs::kSmall);
    const std::string second = Write("second.mid", songs::kHeaderOnly);
    const std::string third = Write("third.mid", songs::kHeaderOnly);
    const size_t before = LogLines().size();
    const HGLOBAL drop = Drop({first, second, third});
    EXPECT_TRUE(Released(drop));
    EXPECT_EQ(PathField(), first);
    EXPECT_EQ(LoadedBytes(), songs::kSmall);
    EXPECT_EQ(LogMessages(), [&] {
        std::vector<std::string> expected = LogMessages();
        expected.resize(before);
        expected.insert(expected.end(), kSmallOpened.begin(), kSmallOpened.end());
        return expected;
    }());
}

TEST_F(SongOpenTest, DropOfAPathLongerThanTheLimitOpensNothing) {
    const std::string tooLong = folder_.File(std::string(300, 'a') + ".mid");
    BoxAnswerer answerer({Press(IDOK)});
    const HGLOBAL drop = Drop({tooLong});
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "ドロップされたファイルを取得できませんでした。");
    EXPECT_TRUE(Released(drop));
    EXPECT_FALSE(SongLoaded());
    EXPECT_EQ(PathField(), "");
}

// The discard question comes first whenever a converted song exists, for both ways of opening.
struct DiscardCase {
    const char* name;
    bool byDrop;
    int answer;
};
void PrintTo(const DiscardCase& c, std::ostream* out) { *out << c.name; }

class SongDiscardTest : public SongTest, public ::testing::WithParamInterface<DiscardCase> {};

TEST_P(SongDiscardTest, QuestionBeforeOpening) {
    const DiscardCase& c = GetParam();
    const std::string first = Write("song.mid", songs::kSmall);
    const std::string other = Write("other.mid", songs::kHeaderOnly);
    LoadByDrop(first);
    ConvertWithShift(2);
    ASSERT_TRUE(HasConvertedSong());
    const std::string converted = ConvertedBytes();

    std::vector<BoxAnswerer::Answer> answers{Press(c.answer)};
    if (c.answer == IDYES && !c.byDrop) answers.push_back(TypePath(other));
    BoxAnswerer answerer(answers);
    HGLOBAL drop = nullptr;
    if (c.byDrop) {
        drop = Drop({other});
    } else {
        Command(IDM_OPEN);
    }
    ASSERT_EQ(answerer.Seen().size(), answers.size());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "曲替丸");
    EXPECT_EQ(boxes_[0].text, texts::kDiscard);
    EXPECT_EQ(boxes_[0].icon, InformationIcon());
    if (drop) {
        EXPECT_TRUE(Released(drop));
    }

    if (c.answer == IDNO) {
        EXPECT_EQ(PathField(), first);
        EXPECT_EQ(LoadedBytes(), songs::kSmall);
        EXPECT_EQ(ConvertedBytes(), converted);
        EXPECT_EQ(conversionSettings.toneShift, 2);
    } else {
        EXPECT_EQ(PathField(), other);
        EXPECT_EQ(LoadedBytes(), songs::kHeaderOnly);
        EXPECT_FALSE(HasConvertedSong());
        EXPECT_EQ(conversionSettings, ConversionSettings{});
        EXPECT_EQ(settingsSnapshot, ConversionSettings{});
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, SongDiscardTest,
                         ::testing::Values(DiscardCase{"OpenNo", false, IDNO}, DiscardCase{"OpenYes", false, IDYES},
                                           DiscardCase{"DropNo", true, IDNO}, DiscardCase{"DropYes", true, IDYES}),
                         CaseName<DiscardCase>);

// Message boxes that cannot be shown: the creation of every dialog window on this thread is
// refused, so the box's call fails.
class RefusedBoxes {
public:
    RefusedBoxes() { hook_ = SetWindowsHookExA(WH_CBT, Refuse, nullptr, GetCurrentThreadId()); }
    RefusedBoxes(const RefusedBoxes&) = delete;
    RefusedBoxes& operator=(const RefusedBoxes&) = delete;
    ~RefusedBoxes() { UnhookWindowsHookEx(hook_); }
    static inline int refused = 0;

private:
    static LRESULT CALLBACK Refuse(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            char className[16] = {};
            GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className);
            if (std::string(className) == "#32770") {
                ++refused;
                return 1;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_;
};

// A discard question that could not be asked is no Yes: the converted song stays.
struct UnaskedCase {
    const char* name;
    bool byDrop;  // otherwise a new conversion after a change of settings
};

class SongUnaskedTest : public SongTest, public ::testing::WithParamInterface<UnaskedCase> {};

TEST_P(SongUnaskedTest, KeepsTheConvertedSong) {
    const std::string first = Write("song.mid", songs::kSmall);
    const std::string other = Write("other.mid", songs::kHeaderOnly);
    LoadByDrop(first);
    ConvertWithShift(2);
    ASSERT_TRUE(HasConvertedSong());
    const std::string converted = ConvertedBytes();
    RefusedBoxes::refused = 0;
    {
        RefusedBoxes refusing;
        if (GetParam().byDrop) {
            Drop({other});
        } else {
            ConvertWithShift(3);
        }
    }
    EXPECT_GE(RefusedBoxes::refused, 1);  // the question was tried
    EXPECT_EQ(LoadedBytes(), songs::kSmall);
    EXPECT_EQ(ConvertedBytes(), converted);
}

INSTANTIATE_TEST_SUITE_P(Boxes, SongUnaskedTest,
                         ::testing::Values(UnaskedCase{"Drop", true}, UnaskedCase{"Convert", false}),
                         CaseName<UnaskedCase>);

// Every file that fails the header check: text 15, no song, and the settings reset. The empty
// file fails before the check and keeps its path.
struct InvalidCase {
    const char* name;
    const std::string* bytes;
    bool keepsPath;
};
void PrintTo(const InvalidCase& c, std::ostream* out) { *out << c.name; }

const std::string kEmpty;

class SongInvalidFileTest : public SongTest, public ::testing::WithParamInterface<InvalidCase> {};

TEST_P(SongInvalidFileTest, ShowsTextFifteenAndLeavesNoSong) {
    const InvalidCase& c = GetParam();
    LoadByDrop(Write("good.mid", songs::kSmall));
    conversionSettings.toneShift = 5;
    conversionSettings.muteTrackMask = 0x0004;  // a reset keeps the silenced tracks
    const size_t logBefore = LogLines().size();
    const std::string path = Write("bad.mid", *c.bytes);

    BoxAnswerer answerer({Press(IDOK)});
    Drop({path});
    answerer.Seen();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "曲替丸");
    EXPECT_EQ(boxes_[0].text, texts::kInvalid);
    EXPECT_EQ(boxes_[0].icon, nullptr);
    EXPECT_FALSE(SongLoaded());
    EXPECT_TRUE(SongToPlay().empty());
    EXPECT_EQ(PathField(), "");
    EXPECT_STREQ(songPath, c.keepsPath ? path.c_str() : "");
    EXPECT_EQ(conversionSettings.toneShift, 0);
    EXPECT_EQ(conversionSettings.muteTrackMask, 0x0004u);
    EXPECT_EQ(settingsSnapshot, conversionSettings);
    EXPECT_EQ(LogLines().size(), logBefore);
}

INSTANTIATE_TEST_SUITE_P(Files, SongInvalidFileTest,
                         ::testing::Values(InvalidCase{"Format3", &songs::kFormat3, false},
                                           InvalidCase{"TrackCount0", &songs::kNoTracks, false},
                                           InvalidCase{"HeaderLength7", &songs::kHeaderLength7, false},
                                           InvalidCase{"RiffForm", &songs::kRiff, false},
                                           InvalidCase{"ThirteenBytes", &songs::kThirteenBytes, false},
                                           InvalidCase{"EmptyFile", &kEmpty, true}),
                         CaseName<InvalidCase>);

// A damaged song opens as any other; the log says where the reading stopped, and no box shows.
TEST_F(SongOpenTest, DamagedSongSaysWhereItsReadingStopped) {
    Drop({Write("song.mid", songs::kLongDelta)});
    EXPECT_TRUE(SongLoaded());
    EXPECT_EQ(Last(LogMessages(), 3),
              (std::vector<std::string>{
                  kOpened, "シフト可能範囲 制限なし（ノートがありません）",
                  "！　曲の読み取りは 22 バイト目で止まりました（デルタタイムか長さが3バイトを超えています）。"}));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(SongOpenTest, HeaderOnlySongLoads) {
    const std::string path = Write("song.mid", songs::kHeaderOnly);
    Drop({path});
    EXPECT_TRUE(SongLoaded());
    EXPECT_EQ(LoadedBytes(), songs::kHeaderOnly);
    EXPECT_TRUE(boxes_.empty());
}

// A song is opened for reading, shared with other readers: a read-only file and one another
// program reads open; a file held with no sharing, or missing, shows text 13 and keeps the path.
enum class SongFileState { ReadOnly, HeldByAReader, HeldWithoutSharing, Missing };

struct SongFileCase {
    const char* name;
    SongFileState state;
    bool opens;
};

class SongFileStateTest : public SongTest, public ::testing::WithParamInterface<SongFileCase> {};

TEST_P(SongFileStateTest, OpensOrShowsTextThirteen) {
    const SongFileCase& c = GetParam();
    const std::string path = Write("song.mid", songs::kSmall);
    HANDLE holder = INVALID_HANDLE_VALUE;
    switch (c.state) {
        case SongFileState::ReadOnly: ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)); break;
        case SongFileState::HeldByAReader:
        case SongFileState::HeldWithoutSharing: {
            const DWORD sharing = c.state == SongFileState::HeldByAReader ? FILE_SHARE_READ : 0;
            holder = CreateFileA(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
            break;
        }
        case SongFileState::Missing: ASSERT_TRUE(DeleteFileA(path.c_str())); break;
    }
    std::vector<BoxAnswerer::Answer> answers;
    if (!c.opens) answers.push_back(Press(IDOK));
    BoxAnswerer answerer(answers);
    Drop({path});
    answerer.Seen();
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_STREQ(songPath, path.c_str());
    if (c.opens) {
        EXPECT_TRUE(boxes_.empty());
        EXPECT_EQ(LoadedBytes(), songs::kSmall);
        EXPECT_EQ(PathField(), path);
        return;
    }
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "曲替丸");
    EXPECT_EQ(boxes_[0].text, texts::kCannotOpen);
    EXPECT_EQ(boxes_[0].icon, nullptr);
    EXPECT_FALSE(SongLoaded());
    EXPECT_EQ(PathField(), "");
}

INSTANTIATE_TEST_SUITE_P(Files, SongFileStateTest,
                         ::testing::Values(SongFileCase{"ReadOnly", SongFileState::ReadOnly, true},
                                           SongFileCase{"HeldByAReader", SongFileState::HeldByAReader, true},
                                           SongFileCase{"HeldWithoutSharing", SongFileState::HeldWithoutSharing, false},
                                           SongFileCase{"Missing", SongFileState::Missing, false}),
                         CaseName<SongFileCase>);

// A song of 2 GiB or more loads whole, and the engine that loads songs from files takes it too.
// Only the file's first bytes are written: the rest is a hole that reads as zeros.
TEST_F(SongOpenTest, ASongOfMoreThanTwoGibibytesLoads) {
    const std::string path = folder_.File("large.mid");
    {
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, songs::kSmall.data(), static_cast<DWORD>(songs::kSmall.size()), &written, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = (2ll << 30) + 4096;
        ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file));
        CloseHandle(file);
    }
    BoxAnswerer answerer({Press(IDOK)});  // text 1 if the memory is not there
    Drop({path});
    if (!SongLoaded()) {
        answerer.Seen();
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, "メモリ不足のため、アクションを実行できませんでした。");
        GTEST_SKIP() << "no memory for 2 GiB here";
    }
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(songBuffer.length, (2u << 30) + 4096u);
    EXPECT_EQ(std::memcmp(songBuffer.bytes.get(), songs::kSmall.data(), songs::kSmall.size()), 0);
    EXPECT_EQ(songBuffer.bytes[songBuffer.length - 1], 0);
    CloseSong();
    LoadedLibrary lfon(EngineFolder() + kLfonLibraryName);
    const std::int32_t engineLoaded = lfon.Resolve<LFLoadMusicProc>("LFLoadMusic")(path.c_str());
    EXPECT_TRUE(engineLoaded == kEngineOk || engineLoaded == kEngineNoMemory) << engineLoaded;
    DeleteFileA(path.c_str());
}

// The program started with a song on its command line, as Explorer's "Open with" or a drop on
// the program's icon starts it.
class CommandLineTest : public SongTest {
protected:
    // As the modal loop runs it: the window is shown only once its queue has run empty, after
    // the posted open.
    void StartWith(const std::string& commandLine) {
        commandLine_ = commandLine;
        DestroyWindow(main_);
        main_ = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN_WINDOW), nullptr, MainDialogProc,
                                   reinterpret_cast<LPARAM>(commandLine_.c_str()));
        PumpPending();
        ShowWindow(main_, SW_SHOW);
    }
    std::string commandLine_;
};

TEST_F(CommandLineTest, QuotedPathWithBlanksOpensTheFirstSong) {
    const std::string path = Write("my song.mid", songs::kSmall);
    const std::string other = Write("other.mid", songs::kHeaderOnly);
    StartWith("\"" + path + "\" \"" + other + "\"");
    EXPECT_EQ(PathField(), path);
    EXPECT_EQ(LoadedBytes(), songs::kSmall);
    EXPECT_EQ(Last(LogMessages(), 3)[0], "ファイル『my song.mid』を正しくオープンしました。");
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(CommandLineTest, RelativePathBecomesTheFullPath) {
    const std::string path = Write("song.mid", songs::kSmall);
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(folder_.Path().c_str());
    StartWith("song.mid");
    SetCurrentDirectoryA(before);
    EXPECT_EQ(PathField(), path);
    EXPECT_EQ(LoadedBytes(), songs::kSmall);
}

TEST_F(CommandLineTest, MissingSongShowsTextThirteen) {
    const std::string missing = folder_.File("missing.mid");
    BoxAnswerer answerer({Press(IDOK)});
    StartWith(missing);
    answerer.Seen();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, texts::kCannotOpen);
    EXPECT_TRUE(boxes_[0].ownerVisible) << "the main window stands behind the box";
    EXPECT_FALSE(SongLoaded());
}

TEST_F(CommandLineTest, EmptyCommandLineOpensNothing) {
    StartWith("  ");
    EXPECT_FALSE(SongLoaded());
    EXPECT_EQ(PathField(), "");
    for (const BoxRecord& box : boxes_) ADD_FAILURE() << "a box: " << box.caption << " / " << box.text;
}

}  // namespace
