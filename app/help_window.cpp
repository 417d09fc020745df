#include "app/help_window.h"

#include "app/help_pages.h"
#include "log/app_globals.h"
#include "ui/display_scale.h"
#include "ui/file_handle.h"
#include "ui/text_utils.h"
#include "ui/window_dpi.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// winebrowser hands the page to the first browser it can start and ends; it fails when none starts.
// It seldom takes a second; one that has not ended after this long is taken to be on its way.
constexpr DWORD kBrowserWaitMs = 8000;

constexpr wchar_t kViewerClassName[] = L"KadenzoHelpViewer";  // kHelpViewerClass
constexpr int kListId = 1;
constexpr int kTextId = 2;
// At 96 DPI.
constexpr int kViewerWidth = 760;
constexpr int kViewerHeight = 540;
constexpr int kListWidth = 190;
constexpr int kFontPoints = 10;

bool OpenInDesktopBrowser(const char* page) {
    std::string command = "winebrowser.exe \"" + std::string(page) + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    const bool ended = WaitForSingleObject(process.hProcess, kBrowserWaitMs) == WAIT_OBJECT_0;
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return !ended || code == 0;
}

// A page file's bytes (UTF-8), empty when it cannot be read.
std::string ReadPageFile(const std::string& path) {
    FileHandle file;
    if (file.OpenForReading(path.c_str()) == INVALID_HANDLE_VALUE) return {};
    const DWORD size = file.Size();
    if (size == INVALID_FILE_SIZE) return {};
    std::string bytes(size, '\0');
    if (file.Read(bytes.data(), size) < 0) return {};
    bytes.resize(file.LastCount());
    return bytes;
}

// UTF-8 text as the edit control shows it: UTF-16 with CR LF line ends.
std::wstring ShownText(const std::string& text) {
    std::string lines;
    for (const char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    const int size = MultiByteToWideChar(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), wide.data(), size);
    return wide;
}

struct Viewer {
    std::string folder;              // the pages' folder, with its separator
    std::vector<std::string> files;  // the index first, then the pages it links to
    HFONT font = nullptr;
};

Viewer* ViewerOf(HWND window) { return reinterpret_cast<Viewer*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

void ShowPage(HWND window, int index) {
    const Viewer* viewer = ViewerOf(window);
    if (!viewer || index < 0 || index >= static_cast<int>(viewer->files.size())) return;
    const HelpPage page = ReadHelpPage(ReadPageFile(viewer->folder + viewer->files[static_cast<std::size_t>(index)]));
    SetDlgItemTextW(window, kTextId, ShownText(page.text).c_str());
    SendDlgItemMessageW(window, kListId, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void SetViewerFont(HWND window, int dpi) {
    Viewer* viewer = ViewerOf(window);
    HFONT font = CreateFontW(-MulDiv(kFontPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             L"ＭＳ Ｐゴシック");
    if (!viewer || !font) return;
    for (const int id : {kListId, kTextId})
        SendDlgItemMessageW(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (viewer->font) DeleteObject(viewer->font);
    viewer->font = font;
}

void LayOut(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const int list = ScaleForDpi(kListWidth, WindowDpi(window));
    MoveWindow(GetDlgItem(window, kListId), 0, 0, list, client.bottom, TRUE);
    MoveWindow(GetDlgItem(window, kTextId), list, 0, client.right - list, client.bottom, TRUE);
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: LayOut(window); return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_SELCHANGE) {
                ShowPage(window, static_cast<int>(SendDlgItemMessageW(window, kListId, LB_GETCURSEL, 0, 0)));
            }
            return 0;
        case WM_DPICHANGED: {
            NoteWindowDpi(window, HIWORD(wParam));
            SetViewerFont(window, HIWORD(wParam));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_NCDESTROY: {
            std::unique_ptr<Viewer> viewer(ViewerOf(window));
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            ForgetWindowDpi(window);
            if (viewer && viewer->font) DeleteObject(viewer->font);
            break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterViewerClass() {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(appInstance, kViewerClassName, &existing)) return true;
    WNDCLASSEXW viewerClass{};
    viewerClass.cbSize = sizeof viewerClass;
    viewerClass.lpfnWndProc = ViewerProc;
    viewerClass.hInstance = appInstance;
    viewerClass.hIcon = appIcon;
    viewerClass.hIconSm = appIcon;
    viewerClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    viewerClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    viewerClass.lpszClassName = kViewerClassName;
    return RegisterClassExW(&viewerClass) != 0;
}

HWND CreateViewer(std::unique_ptr<Viewer> viewer, const std::string& title) {
    if (!RegisterViewerClass()) return nullptr;
    const int dpi = ScreenDpi();
    // As large as at 96 DPI in proportion to the scale, but never larger than the desktop's free area.
    RECT work{0, 0, ScaleForDpi(kViewerWidth, dpi), ScaleForDpi(kViewerHeight, dpi)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::min<int>(ScaleForDpi(kViewerWidth, dpi), work.right - work.left);
    const int height = std::min<int>(ScaleForDpi(kViewerHeight, dpi), work.bottom - work.top);
    HWND window = CreateWindowExW(0, kViewerClassName, ShownText(title).c_str(), WS_OVERLAPPEDWINDOW, work.left,
                                  work.top, width, height, nullptr, nullptr, appInstance, nullptr);
    if (!window) return nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(viewer.release()));
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP;
    CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr, child | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0,
                    window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), appInstance, nullptr);
    CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", nullptr, child | ES_MULTILINE | ES_READONLY, 0, 0, 0, 0, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), appInstance, nullptr);
    SetViewerFont(window, WindowDpi(window));
    LayOut(window);
    return window;
}

HWND FindOwnViewer() {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, kHelpViewerClass, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == GetCurrentProcessId()) return window;
    }
    return nullptr;
}

}  // namespace

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

bool ShowHelpPages(const char* indexPage) { return OpenInDesktopBrowser(indexPage) || ShowHelpViewer(indexPage); }

bool ShowHelpViewer(const char* indexPage) {
    HWND window = FindOwnViewer();
    if (!window) {
        const HelpPage index = ReadHelpPage(ReadPageFile(indexPage));
        if (index.title.empty()) return false;
        auto viewer = std::make_unique<Viewer>();
        viewer->folder.assign(indexPage, FolderPrefixLength(indexPage));
        viewer->files.push_back(std::string(indexPage).substr(viewer->folder.size()));
        for (const std::string& link : index.links) viewer->files.push_back(link);
        window = CreateViewer(std::move(viewer), index.title);
        if (!window) return false;
        for (const std::string& file : ViewerOf(window)->files) {
            const std::string title = ReadHelpPage(ReadPageFile(ViewerOf(window)->folder + file)).title;
            SendDlgItemMessageW(window, kListId, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(ShownText(title.empty() ? file : title).c_str()));
        }
    }
    ShowPage(window, 0);
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window);
    return true;
}
