// The menus and the about box as a user meets them: a menu opened from the menu bar with a command
// highlighted, the tools menu with the log command checked, the about box; a picture of each.
#include "driver.h"
#include "res/resource.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

// The main window and an open menu together, as the user sees them.
RECT MainWithMenu(const Program& program, HWND menu) {
    const RECT main = WindowArea(program.Main());
    const RECT popup = WindowArea(menu);
    return {std::min(main.left, popup.left), std::min(main.top, popup.top), std::max(main.right, popup.right),
            std::max(main.bottom, popup.bottom)};
}

// The picture column of a menu's first command (and the menu's border around it).
RECT FirstPictureColumn(HWND menu) {
    const RECT popup = WindowArea(menu);
    return {popup.left, popup.top, popup.left + 30, popup.top + 26};
}

// Opens the tools menu, moves the highlight off its first command (the log command) and counts the
// button-shadow pixels around that command's picture.
int ShadowAroundLogPicture(const Program& program, const std::string& screenshot) {
    HWND menu = program.OpenMenu('t');
    Expect(menu != nullptr, "Alt+T opens the tools menu");
    program.MenuKey(VK_DOWN);
    const int shadow = CountScreenPixels(FirstPictureColumn(menu), GetSysColor(COLOR_BTNSHADOW));
    if (!screenshot.empty()) SaveScreenArea(MainWithMenu(program, menu), screenshot);
    program.CloseMenus();
    return shadow;
}

}  // namespace

KADENZO_SCENARIO(menus_with_pictures_and_about_box) {
    Program program(Paths().program);

    HWND file = program.OpenMenu('f');
    Expect(file != nullptr, "Alt+F opens the file menu");
    program.MenuKey(VK_DOWN);
    const RECT popup = WindowArea(file);
    Expect(CountScreenPixels(popup, GetSysColor(COLOR_HIGHLIGHT)) > 200, "one command of the file menu is highlighted");
    // The open command's picture: its folder colour shows in the picture column.
    Expect(CountScreenPixels(FirstPictureColumn(file), RGB(0xFF, 0xD3, 0x4D)) > 10,
           "the open command shows its picture");
    Expect(CountScreenPixels(popup, RGB(0xFF, 0x00, 0xFF)) == 0, "no key colour shows: it is the menu colour");
    SaveScreenArea(MainWithMenu(program, file), "menu_file_highlighted");
    program.CloseMenus();

    const int shadowWhileHidden = ShadowAroundLogPicture(program, "");
    HWND log = program.LogWindow();
    program.Command(IDM_TOGGLE_LOG);
    Expect(WaitFor([log] { return IsWindowVisible(log) != 0; }), "the log command shows the log window");
    // The log window opens over the main window: it goes to the screen's far corner, out of the picture.
    SetWindowPos(log, nullptr, GetSystemMetrics(SM_CXSCREEN) - 200, GetSystemMetrics(SM_CYSCREEN) - 100, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    WaitForSteadyPicture(WindowArea(program.Main()), "the main window, uncovered by the log window");
    const int shadowWhileShown = ShadowAroundLogPicture(program, "menu_tools_log_checked");
    // The sunken edge's outer lines run along the top and left of the 18-pixel frame.
    Expect(shadowWhileShown >= shadowWhileHidden + 30,
           "the checked log command has a sunken edge around its picture (shadow pixels " +
               std::to_string(shadowWhileHidden) + " -> " + std::to_string(shadowWhileShown) + ")");

    program.Command(IDM_ABOUT);
    const Box about = program.WaitForBox();
    Expect(about.caption == "バージョン情報", "the about box opens: " + about.caption);
    Expect(program.Text(GetDlgItem(about.window, IDC_ABOUT_PRODUCT_LINE)).rfind("曲替丸 Ver 1.8", 0) == 0,
           "the about box names the product and its version");
    Expect(program.Text(GetDlgItem(about.window, IDC_ABOUT_ENGINE_LINE)).empty(),
           "before any preview the about box has no engine line");
    program.Screenshot(about.window, "about_box");
    program.Press(about, IDC_ABOUT_CLOSE_BUTTON);

    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}

namespace {

// winebrowser's list of the desktop's browsers, in the test prefix.
void SetDesktopBrowsers(const std::wstring& commands) {
    const auto bytes = static_cast<DWORD>((commands.size() + 1) * sizeof(wchar_t));
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers", REG_SZ, commands.c_str(), bytes);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PressF1(HWND window) {
    SetForegroundWindow(window);
    INPUT keys[2]{};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_F1;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    Expect(SendInput(2, keys, sizeof(INPUT)) == 2, "F1 is pressed");
}

}  // namespace

// Under Wine the help file's viewer cannot render its pages: F1 and the help command show the same
// pages in the desktop's browser, or in the program's own viewer where there is no browser.
KADENZO_SCENARIO(help_shows_its_pages_under_wine) {
    Program program(Paths().program);
    const std::string record = "/tmp/kadenzo-browser-" + std::to_string(GetCurrentProcessId()) + ".txt";
    const std::string recordSeen = "Z:" + record;  // the same file from Windows
    DeleteFileA(recordSeen.c_str());
    // A browser that writes down the address it is given.
    SetDesktopBrowsers(L"/bin/sh -c \"printf %s \\\"$0\\\" > " + std::wstring(record.begin(), record.end()) + L"\"");
    PressF1(program.Main());
    std::string address;
    Expect(WaitFor([&] { return !(address = ReadFileBytes(recordSeen)).empty(); }, 15000),
           "F1 hands the help pages to the desktop's browser");
    Expect(address.rfind("file://", 0) == 0 && address.ends_with("/help/index.html"),
           "the browser is given the index page beside the program: " + address);
    DeleteFileA(recordSeen.c_str());

    SetDesktopBrowsers(L"kadenzo-test-no-such-browser");
    program.Command(IDM_HELP);
    HWND viewer = nullptr;
    Expect(WaitFor([&] { return (viewer = program.WindowOfClass(L"KadenzoHelpViewer")) != nullptr; }, 15000),
           "without a browser the program's own viewer shows the pages");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers");
    Expect(program.Text(viewer) == "曲替丸 ヘルプ", "the viewer is titled by the index page: " + program.Text(viewer));
    Expect(program.WindowOfClass(L"HH Parent") == nullptr, "the help file's blank viewer stays shut");
    program.Screenshot(viewer, "help_viewer");
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    Expect(WaitFor([viewer] { return !IsWindow(viewer); }), "the viewer closes");
    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}

namespace {

// Lines of the capture file that hold a GS reset.
int CapturedGsResets(const std::string& path) {
    std::ifstream in(path);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find(" F0 41 10 42 12 40 00 7F 00 41 F7") != std::string::npos) ++count;
    return count;
}

}  // namespace

// S is the key of both Stop and GS reset in the Tools menu: each S moves the highlight to the next
// of the two and leaves the menu open; Enter runs the highlighted one.
KADENZO_SCENARIO(shared_access_key_moves_the_highlight) {
    const std::string capture = Paths().scratch + "\\shared-key-capture.txt";
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", capture.c_str());
    Program program(Paths().program, "\"" + Paths().data + "\\corpus\\test-c-major-scale.mid\"");
    Expect(WaitFor([&] { return !program.Text(program.Item(IDC_PATH_FIELD)).empty(); }), "the song is open");
    program.Command(IDM_PLAY);  // binds the engine, so the reset commands reach it
    program.Command(IDM_STOP);
    Expect(WaitFor([&] {
               const std::vector<std::string> lines = program.LogLines();
               return !lines.empty() && lines.back().size() > 19 && lines.back().substr(19) == "音楽停止";
           }),
           "the song played and stopped");
    const int resetsBefore = CapturedGsResets(capture);
    const size_t linesBefore = program.LogLines().size();

    HWND tools = program.OpenMenu('t');
    Expect(tools != nullptr, "Alt+T opens the tools menu");
    program.MenuChar('s');
    Expect(IsWindowVisible(tools) != 0, "the first S only moves the highlight to Stop: the menu stays open");
    program.MenuChar('s');
    Expect(IsWindowVisible(tools) != 0, "the second S moves it on to GS reset: the menu stays open");
    Expect(program.LogLines().size() == linesBefore, "neither S ran a command");
    program.MenuKey(VK_RETURN);
    // The MIDI mapper hands a reset to the port once for each of the 16 channels.
    Expect(WaitFor([&] { return CapturedGsResets(capture) == resetsBefore + 16; }),
           "Enter runs GS reset once: " + std::to_string(CapturedGsResets(capture) - resetsBefore) + " copies sent");

    const DWORD code = program.Close();
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", nullptr);
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}
