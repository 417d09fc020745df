#include "app/slider_math.h"
#include "playback/playback_driver.h"
#include "playback/preview.h"
#include "program_fixture.h"
#include "res/resource.h"
#include "song/song_commands.h"
#include "ui/messages.h"

#include <shlobj.h>

#include <regex>

namespace {

using MainWindowTest = ProgramTest;

TEST_F(MainWindowTest, FirstLogLineAfterStartUp) {
    const std::vector<std::string> lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(std::regex_match(
        lines[0], std::regex(R"(\d{1,2}/ \d{1,2} \d{1,2}:\d{1,2}:\d{1,2} +Kadenzo Ver1\.8 Start logging\.\.\.)")))
        << lines[0];
    EXPECT_EQ(lines[0].find("Kadenzo"), 19u);
}

TEST_F(MainWindowTest, TitleIconsAndControls) {
    EXPECT_EQ(WindowText(main_), "曲替丸");
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(main_, WM_GETICON, ICON_BIG, 0)), appIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(main_, WM_GETICON, ICON_SMALL, 0)), appIcon);
    for (int id : {1000, 1001, 1003, 1004, 1005, 1006, 1007, 1040, 1050, 1051, 1052, 1077, 1079}) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(main_, id))) << id;
    }
    SCROLLINFO slider{};
    slider.cbSize = sizeof slider;
    slider.fMask = SIF_ALL;
    GetScrollInfo(GetDlgItem(main_, IDC_POSITION_SLIDER), SB_CTL, &slider);
    EXPECT_EQ(slider.nMin, 0);
    EXPECT_EQ(slider.nMax, 0);
    EXPECT_LE(slider.nPage, 10u);  // the system limits the page to the range's size
    EXPECT_EQ(slider.nPos, 0);
}

TEST_F(MainWindowTest, CentredOnTheScreen) {
    RECT window;
    GetWindowRect(main_, &window);
    RECT desktop;
    GetClientRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(window.left, (desktop.right - (window.right - window.left)) / 2);
    EXPECT_EQ(window.top, (desktop.bottom - (window.bottom - window.top)) / 2);
}

TEST_F(MainWindowTest, EnterAndEscNeverClose) {
    Command(IDOK);
    Command(IDCANCEL);
    SendMessageA(main_, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpPending();  // a close the keys posted would have run
    EXPECT_TRUE(IsWindow(main_));
    EXPECT_TRUE(IsWindowVisible(main_));
}

TEST_F(MainWindowTest, ResetsBeforeAnyPreviewDoNothing) {
    const size_t before = LogLines().size();
    for (int id : {IDM_GM_RESET, IDM_GS_RESET, IDM_XG_RESET}) Command(id);
    EXPECT_EQ(LogLines().size(), before);
    EXPECT_EQ(playbackDriver.load(), nullptr);
}

TEST_F(MainWindowTest, MissingHelpFileShowsStringElevenWithTheTitle) {
    TakingTurns turn(kHelpFileTurn);  // the help test puts the file beside the program for a while
    char leftOver[MAX_PATH];
    ProgramDirFile(leftOver, "KADENZO.CHM");
    DeleteFileA(leftOver);  // a copy an interrupted run left behind would open the viewer
    ASSERT_EQ(GetFileAttributesA(leftOver), INVALID_FILE_ATTRIBUTES) << leftOver << " is in use";
    BoxAnswerer answerer({Press(IDOK)});
    Command(IDM_HELP);
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "曲替丸");
    EXPECT_EQ(seen[0].text, "外部プログラムを起動できませんでした。");
}

TEST_F(MainWindowTest, HomePageAsksFirstAndNoDoesNothing) {
    BoxAnswerer answerer({Press(IDNO)});
    Command(IDM_HOME_PAGE);
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "曲替丸");
    EXPECT_EQ(seen[0].text, "インターネットに接続します。よろしいですか？");
}

TEST_F(MainWindowTest, QuitPostsACloseThatEndsTheLoop) {
    Command(IDM_QUIT);
    MSG message;
    bool quit = false;
    for (int i = 0; i < 100 && !quit; ++i) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                EXPECT_EQ(message.wParam, 0u);
                break;
            }
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
    EXPECT_TRUE(quit);
}

// A stand-in engine that reports a song of 500 tenths and records seeks.
struct StandInEngine {
    static inline std::vector<int> seeks;
    static inline std::uint32_t playState = 1;

    static int OpenDevice(int, int, int) { return 0; }
    static int None() { return 0; }
    static int Play(const void*, std::uint32_t) { return 0; }
    static int StopMusic(int) { return 0; }
    static int Status(LyrafonStatus* status) {
        *status = {};
        status->length = 500;
        status->playState = playState;
        return 0;
    }
    static int ErrorString(int, char* buffer, int) { return buffer[0] = '\0'; }
    static int Version(std::uint32_t* version) { return *version = 0x120, 0; }
    static int Seek(int position) { return seeks.push_back(position), 0; }

    static LyrafonExports Exports() {
        return {OpenDevice, None, Play, StopMusic, Status, ErrorString, Version, None, None, None, Seek, None};
    }
};

class SliderTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        auto* driver = new PlaybackDriver;
        driver->UseExports(StandInEngine::Exports(), "Lyrafon.dll");
        playbackDriver = driver;
        StandInEngine::seeks.clear();
        slider_ = GetDlgItem(main_, IDC_POSITION_SLIDER);
        SetScrollRange(slider_, SB_CTL, 0, 500, TRUE);  // as after a play
    }
    int Scroll(int from, int code, int thumb = 0) {
        SetScrollPos(slider_, SB_CTL, from, TRUE);
        SendMessageA(main_, WM_HSCROLL, MAKEWPARAM(code, thumb), reinterpret_cast<LPARAM>(slider_));
        return GetScrollPos(slider_, SB_CTL);
    }
    HWND slider_ = nullptr;
};

TEST_F(SliderTest, ArithmeticWithALengthOf500) {
    struct Case {
        int from, code, thumb, expected;
    } cases[] = {
        {200, SB_PAGERIGHT, 0, 210}, {5, SB_PAGELEFT, 0, 0}, {0, SB_LINELEFT, 0, 0},   {500, SB_LINERIGHT, 0, 500},
        {495, SB_PAGERIGHT, 0, 500}, {300, SB_TOP, 0, 300},  {300, SB_BOTTOM, 0, 300}, {10, SB_THUMBTRACK, 480, 480},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Scroll(c.from, c.code, c.thumb), c.expected) << "from " << c.from << " code " << c.code;
        EXPECT_EQ(sliderPosition, c.expected);
    }
}

TEST_F(SliderTest, DragSeeksOnceAtTheEnd) {
    Scroll(100, SB_THUMBTRACK, 150);
    EXPECT_TRUE(sliderDragging.load());
    Scroll(150, SB_THUMBTRACK, 320);
    Scroll(320, SB_THUMBPOSITION, 320);
    EXPECT_TRUE(sliderDragging.load());
    EXPECT_TRUE(StandInEngine::seeks.empty());
    Scroll(320, SB_ENDSCROLL);
    EXPECT_FALSE(sliderDragging.load());
    EXPECT_EQ(StandInEngine::seeks, std::vector<int>{320});
}

TEST_F(SliderTest, ReleaseWhileStoppedDoesNotSeek) {
    StandInEngine::playState = 0;
    Scroll(100, SB_THUMBTRACK, 200);
    Scroll(200, SB_ENDSCROLL);
    StandInEngine::playState = 1;
    EXPECT_TRUE(StandInEngine::seeks.empty());
    EXPECT_FALSE(sliderDragging.load());
}

TEST(MainWindowNoEngine, SliderStaysAtZeroBeforeAnyPreview) {
    ASSERT_EQ(StartUp(), 0);
    HWND main = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(101), nullptr, MainDialogProc, 0);
    HWND slider = GetDlgItem(main, IDC_POSITION_SLIDER);
    for (int code : {SB_LINERIGHT, SB_PAGERIGHT}) {
        SendMessageA(main, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(slider));
        EXPECT_EQ(GetScrollPos(slider, SB_CTL), 0);
    }
    SendMessageA(main, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), reinterpret_cast<LPARAM>(slider));
    EXPECT_EQ(GetScrollPos(slider, SB_CTL), 0);
    DestroyWindow(main);
    ShutDown();
}

TEST(StartUpFailure, UnregistrableLogClassShowsStringFourAndExitsWithOne) {
    WNDCLASSA taken{};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = appInstance;
    taken.lpszClassName = "logclass_name";
    ASSERT_NE(RegisterClassA(&taken), 0);
    BoxAnswerer answerer({Press(IDOK)});
    EXPECT_EQ(RunKadenzo(nullptr), 1);
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "曲替丸");
    EXPECT_EQ(seen[0].text, "初期化に失敗しました。");
    EXPECT_EQ(mainWindow.load(), nullptr);  // no main window was ever made
}

TEST(DroppedFile, EmptyDropShowsStringFortyThree) {
    // A drop whose first name is empty: DROPFILES with one empty name.
    const size_t size = sizeof(DROPFILES) + 2;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    GlobalUnlock(memory);
    char path[MAX_PATH] = "untouched";
    BoxAnswerer answerer({Press(IDOK)});
    EXPECT_EQ(TakeDroppedFile(static_cast<HDROP>(memory), path), 1);
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "ドロップされたファイルを取得できませんでした。");
}

}  // namespace

namespace {

TEST(HandCursor, EveryButtonOfTheProcessShowsTheHand) {
    SetButtonHandCursor();
    HWND button = CreateWindowExA(0, "BUTTON", "x", BS_PUSHBUTTON, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(button, GCLP_HCURSOR)), LoadCursorA(nullptr, IDC_HAND));
    DestroyWindow(button);
}

}  // namespace
