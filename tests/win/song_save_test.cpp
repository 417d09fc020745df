// Saving the converted song: through the save dialog, and beside the song under its [trans] name;
// a failed save leaves what is on disk as it was.
#include "song_fixture.h"

namespace {

class SongSaveTest : public SongTest {
protected:
    // Loads `song` from `name` in the scratch folder and converts it with a key shift of 2.
    std::string LoadAndConvert(const std::string& name, const std::string& song) {
        const std::string path = Write(name, song);
        LoadByDrop(path);
        ConvertWithShift(2);
        EXPECT_TRUE(HasConvertedSong());
        return path;
    }
    // The names of the files in `folder`.
    static std::vector<std::string> FilesIn(const std::string& folder) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs `command` with a box answerer; the message boxes it showed.
    std::vector<BoxRecord> Run(int command, std::vector<BoxAnswerer::Answer> answers) {
        boxes_.clear();
        BoxAnswerer answerer(std::move(answers));
        Command(command);
        answerer.Seen(2000);
        return boxes_;
    }
    // Runs a command that should show nothing; a box that comes anyway is recorded and closed.
    std::vector<BoxRecord> RunQuietly(int command) {
        boxes_.clear();
        BoxAnswerer answerer({Press(IDOK)});
        Command(command);
        answerer.Seen(100);
        return boxes_;
    }
};

const std::string kSongFile = "test-2-tracks-type-1.mid";

TEST_F(SongSaveTest, TheDialogSavesTheEnginesBytesWithTheDefaultExtension) {
    const std::string song = ReadWholeFile(Corpus(kSongFile));
    LoadByDrop(folder_.File(kSongFile));
    ConvertWithShift(2);
    const std::vector<BoxRecord> boxes = Run(IDM_SAVE, {TypePath(folder_.File("out"))});
    EXPECT_TRUE(boxes.empty());
    const std::string saved = ReadWholeFile(folder_.File("out.mid"));
    EXPECT_EQ(saved, EngineOutput(song));
    EXPECT_EQ(saved, ConvertedBytes());
    EXPECT_EQ(saved.size(), song.size());
    EXPECT_EQ(FilesIn(folder_.Path()), (std::vector<std::string>{"out.mid", kSongFile}));
    EXPECT_TRUE(HasConvertedSong());  // it can be saved again
}

// An existing file is replaced only after the dialog's own question, the loaded song's file too.
// One test per target: a file dialog under Wine is slow.
class SongSaveOverTest : public SongSaveTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SongSaveOverTest, TheDialogAsksBeforeReplacingAnExistingFile) {
    LoadAndConvert("song.mid", songs::kSmall);
    Write("old.mid", std::string(1000, 'x'));
    const std::string target = folder_.File(GetParam());
    ASSERT_NE(ReadWholeFile(target), ConvertedBytes());
    const std::vector<BoxRecord> boxes = Run(IDC_SAVE_BUTTON, {TypePath(target), Press(IDYES)});
    EXPECT_EQ(boxes.size(), 1u);  // the dialog's own question
    EXPECT_EQ(ReadWholeFile(target), ConvertedBytes());
    EXPECT_EQ(FilesIn(folder_.Path()), (std::vector<std::string>{"old.mid", "song.mid"}));
    EXPECT_EQ(LoadedBytes(), songs::kSmall);  // the song in memory stays as it was read
}

std::string TargetName(const ::testing::TestParamInfo<const char*>& info) {
    return info.param == std::string("song.mid") ? "TheLoadedSong" : "AnotherFile";
}

INSTANTIATE_TEST_SUITE_P(Targets, SongSaveOverTest, ::testing::Values("old.mid", "song.mid"), TargetName);

TEST_F(SongSaveTest, CancelledDialogWritesNothing) {
    LoadAndConvert("song.mid", songs::kSmall);
    EXPECT_TRUE(Run(IDM_SAVE, {Press(IDCANCEL)}).empty());
    EXPECT_EQ(FilesIn(folder_.Path()), std::vector<std::string>{"song.mid"});
}

// Nothing to save: text 5 or 6, and nothing written. One test per case: each message box costs
// Wine about two seconds to close on a display without a window manager.
struct NothingCase {
    const char* name;
    bool loaded;
    int command;
    const std::string* text;
};

void PrintTo(const NothingCase& c, std::ostream* out) { *out << c.name; }

class SongSaveNothingTest : public SongSaveTest, public ::testing::WithParamInterface<NothingCase> {};

TEST_P(SongSaveNothingTest, ShowsItsTextAndWritesNothing) {
    const NothingCase& c = GetParam();
    const std::string path = Write("song.mid", songs::kSmall);
    if (c.loaded) LoadByDrop(path);
    const std::vector<BoxRecord> boxes = Run(c.command, {Press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "曲替丸");
    EXPECT_EQ(boxes[0].text, *c.text);
    EXPECT_EQ(boxes[0].icon, nullptr);
    EXPECT_EQ(FilesIn(folder_.Path()), std::vector<std::string>{"song.mid"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SongSaveNothingTest,
    ::testing::Values(NothingCase{"DialogNoSong", false, IDM_SAVE, &texts::kNoConverted},
                      NothingCase{"SameNameNoSong", false, IDM_SAVE_UNDER_SONG_NAME, &texts::kNoSource},
                      NothingCase{"DialogNotConverted", true, IDM_SAVE, &texts::kNoConverted},
                      NothingCase{"SameNameNotConverted", true, IDM_SAVE_UNDER_SONG_NAME, &texts::kNoConverted}),
    CaseName<NothingCase>);

// The target beside the song, as the file system names it: a name ending in a dot is stored
// without that dot. One test per case: each runs in its own process, within its own time limit.
struct SameNameCase {
    const char* name;
    const char* folder;  // inside the scratch folder; empty: the scratch folder itself
    const char* song;
    const char* target;
};

void PrintTo(const SameNameCase& c, std::ostream* out) { *out << c.name; }

class SongSaveSameNameTest : public SongSaveTest, public ::testing::WithParamInterface<SameNameCase> {};

TEST_P(SongSaveSameNameTest, SavedTwiceTheSecondResultReplacesTheFirst) {
    const SameNameCase& c = GetParam();
    std::string folder = folder_.Path();
    if (*c.folder) {
        folder = folder_.File(c.folder);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    }
    const std::string songPath = folder + "\\" + c.song;
    const std::string target = folder + "\\" + c.target;
    WriteFileBytes(songPath, songs::kSmall);
    LoadByDrop(songPath);

    ConvertWithShift(2);
    EXPECT_TRUE(RunQuietly(IDM_SAVE_UNDER_SONG_NAME).empty());
    const std::string first = ReadWholeFile(target);
    EXPECT_EQ(first, ConvertedBytes());

    EXPECT_TRUE(RunQuietly(IDM_CONVERT).empty());  // unchanged settings: nothing happens
    conversionSettings.toneShift = 7;
    Run(IDM_CONVERT, {Press(IDYES)});
    EXPECT_TRUE(RunQuietly(IDM_SAVE_UNDER_SONG_NAME).empty());
    const std::string second = ReadWholeFile(target);
    EXPECT_EQ(second, ConvertedBytes());
    EXPECT_EQ(second, EngineOutput(songs::kSmall));
    EXPECT_NE(second, first);
    EXPECT_EQ(FilesIn(folder).size(), 2u);  // the song and its converted copy, no leftovers

    DeleteFileA(target.c_str());
    DeleteFileA(songPath.c_str());
    if (*c.folder) RemoveDirectoryA(folder.c_str());
}

INSTANTIATE_TEST_SUITE_P(Names, SongSaveSameNameTest,
                         ::testing::Values(SameNameCase{"WithExtension", "", "song.mid", "song[trans].mid"},
                                           SameNameCase{"WithoutExtension", "", "song", "song[trans]."},
                                           SameNameCase{"TwoDotsInTheName", "", "a.b.smf", "a.b[trans].smf"},
                                           // the folder's dot is not the song's extension
                                           SameNameCase{"DotInTheFolderOnly", "x.dir", "song", "song[trans]."}),
                         CaseName<SameNameCase>);

TEST_F(SongSaveTest, ALongerOldFileIsReplacedWhole) {
    LoadAndConvert("song.mid", songs::kSmall);
    const std::string target = Write("song[trans].mid", std::string(5000, '\x55'));
    EXPECT_TRUE(RunQuietly(IDM_SAVE_UNDER_SONG_NAME).empty());
    EXPECT_EQ(ReadWholeFile(target), ConvertedBytes());
    EXPECT_EQ(ReadWholeFile(target).size(), songs::kSmall.size());
}

// Targets that cannot be replaced: text 14, the old file exactly as it was, nothing left behind.
class SongSaveUnwritableTest : public SongSaveTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SongSaveUnwritableTest, ShowsTextFourteenAndTheTargetStaysAsItWas) {
    const bool readOnly = GetParam();
    LoadAndConvert("song.mid", songs::kSmall);
    const std::string old = "old bytes that must survive";
    const std::string target = Write("song[trans].mid", old);
    if (readOnly) {
        ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    HANDLE holder = readOnly ? INVALID_HANDLE_VALUE
                             : CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(readOnly || holder != INVALID_HANDLE_VALUE);
    const std::vector<BoxRecord> boxes = Run(IDM_SAVE_UNDER_SONG_NAME, {Press(IDOK)});
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "曲替丸");
    EXPECT_EQ(boxes[0].text, texts::kCannotCreate);
    EXPECT_EQ(boxes[0].icon, nullptr);
    EXPECT_EQ(ReadWholeFile(target), old);
    EXPECT_EQ((GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY) != 0, readOnly);
    EXPECT_EQ(FilesIn(folder_.Path()), (std::vector<std::string>{"song.mid", "song[trans].mid"}));
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(Targets, SongSaveUnwritableTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "ReadOnly" : "InUse");
                         });

// A folder of 249 bytes leaves the system's temporary-name call no room, but the target itself
// fits: the save goes through, twice. The song has no extension so that its target fits too.
TEST_F(SongSaveTest, SavesIntoAFolderNearThePathLimit) {
    const std::string deep = folder_.Path() + "\\" + std::string(249 - folder_.Path().size() - 1, 'd');
    ASSERT_EQ(deep.size(), 249u);
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    const std::string path = deep + "\\s";
    WriteFileBytes(path, songs::kSmall);
    LoadByDrop(path);
    ConvertWithShift(2);
    ASSERT_TRUE(HasConvertedSong());
    const std::string target = deep + "\\s[trans].";
    ASSERT_LT(target.size(), static_cast<size_t>(MAX_PATH));
    for (int save = 0; save < 2; ++save) {
        EXPECT_TRUE(RunQuietly(IDM_SAVE_UNDER_SONG_NAME).empty());
        EXPECT_EQ(ReadWholeFile(target), ConvertedBytes());
    }
    EXPECT_EQ(FilesIn(deep).size(), 2u);  // the song and its result; the system drops the final dot
    DeleteFileA(target.c_str());
    DeleteFileA(path.c_str());
    RemoveDirectoryA(deep.c_str());
}

// A song whose path leaves no room for "[trans]" within the path limit.
TEST_F(SongSaveTest, TooLongTargetPathShowsTextFourteen) {
    const std::string songName = "s.mid";
    const size_t folderLength = 255 - 1 - songName.size();  // the song's path: 255 characters
    const std::string deep = folder_.Path() + "\\" + std::string(folderLength - folder_.Path().size() - 1, 'd');
    ASSERT_EQ(deep.size(), folderLength);
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    const std::string path = deep + "\\" + songName;
    WriteFileBytes(path, songs::kSmall);
    LoadByDrop(path);
    ConvertWithShift(2);
    ASSERT_TRUE(HasConvertedSong());

    const std::vector<BoxRecord> boxes = Run(IDM_SAVE_UNDER_SONG_NAME, {Press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, texts::kCannotCreate);
    EXPECT_EQ(FilesIn(deep), std::vector<std::string>{songName});
    DeleteFileA(path.c_str());
    RemoveDirectoryA(deep.c_str());
}

}  // namespace
