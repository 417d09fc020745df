// Preview through the real engine libraries: which library binds, what the user is told, and in
// capture mode what the engine sent (the loaded or the converted song, stops, seeks, resets), the
// slider following the song, and shutdown while a song plays.
#include "capture_support.h"
#include "playback/playback_driver.h"
#include "playback/preview.h"
#include "program_fixture.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "song/song_commands.h"

#include <algorithm>
#include <ostream>

namespace {

const std::string kEngineNotLoaded = "Lyrafon.dll をロードできませんでした。";
const std::string kExportsMissing = "Lyrafon.dll の関数取得に失敗しました。\nDLLのバージョンを確認してください。";
const std::string kDeviceNotOpened = "MIDIアウトデバイスをオープン出来ませんでした。";
const std::string kPlaying = "音楽再生";
const std::string kStopped = "音楽停止";

std::string EngineLine(const char* library) {
    return std::string("Midi 再生ドライバ ") + library + " Ver 120をロードしました。";
}

// Waits until what reached the port ends in the clean state a stop leaves; what reached it.
std::vector<CapturedMessage> WaitForStopsSilence(const CaptureFile& capture) {
    std::vector<CapturedMessage> messages;
    WaitFor(
        [&] {
            messages = capture.Read();
            return messages.size() >= kSilenceCount && IsSilence(messages, messages.size() - kSilenceCount);
        },
        5000);
    return messages;
}

// The engine libraries leave the process once the engine's thread has sent the stop's clean state.
bool LibrariesLeave() {
    return WaitFor([] { return GetModuleHandleA("Lfon.dll") == nullptr && GetModuleHandleA("Lyrafon.dll") == nullptr; },
                   5000);
}

// Whether the capture stays at `count` messages while this thread's loop runs on.
bool CaptureStaysAt(const CaptureFile& capture, size_t count) {
    return HoldsFor(
        [&] {
            PumpPending();
            return capture.Read().size() == count;
        },
        kQuietWatchMs);
}

// Songs on disk in a scratch folder, loaded as the open command would load them.
class SongFiles {
public:
    std::string Write(const std::string& name, const Bytes& bytes) const {
        const std::string path = folder_.File(name);
        WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
    const ScratchFolder& Folder() const { return folder_; }

private:
    ScratchFolder folder_;
};

// The program in-process, finding its engine libraries in `folder` (the current folder, which
// LoadLibrary searches after the program's own folder, where there are none).
class EngineFolderTest : public ProgramTest {
protected:
    void EnterLibraryFolder(const std::string& folder) {
        char current[MAX_PATH];
        GetCurrentDirectoryA(sizeof current, current);
        previousFolder_ = current;
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder;
    }
    void TearDown() override {
        ProgramTest::TearDown();
        if (!previousFolder_.empty()) SetCurrentDirectoryA(previousFolder_.c_str());
    }

    void Load(const Bytes& song) { ASSERT_EQ(LoadSong(songs_.Write("song.mid", song).c_str()), 0); }
    // Plays while a watcher answers whatever box the play request shows; the boxes seen.
    std::vector<SeenBox> PlayAnswering(int boxes) {
        BoxAnswerer answerer(std::vector<BoxAnswerer::Answer>(boxes, Press(IDOK)));
        Command(IDM_PLAY);
        return answerer.Seen();
    }
    size_t CountOf(const std::string& message) const {
        const std::vector<std::string> messages = LogMessages();
        return static_cast<size_t>(std::count(messages.begin(), messages.end(), message));
    }

    SongFiles songs_;

private:
    std::string previousFolder_;
};

struct BindingCase {
    const char* name;
    const char* folder;   // a folder of test libraries; empty: the program's own libraries
    const char* library;  // the library that binds; null: none does
    std::string message;  // the box that a play request shows, when none binds
};

void PrintTo(const BindingCase& c, std::ostream* out) { *out << c.name; }

class PreviewBindingTest : public EngineFolderTest, public testing::WithParamInterface<BindingCase> {
protected:
    void SetUp() override {
        const BindingCase& c = GetParam();
        if (std::string(c.name) == "Neither") {
            EnterLibraryFolder(empty_.Path());
        } else {
            EnterLibraryFolder(*c.folder != '\0' ? TestLibraryFolder(c.folder) : EngineFolder());
        }
        EngineFolderTest::SetUp();
    }
    CaptureFile capture_;  // the device of the real libraries then always opens
    ScratchFolder empty_;
};

TEST_P(PreviewBindingTest, FirstPlayBindsOrTellsWhyNot) {
    const BindingCase& c = GetParam();
    Load(EvenNotesSong(20, 100));
    if (c.library) {
        EXPECT_TRUE(PlayAnswering(0).empty());
        ASSERT_NE(playbackDriver.load(), nullptr);
        EXPECT_STREQ(playbackDriver.load()->LibraryName(), c.library);
        EXPECT_EQ(CountOf(EngineLine(c.library)), 1u);
        EXPECT_EQ(LogMessages().back(), kPlaying);
        return;
    }
    for (int attempt = 1; attempt <= 2; ++attempt) {
        const std::vector<SeenBox> seen = PlayAnswering(1);
        ASSERT_EQ(seen.size(), 1u) << "attempt " << attempt;
        EXPECT_EQ(seen[0].caption, kProductCaption);
        EXPECT_EQ(seen[0].text, c.message);
        EXPECT_EQ(playbackDriver.load(), nullptr) << "the driver is deleted, so the next request tries again";
    }
    EXPECT_EQ(CountOf(kPlaying), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, PreviewBindingTest,
    testing::Values(BindingCase{"BothPresent", "", "Lfon.dll", {}},
                    BindingCase{"LfonLacksAnExport", "lfon_lacks_export", "Lyrafon.dll", {}},
                    BindingCase{"Neither", "", nullptr, kEngineNotLoaded},
                    // A library that loads but lacks an export is named as such (string 17).
                    BindingCase{"OnlyLyrafonLackingAnExport", "lyrafon_lacks_export", nullptr, kExportsMissing},
                    BindingCase{"BothLackingAnExport", "both_lack_export", nullptr, kExportsMissing},
                    BindingCase{"DeviceNeverOpens", "device_open_fails", nullptr, kDeviceNotOpened}),
    [](const testing::TestParamInfo<BindingCase>& info) { return std::string(info.param.name); });

TEST(PreviewWithoutSong, PlayShowsStringFiveAndBindsNothing) {
    ASSERT_EQ(StartUp(), 0);
    HWND main = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN_WINDOW), nullptr, MainDialogProc, 0);
    BoxAnswerer answerer({Press(IDOK)});
    SendMessageA(main, WM_COMMAND, IDM_PLAY, 0);
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "読み込みもとのMIDIファイルが指定されていません。");
    EXPECT_EQ(playbackDriver.load(), nullptr);
    DestroyWindow(main);
    ShutDown();
}

// Capture mode with either engine variant: Lfon from the program's libraries, Lyrafon where Lfon
// lacks an export.
class CapturedPreviewTest : public EngineFolderTest, public testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        EnterLibraryFolder(*GetParam() == '\0' ? EngineFolder() : TestLibraryFolder(GetParam()));
        EngineFolderTest::SetUp();
    }
    // Waits until at least `count` messages were captured; what was captured.
    std::vector<CapturedMessage> WaitForMessages(size_t count, int timeoutMs = 5000) const {
        std::vector<CapturedMessage> messages;
        WaitFor([&] { return (messages = capture_.Read()).size() >= count; }, timeoutMs);
        return messages;
    }
    // Waits until note `index` of an even-notes song was captured at or after message `from`.
    int WaitForNote(int index, size_t from = 0, int timeoutMs = 5000) const {
        int found = -1;
        WaitFor([&] { return (found = FindMessage(capture_.Read(), NoteOn(index), from)) >= 0; }, timeoutMs);
        return found;
    }
    HWND Slider() const { return GetDlgItem(main_, IDC_POSITION_SLIDER); }
    // Runs what is pending with the main window in front, where the position timer moves the thumb.
    void PumpInFront() {
        SetForegroundWindow(main_);
        PumpPending();
    }
    void Scroll(int code, int thumb = 0) {
        SendMessageA(main_, WM_HSCROLL, MAKEWPARAM(code, thumb), reinterpret_cast<LPARAM>(Slider()));
    }

    CaptureFile capture_;
};

TEST_P(CapturedPreviewTest, PlaysTheLoadedSongAndSetsTheSliderRange) {
    Load(EvenNotesSong(30, 100));  // 3 s
    Command(IDM_PLAY);
    ASSERT_GE(WaitForNote(2), 0);
    const std::vector<CapturedMessage> messages = capture_.Read();
    const int first = FindMessage(messages, NoteOn(0));
    ASSERT_GE(first, 0);
    EXPECT_EQ(FindMessage(messages, NoteOn(1)), first + 2) << "note off of note 0 between";
    EXPECT_EQ(messages[first + 1].bytes, (Bytes{0x80, NotePitch(0), 0x00}));
    int low = 0, high = 0;
    GetScrollRange(Slider(), SB_CTL, &low, &high);
    EXPECT_EQ(high, 30) << "length in tenths";
    EXPECT_EQ(LogMessages().back(), kPlaying);
}

TEST_P(CapturedPreviewTest, PlaysTheConvertedSongOnceThereIsOne) {
    Load(EvenNotesSong(30, 100));
    conversionSettings.toneShift = 3;
    Command(IDM_CONVERT);
    Command(IDM_PLAY);
    const Bytes shiftedFirst = {0x90, static_cast<std::uint8_t>(NotePitch(0) + 3), 0x64};
    ASSERT_TRUE(WaitFor([&] { return FindMessage(capture_.Read(), shiftedFirst) >= 0; }, 5000));
    ASSERT_TRUE(WaitFor([&] { return capture_.Read().size() >= 8; }, 5000));
    for (const CapturedMessage& message : capture_.Read()) {
        if ((message.bytes[0] & 0xE0) != 0x80) continue;
        EXPECT_GE(message.bytes[1], NotePitch(0) + 3) << "every note is a converted one";
    }
}

TEST_P(CapturedPreviewTest, PlayWhilePlayingSilencesThenStartsAgain) {
    Load(EvenNotesSong(60, 100));
    Command(IDM_PLAY);
    ASSERT_GE(WaitForNote(3), 0);
    const size_t before = capture_.Read().size();
    Command(IDM_PLAY);
    const int again = WaitForNote(0, before);
    ASSERT_GE(again, 0) << "the song starts again from its beginning";
    const std::vector<CapturedMessage> messages = capture_.Read();
    bool silenced = false;
    for (size_t i = before; i + kSilenceCount <= static_cast<size_t>(again); ++i)
        silenced = silenced || IsSilence(messages, i);
    EXPECT_TRUE(silenced) << "all notes off on the 16 channels before the song starts again";
    EXPECT_EQ(CountOf(kPlaying), 2u);
}

TEST_P(CapturedPreviewTest, StopSilencesAndNothingFollows) {
    Load(EvenNotesSong(60, 100));
    Command(IDM_PLAY);
    ASSERT_GE(WaitForNote(2), 0);
    Command(IDM_STOP);
    EXPECT_EQ(LogMessages().back(), kStopped);
    EXPECT_EQ(playbackDriver.load()->GetPosition(), -1);
    const std::vector<CapturedMessage> stopped = WaitForStopsSilence(capture_);
    ASSERT_GE(stopped.size(), kSilenceCount);
    EXPECT_TRUE(IsSilence(stopped, stopped.size() - kSilenceCount)) << "the capture ends in all notes off";
    EXPECT_TRUE(CaptureStaysAt(capture_, stopped.size())) << "nothing is sent after the stop";
}

TEST_P(CapturedPreviewTest, DraggingTheSliderSeeksToWhereItIsLetGo) {
    Load(EvenNotesSong(100, 100));  // 10 s, length 100
    Command(IDM_PLAY);
    ASSERT_GE(WaitForNote(1), 0);
    Scroll(SB_THUMBTRACK, 40);
    Scroll(SB_THUMBTRACK, 70);
    const size_t before = capture_.Read().size();
    Scroll(SB_ENDSCROLL);
    const int resumed = WaitForNote(71, before);
    ASSERT_GE(resumed, 0) << "the song goes on from 7 s";
    const std::vector<CapturedMessage> messages = capture_.Read();
    for (size_t i = before; i < static_cast<size_t>(resumed); ++i) {
        const Bytes& bytes = messages[i].bytes;
        if ((bytes[0] & 0xF0) == 0x90 && bytes[2] != 0) {
            EXPECT_GE(bytes[1], NotePitch(69)) << "no note from before the new place at message " << i;
        }
    }
    EXPECT_GE(FindMessage(messages, {0xC0, 0x05}, before), 0) << "the program reached at 7 s is sent first";
}

TEST_P(CapturedPreviewTest, ResetCommandsSendTheStandardMessages) {
    Load(EvenNotesSong(5, 100));
    Command(IDM_PLAY);
    ASSERT_GE(WaitForNote(0), 0);
    Command(IDM_STOP);
    WaitForStopsSilence(capture_);
    const struct {
        int command;
        Bytes bytes;
    } resets[] = {{IDM_GM_RESET, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
                  {IDM_GS_RESET, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}},
                  {IDM_XG_RESET, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}}};
    for (const auto& reset : resets) {
        const size_t before = capture_.Read().size();
        Command(reset.command);
        const std::vector<CapturedMessage> messages = WaitForMessages(before + 1);
        ASSERT_EQ(messages.size(), before + 1) << reset.command;
        EXPECT_EQ(messages.back().bytes, reset.bytes) << reset.command;
    }
}

// A device that goes away mid-song: the program logs it once, from the main window's thread, and
// plays again once the device is back.
TEST_P(CapturedPreviewTest, AnUnpluggedDeviceIsLoggedOnceAndPlaysAgainOncePluggedBack) {
    const std::string warning = "！　警告 : MIDIアウトデバイスが使えなくなったため、再生を終えました。";
    const auto warnings = [&] {
        PumpPending();
        return CountOf(warning);
    };
    Load(EvenNotesSong(100, 20));
    {
        DeviceMode unplugging("unplug-after=300");
        Command(IDM_PLAY);
        EXPECT_TRUE(WaitFor([&] { return warnings() > 0; }, 5000));
    }
    EXPECT_TRUE(HoldsFor([&] { return warnings() == 1; }, kQuietWatchMs));
    const size_t before = capture_.Read().size();
    Command(IDM_PLAY);
    EXPECT_GE(WaitForNote(5, before), 0) << "plugged back";
}

TEST_P(CapturedPreviewTest, SliderFollowsTheSongWhileTheWindowIsInFront) {
    Load(EvenNotesSong(100, 100));
    const ULONGLONG started = GetTickCount64();
    Command(IDM_PLAY);
    ASSERT_GE(WaitForNote(0), 0);
    // Tests running beside this one may take the front for a moment; the thumb follows whenever
    // the window is back in front, so the window is brought back while the thumb is awaited.
    EXPECT_TRUE(WaitFor(
        [&] {
            PumpInFront();
            return GetScrollPos(Slider(), SB_CTL) >= 8;
        },
        10000))
        << "the thumb reaches 0.8 s";
    const int position = GetScrollPos(Slider(), SB_CTL);
    const int elapsedTenths = static_cast<int>((GetTickCount64() - started) / 100);
    EXPECT_LE(position, elapsedTenths + 1) << "the thumb never runs ahead of the song";
}

TEST_P(CapturedPreviewTest, SliderStaysWhileDragged) {
    Load(EvenNotesSong(100, 100));
    Command(IDM_PLAY);
    ASSERT_GE(WaitForNote(0), 0);
    Scroll(SB_THUMBTRACK, 90);
    // Eight notes on, the position timer has ticked several times with the window in front.
    EXPECT_TRUE(WaitFor(
        [&] {
            PumpInFront();
            return FindMessage(capture_.Read(), NoteOn(8)) >= 0;
        },
        5000))
        << "the song plays on to 0.8 s";
    EXPECT_EQ(GetScrollPos(Slider(), SB_CTL), 90) << "the timer leaves the thumb to the user";
    Scroll(SB_ENDSCROLL);
}

// Closing the program mid-song, round after round, at different moments of the timer's period:
// each shutdown stops the song, waits out a position callback that may be sending to the slider,
// and releases the library, without a hang or a tick after the driver went.
TEST_P(CapturedPreviewTest, ClosingMidSongRoundAfterRoundNeverHangs) {
    for (int round = 0; round < 5; ++round) {
        if (round > 0) {
            // Start-up again, but for the log window's class, which stays registered.
            logWindow = new LogWindow;
            ASSERT_EQ(logWindow->Create(appInstance), 0);
            main_ = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN_WINDOW), nullptr, MainDialogProc, 0);
            ASSERT_NE(main_, nullptr);
            ShowWindow(main_, SW_SHOW);
        }
        Load(EvenNotesSong(100, 20));
        Command(IDM_PLAY);  // binds anew, which starts a new capture
        ASSERT_GE(WaitForNote(3), 0) << "round " << round;
        SetForegroundWindow(main_);
        PumpMessages(round * 37 % 100);       // a different moment of the timer's period each round
        SendMessageA(main_, WM_CLOSE, 0, 0);  // stops the song, as closing the program does
        ShutDown();
        EXPECT_EQ(playbackDriver.load(), nullptr);
        EXPECT_TRUE(LibrariesLeave()) << "round " << round;
        // A position tick after the driver went would crash while this runs the loop.
        EXPECT_TRUE(CaptureStaysAt(capture_, capture_.Read().size()))
            << "nothing plays on after shutdown, round " << round;
        DestroyWindow(main_);
        main_ = nullptr;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, CapturedPreviewTest, testing::Values("", "lfon_lacks_export"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(*info.param == '\0' ? "Lfon" : "Lyrafon");
                         });

// The program's own libraries, Lfon first, in capture mode.
class LfonPreviewTest : public EngineFolderTest {
protected:
    void SetUp() override {
        EnterLibraryFolder(EngineFolder());
        EngineFolderTest::SetUp();
    }
    CaptureFile capture_;
};

TEST_F(LfonPreviewTest, WritesTheSongWholeToTheTemporaryFile) {
    const Bytes song = EvenNotesSong(40, 50);
    Load(song);
    Command(IDM_PLAY);
    char temporary[MAX_PATH];
    TempSongPath(temporary);
    EXPECT_NE(std::string(temporary).find("_kadenzo.tmp"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(temporary), std::string(song.begin(), song.end()));
}

// Closing the program while a song plays: the window's close stops the song, shutdown kills the
// position timer before the driver goes, and the process goes on without a hang or a late tick.
TEST_F(LfonPreviewTest, ShutdownWhilePlayingStopsAndReleasesEverything) {
    SetForegroundWindow(main_);
    Load(EvenNotesSong(100, 100));
    Command(IDM_PLAY);
    ASSERT_TRUE(WaitFor([&] { return FindMessage(capture_.Read(), NoteOn(2)) >= 0; }, 5000));

    SendMessageA(main_, WM_CLOSE, 0, 0);
    ShutDown();
    EXPECT_EQ(playbackDriver.load(), nullptr);
    EXPECT_TRUE(LibrariesLeave()) << "the library is released";
    const std::vector<CapturedMessage> closed = capture_.Read();
    ASSERT_GE(closed.size(), kSilenceCount);
    EXPECT_TRUE(IsSilence(closed, closed.size() - kSilenceCount));
    EXPECT_TRUE(CaptureStaysAt(capture_, closed.size())) << "a position tick after the driver went would crash here";
}

}  // namespace
