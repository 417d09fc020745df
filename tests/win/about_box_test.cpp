// The about box, opened from the main window's menu as the user opens it.
#include "app/about_box.h"
#include "playback/addon.h"
#include "playback/playback_driver.h"
#include "playback/preview.h"
#include "program_fixture.h"
#include "res/resource.h"
#include "song/song_commands.h"
#include "ui/messages.h"

#include <thread>

namespace {

// An engine that cannot report its version; nothing else is asked of it here.
struct NoVersionEngine {
    static int OpenDevice(int, int, int) { return 0; }
    static int None() { return 0; }
    static int Play(const void*, std::uint32_t) { return 0; }
    static int StopMusic(int) { return 0; }
    static int Status(LyrafonStatus* status) { return *status = {}, 0; }
    static int ErrorString(int, char* buffer, int) { return buffer[0] = '\0'; }
    static int Version(std::uint32_t*) { return 7; }
    static int Seek(int) { return 0; }
    static LyrafonExports Exports() {
        return {OpenDevice, None, Play, StopMusic, Status, ErrorString, Version, None, None, None, Seek, None};
    }
};

// What a watcher thread saw of the about box, and what the keys did to it.
struct AboutBoxSeen {
    bool found = false;
    std::string caption;
    std::string product, poweredBy, addOn, engine, button;
    bool centred = false;
    bool openAfterEsc = false;
    bool closedByEnter = false;
    bool iconFits = false;  // the icon's square is the largest that fits its 20 x 20 dialog units
};

BOOL CALLBACK FindOwnAboutBox(HWND window, LPARAM found) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    // Tests run side by side: a box of another test program is not this test's box.
    if (owner == GetCurrentProcessId() && IsWindowVisible(window) && std::string(className) == "#32770" &&
        WindowText(window) == "バージョン情報") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindAboutBox() {
    HWND box = nullptr;
    WaitFor(
        [&] {
            EnumWindows(FindOwnAboutBox, reinterpret_cast<LPARAM>(&box));
            return box != nullptr;
        },
        4000);
    return box;
}

// The engine libraries are built into build/bin; the capture file lets the engine open its
// device where the machine has no MIDI output.
class EngineFromBuild {
public:
    EngineFromBuild() {
        char folder[MAX_PATH];
        ProgramDirFile(folder, "..\\..\\bin");
        SetDllDirectoryA(folder);
        ProgramDirFile(capture_, "about_box_capture.txt");
        SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", capture_);
    }
    EngineFromBuild(const EngineFromBuild&) = delete;
    EngineFromBuild& operator=(const EngineFromBuild&) = delete;
    ~EngineFromBuild() {
        SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", nullptr);
        SetDllDirectoryA(nullptr);
        DeleteFileA(capture_);
    }

private:
    char capture_[MAX_PATH] = {};
};

std::string StaticWithText(HWND box, const char* start) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string text = WindowText(child);
        if (text.rfind(start, 0) == 0) return text;
    }
    return {};
}

bool WaitGone(HWND box, int ms) {
    return WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, ms);
}

// Reads the box, presses Esc, then Enter; closes it anyway at the end so the test never hangs.
void WatchAboutBox(AboutBoxSeen* seen) {
    HWND box = FindAboutBox();
    if (!box) return;
    // A sent message is answered from the box's own loop, once its initialisation is over.
    DWORD_PTR ignoredResult = 0;
    SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignoredResult);
    seen->found = true;
    seen->caption = WindowText(box);
    seen->product = WindowText(GetDlgItem(box, IDC_ABOUT_PRODUCT_LINE));
    seen->addOn = WindowText(GetDlgItem(box, IDC_ABOUT_ADDON_LINE));
    seen->engine = WindowText(GetDlgItem(box, IDC_ABOUT_ENGINE_LINE));
    seen->button = WindowText(GetDlgItem(box, IDC_ABOUT_CLOSE_BUTTON));
    seen->poweredBy = StaticWithText(box, "Powered by");
    RECT window;
    GetWindowRect(box, &window);
    RECT desktop;
    GetClientRect(GetDesktopWindow(), &desktop);
    seen->centred = window.left == (desktop.right - (window.right - window.left)) / 2 &&
                    window.top == (desktop.bottom - (window.bottom - window.top)) / 2;
    ICONINFO picture{};
    BITMAP bits{};
    GetIconInfo(reinterpret_cast<HICON>(SendMessageA(GetWindow(box, GW_CHILD), STM_GETICON, 0, 0)), &picture);
    GetObjectA(picture.hbmColor, sizeof bits, &bits);
    DeleteObject(picture.hbmColor);
    DeleteObject(picture.hbmMask);
    RECT units{0, 0, 20, 20};
    MapDialogRect(box, &units);
    seen->iconFits = bits.bmHeight == std::min(units.right, units.bottom);

    HWND button = GetDlgItem(box, IDC_ABOUT_CLOSE_BUTTON);
    PostMessageA(button, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(button, WM_KEYUP, VK_ESCAPE, 0);
    seen->openAfterEsc = !WaitGone(box, 400);
    PostMessageA(button, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(button, WM_KEYUP, VK_RETURN, 0);
    seen->closedByEnter = WaitGone(box, 2000);
    if (!seen->closedByEnter) PostMessageA(box, WM_CLOSE, 0, 0);
}

class AboutBoxTest : public ProgramTest {
protected:
    AboutBoxSeen OpenAboutBox() {
        AboutBoxSeen seen;
        std::thread watcher(WatchAboutBox, &seen);
        Command(IDM_ABOUT);  // returns when the box has closed
        watcher.join();
        return seen;
    }
};

TEST_F(AboutBoxTest, BeforeAnyPreviewThereIsNoEngineLine) {
    ASSERT_EQ(playbackDriver.load(), nullptr);
    const AboutBoxSeen seen = OpenAboutBox();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "バージョン情報");
    EXPECT_EQ(seen.product, "曲替丸 Ver 1.8 (C) 2026 Kadenzo developers");
    EXPECT_EQ(seen.poweredBy, "Powered by Lyrafon");
    EXPECT_EQ(seen.button, "閉じる");
    EXPECT_EQ(seen.engine, "");
    EXPECT_TRUE(seen.centred);
    EXPECT_TRUE(seen.iconFits);
}

TEST_F(AboutBoxTest, AfterAPreviewTheEngineLineNamesTheLibraryAndItsVersion) {
    EngineFromBuild engine;
    ASSERT_EQ(LoadSong(KADENZO_SOURCE_DIR "/tests/data/corpus/test-c-major-scale.mid"), 0);
    Command(IDM_PLAY);
    ASSERT_NE(playbackDriver.load(), nullptr);
    Command(IDM_STOP);
    const AboutBoxSeen seen = OpenAboutBox();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.engine, "再生エンジン Lfon.dll Ver 120");
    EXPECT_EQ(seen.product, "曲替丸 Ver 1.8 (C) 2026 Kadenzo developers");
}

TEST_F(AboutBoxTest, AnEngineWithoutItsVersionShowsAllBitsSet) {
    auto* driver = new PlaybackDriver;
    driver->UseExports(NoVersionEngine::Exports(), "Lyrafon.dll");
    playbackDriver = driver;
    const AboutBoxSeen seen = OpenAboutBox();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.engine, "再生エンジン Lyrafon.dll Ver FFFFFFFF");
}

// The add-on line follows what binding the library found: the test libraries in tests/dlls are
// found in the current folder, as nothing named rfk32.dll lies beside the test program.
struct AddOnCase {
    const char* name;
    const char* folder;
    unsigned version;
    const char* line;
};

class AboutBoxAddOnTest : public AboutBoxTest, public testing::WithParamInterface<AddOnCase> {};

TEST_P(AboutBoxAddOnTest, AddOnLineShowsTheBoundVersion) {
    char folder[MAX_PATH];
    ProgramDirFile(folder, GetParam().folder);
    ASSERT_NE(GetFileAttributesA((std::string(folder) + "\\rfk32.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(SetCurrentDirectoryA(folder));
    BindAddOn();
    EXPECT_EQ(AddOnVersion(), GetParam().version);
    const AboutBoxSeen seen = OpenAboutBox();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.addOn, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Libraries, AboutBoxAddOnTest,
                         testing::Values(AddOnCase{"Version0", "..\\dlls\\version_0", 0, ""},
                                         AddOnCase{"Version13", "..\\dlls\\version_13", 0, ""},
                                         AddOnCase{"Version14", "..\\dlls\\version_14", 0x14,
                                                   "スピンコントロール rfk32.dll Ver 14"},
                                         AddOnCase{"Ours", "..\\..\\bin", 0x20, "スピンコントロール rfk32.dll Ver 20"}),
                         [](const testing::TestParamInfo<AddOnCase>& info) { return std::string(info.param.name); });

TEST_F(AboutBoxTest, EscLeavesItOpenAndEnterClosesIt) {
    const AboutBoxSeen seen = OpenAboutBox();
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.openAfterEsc);
    EXPECT_TRUE(seen.closedByEnter);
}

TEST_F(AboutBoxTest, TheCloseBoxClosesIt) {
    std::thread closer([] {
        HWND box = FindAboutBox();
        if (box) PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    const INT_PTR result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_ABOUT), main_, AboutDialogProc, 0);
    closer.join();
    EXPECT_EQ(result, 0);
}

}  // namespace
