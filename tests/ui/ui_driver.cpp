// The end-to-end driver: ui_driver.exe PROGRAM_DIR SCREENS_DIR DATA_DIR SCRATCH_DIR [scenario]
#include "driver.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>

namespace {

DriverPaths paths;

std::map<std::string, void (*)()>& Scenarios() {
    static std::map<std::string, void (*)()> scenarios;
    return scenarios;
}

std::wstring Wide(const std::string& text) {
    const int n = MultiByteToWideChar(932, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    const int n =
        WideCharToMultiByte(932, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND exclude;
    HWND found;
};

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (owner == search->processId && window != search->exclude && IsWindowVisible(window) &&
        std::wstring(className) == search->className) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the program of the given class, other than `exclude`.
HWND ProgramWindow(DWORD processId, const wchar_t* className, HWND exclude = nullptr) {
    WindowSearch search{processId, className, exclude, nullptr};
    EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

constexpr const wchar_t* kDialogClass = L"#32770";

BOOL CALLBACK FindMainWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (owner == search->processId && IsWindowVisible(window) && std::wstring(className) == kDialogClass &&
        GetDlgItem(window, IDC_PATH_FIELD) != nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The program's visible main window, told from its boxes (which share its caption) by the path field.
HWND MainWindowOf(DWORD processId) {
    WindowSearch search{processId, kDialogClass, nullptr, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
constexpr const wchar_t* kMenuClass = L"#32768";

BOOL CALLBACK FindStaticText(HWND child, LPARAM data) {
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    if (std::wstring(className) == L"Static" && GetDlgCtrlID(child) == 0xFFFF) {
        *reinterpret_cast<HWND*>(data) = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

void Expect(bool condition, const std::string& what) {
    if (!condition) throw ScenarioFailure(what);
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (GetTickCount64() < end) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

bool HoldsFor(const std::function<bool()>& holds, int watchMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(watchMs);
    while (GetTickCount64() < end) {
        if (!holds()) return false;
        Sleep(50);
    }
    return holds();
}

namespace {

// The screen inside `area` as 32-bit pixels, bottom row first.
std::vector<std::uint32_t> ReadScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    GetDIBits(memory, picture, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace

RECT WindowArea(HWND window) {
    RECT area{};
    GetWindowRect(window, &area);
    return area;
}

void WaitForSteadyPicture(const RECT& area, const std::string& what) {
    // Wine hands a window's drawing to the X server a moment after it is painted: the picture is
    // ready when two readings some frames apart agree.
    std::vector<std::uint32_t> last = ReadScreen(area);
    Expect(WaitFor(
               [&] {
                   Sleep(60);
                   std::vector<std::uint32_t> now = ReadScreen(area);
                   const bool steady = now == last;
                   last = std::move(now);
                   return steady;
               },
               5000),
           what + " stops changing on the screen");
}

const DriverPaths& Paths() { return paths; }

ScenarioRegistration::ScenarioRegistration(const char* name, void (*run)()) { Scenarios()[name] = run; }

Program::Program(const std::string& folder, const std::string& arguments) {
    std::wstring command = L"\"" + Wide(folder) + L"\\Kadenzo.exe\"";
    if (!arguments.empty()) command += L" " + Wide(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    Expect(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, Wide(folder).c_str(), &startup,
                          &process_) != 0,
           "Kadenzo.exe starts");
    Expect(WaitFor([this] {
               main_ = MainWindowOf(process_.dwProcessId);
               return main_ != nullptr;
           }),
           "the main window appears");
    Expect(WaitForInputIdle(process_.hProcess, 10000) == 0, "the program waits for input after starting");
    WaitForSteadyPicture(WindowArea(main_), "the main window");
}

Program::~Program() {
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

HWND Program::WindowOfClass(const wchar_t* className) const { return ProgramWindow(process_.dwProcessId, className); }

void Program::Command(int id) const { PostMessageW(main_, WM_COMMAND, static_cast<WPARAM>(id), 0); }

void Program::SendCommand(int id) const {
    DWORD_PTR result = 0;
    Expect(SendMessageTimeoutW(main_, WM_COMMAND, static_cast<WPARAM>(id), 0, SMTO_NORMAL, 10000, &result) != 0,
           "the main window handles command " + std::to_string(id));
}

void Program::WaitUntilIdle() const {
    // A sent message is answered only from the message loop, after the handler under way returns.
    DWORD_PTR result = 0;
    Expect(SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0,
           "the program returns to its message loop");
}

Box Program::WaitForBox(int timeoutMs) const {
    HWND found = nullptr;
    Expect(WaitFor(
               [&] {
                   found = ProgramWindow(process_.dwProcessId, kDialogClass, main_);
                   return found != nullptr;
               },
               timeoutMs),
           "a dialog box appears");
    WaitForSteadyPicture(WindowArea(found), "the dialog box");
    Box box;
    box.window = found;
    box.caption = Text(box.window);
    HWND message = nullptr;
    EnumChildWindows(box.window, FindStaticText, reinterpret_cast<LPARAM>(&message));
    if (message) box.text = Text(message);
    return box;
}

void Program::WaitGone(HWND box, int timeoutMs) const {
    Expect(WaitFor([box] { return !IsWindow(box) || !IsWindowVisible(box); }, timeoutMs), "the box closes");
}

void Program::Press(const Box& box, int id) const {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, id)));
    WaitGone(box.window);
}

void Program::ChooseFile(const Box& box, const std::string& path) const {
    HWND field = GetDlgItem(box.window, 0x47C);
    if (HWND edit = field ? FindWindowExW(field, nullptr, L"Edit", nullptr) : nullptr) field = edit;
    if (!field) field = GetDlgItem(box.window, 0x480);
    const std::wstring wide = Wide(path);
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    Press(box, IDOK);
}

HWND Program::LogWindow() const { return FindWindowW(L"logclass_name", nullptr); }

std::vector<std::string> Program::LogLines() const {
    // Across processes the list hands its texts over as UTF-16.
    HWND list = GetDlgItem(LogWindow(), 456);
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        text.resize(static_cast<size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        lines.push_back(Narrow(text));
    }
    return lines;
}

std::string Program::Text(HWND window) const {
    std::wstring text(static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return Narrow(text);
}

void Program::Screenshot(HWND window, const std::string& name, Picture picture) const {
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    const RECT frame = WindowArea(window);
    if (picture == Picture::Steady) {
        WaitForSteadyPicture(frame, "the window to be shot");
    } else {
        WaitUntilIdle();
        Sleep(100);  // nothing settles while it moves: the painted surface reaches the X server within frames
    }
    SaveScreenArea(frame, name);
}

HWND Program::OpenMenu(char key) const {
    SetForegroundWindow(main_);
    PostMessageW(main_, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(key));
    HWND menu = nullptr;
    WaitFor(
        [&] {
            menu = ProgramWindow(process_.dwProcessId, kMenuClass);
            return menu != nullptr;
        },
        5000);
    if (menu) WaitForSteadyPicture(WindowArea(menu), "the opened menu");
    return menu;
}

void Program::MenuKey(WORD virtualKey) const {
    const MenuPicture before = OpenMenuPicture();
    PostMessageW(main_, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(main_, WM_KEYUP, virtualKey, 0xC0000001);
    WaitForMenuAnswer(before, "the menu answers key " + std::to_string(virtualKey));
}

void Program::MenuChar(char character) const {
    const MenuPicture before = OpenMenuPicture();
    PostMessageW(main_, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(character)), 1);
    WaitForMenuAnswer(before, std::string("the menu answers character ") + character);
}

Program::MenuPicture Program::OpenMenuPicture() const {
    MenuPicture picture;
    picture.menu = ProgramWindow(process_.dwProcessId, kMenuClass);
    if (picture.menu) picture.pixels = ReadScreen(WindowArea(picture.menu));
    return picture;
}

void Program::WaitForMenuAnswer(const MenuPicture& before, const std::string& what) const {
    // A key the menu takes either redraws the highlight or closes the menu.
    Expect(WaitFor(
               [&] {
                   const MenuPicture now = OpenMenuPicture();
                   return now.menu != before.menu || now.pixels != before.pixels;
               },
               5000),
           what);
    if (HWND menu = ProgramWindow(process_.dwProcessId, kMenuClass)) WaitForSteadyPicture(WindowArea(menu), what);
}

void Program::CloseMenus() const {
    PostMessageW(main_, WM_CANCELMODE, 0, 0);
    WaitFor([&] { return ProgramWindow(process_.dwProcessId, kMenuClass) == nullptr; }, 5000);
}

void SaveScreenArea(const RECT& area, const std::string& name) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const std::vector<std::uint32_t> pixels = ReadScreen(area);
    // 24 bits a pixel, rows padded to four bytes, bottom row first, as BMP files are.
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::vector<char> image(rowBytes * static_cast<size_t>(height), '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel =
                pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            char* at = &image[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x) * 3];
            at[0] = static_cast<char>(pixel & 0xFF);
            at[1] = static_cast<char>((pixel >> 8) & 0xFF);
            at[2] = static_cast<char>((pixel >> 16) & 0xFF);
        }
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(image.size());
    std::ofstream out(paths.screens + "\\" + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
}

int CountScreenPixels(const RECT& area, COLORREF colour) {
    // Pixels hold blue in the low byte, a COLORREF red.
    const std::uint32_t wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    int count = 0;
    for (std::uint32_t pixel : ReadScreen(area)) count += (pixel & 0xFFFFFF) == wanted ? 1 : 0;
    return count;
}

DWORD Program::Close() {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    Expect(WaitForSingleObject(process_.hProcess, 15000) == WAIT_OBJECT_0, "the program ends after close");
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: ui_driver PROGRAM_DIR SCREENS_DIR DATA_DIR SCRATCH_DIR [scenario]\n");
        return 2;
    }
    paths = {argv[1], argv[2], argv[3], argv[4]};
    const std::string only = argc > 5 ? argv[5] : "";
    int failures = 0;
    for (const auto& [name, run] : Scenarios()) {
        if (!only.empty() && name != only) continue;
        std::printf("[ scenario ] %s\n", name.c_str());
        std::fflush(stdout);
        try {
            run();
            std::printf("[       ok ] %s\n", name.c_str());
        } catch (const std::exception& failure) {
            std::printf("[   FAILED ] %s: %s\n", name.c_str(), failure.what());
            ++failures;
        }
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
