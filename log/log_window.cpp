#include "log/log_window.h"

#include "log/app_globals.h"
#include "log/log_stamp.h"
#include "res/resource.h"
#include "ui/file_handle.h"
#include "ui/display_scale.h"
#include "ui/messages.h"
#include "ui/text_utils.h"
#include "ui/window_dpi.h"
#include "ui/window_ref.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;
constexpr int kFontHeight = 14;

HFONT CreateFixedSys() {
    return CreateFontA(kFontHeight, 0, 0, 0, 480, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_STRING_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "FixedSys");
}

// The list's line height at 96 DPI, as the list takes it from "FixedSys" at height 14: measured, for
// a Japanese system's FixedSys is a raster font that draws taller than asked, whatever the screen.
int BaseLineHeight() {
    static const int height = [] {
        TEXTMETRICA metrics{};
        HFONT font = CreateFixedSys();
        if (HDC screen = GetDC(nullptr)) {
            const HGDIOBJ before = SelectObject(screen, font);
            GetTextMetricsA(screen, &metrics);
            SelectObject(screen, before);
            ReleaseDC(nullptr, screen);
        }
        if (font) DeleteObject(font);
        return metrics.tmHeight > 0 ? static_cast<int>(metrics.tmHeight) : kFontHeight;
    }();
    return height;
}

// The list's line at `dpi`: as tall as at 96 DPI in proportion to the scale.
int LineHeight(int dpi) { return ScaleForDpi(BaseLineHeight(), dpi); }

// "FixedSys" at 96 DPI. That raster face keeps its height whatever is asked, so at any other DPI a
// scalable monospaced Japanese face takes its place, its cells as tall as the line.
HFONT CreateListFont(int dpi) {
    if (dpi == kBaseDpi) return CreateFixedSys();
    return CreateFontA(LineHeight(dpi), 0, 0, 0, 480, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "ＭＳ ゴシック");
}

// The list takes its line height from the font; away from 96 DPI it is set to the scaled line, so
// the text grows exactly with the screen.
void SetListFont(HWND list, HFONT font, int dpi) {
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (dpi != kBaseDpi) SendMessageA(list, LB_SETITEMHEIGHT, 0, LineHeight(dpi));
}

}  // namespace

int LogWindow::RegisterWindowClass(HINSTANCE instance, HICON icon) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = LogWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_LOG_MENU);
    windowClass.lpszClassName = kLogClassName;
    return RegisterClassExA(&windowClass) ? 0 : 1;
}

int LogWindow::Create(HINSTANCE instance) {
    // Not yet shown, the window takes the primary screen's DPI.
    const int dpi = ScreenDpi();
    window_ = CreateWindowExA(0, kLogClassName, "ログ", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                              ScaleForDpi(kWindowWidth, dpi), ScaleForDpi(kWindowHeight, dpi), nullptr, nullptr,
                              instance, nullptr);
    if (!window_) return 1;
    const int listDpi = WindowDpi(window_);
    font_ = CreateListFont(listDpi);
    if (!font_) return 1;
    HWND list =
        CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, 0, 0,
                        320, 240, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance, nullptr);
    if (!list) {
        SendMessageA(window_, WM_CLOSE, 0, 0);  // only hides it
        return 1;
    }
    SetListFont(list, font_, listDpi);
    FitListToClient();
    MENUITEMINFOA hide{};
    hide.cbSize = sizeof hide;
    hide.fMask = MIIM_TYPE;
    hide.fType = MFT_STRING;
    hide.dwTypeData = const_cast<char*>("非表示(&H)");
    SetMenuItemInfoA(GetSystemMenu(window_, FALSE), SC_CLOSE, FALSE, &hide);
    return 0;
}

int LogWindow::Show(int command) {
    ShowWindow(window_, command);
    return 0;
}

namespace {

// The widest of the list's lines from `first` on, in pixels of the font the list draws with.
int WidestLine(HWND list, int first) {
    HDC dc = GetDC(list);
    if (!dc) return 0;
    const auto font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
    const HGDIOBJ before = font ? SelectObject(dc, font) : nullptr;
    int widest = 0;
    std::string text;
    for (int index = first; ListBoxRef(list).ItemText(index, &text); ++index) {
        SIZE size{};
        GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    if (before) SelectObject(dc, before);
    ReleaseDC(list, dc);
    return widest;
}

// The list scrolls sideways as far as its longest line; it draws each line a little in from its left
// edge. From the first line the width is measured anew, when the font has changed or the lines were
// cleared; from a later one it only grows. A log may hold thousands of lines: a resize measures none.
void FitScrollWidth(HWND list, int first) {
    constexpr int kTextInset = 4;
    const int widest = WidestLine(list, first);
    const int width = widest > 0 ? widest + kTextInset : 0;
    if (first == 0 || width > SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0)) {
        SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(width), 0);
    }
}

}  // namespace

int LogWindow::AddLine(const char* text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[64];
    FormatLogStamp({now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, stamp, sizeof stamp);
    HeapString line;
    HeapString message;
    line.Assign(stamp).Append(message.Assign(text));
    if (!line.Text()) return 0;
    const auto index = static_cast<int>(ListBoxRef(List()).InsertString(-1, line.Text()));
    if (index >= 0) FitScrollWidth(List(), index);
    return 0;
}

int LogWindow::SaveToFile() {
    FileDialog dialog(window_);
    dialog.SetDefaultExtension("log");
    static const char filter[] =
        "ログファイル(*.log)\0*.log\0テキストファイル(*.txt)\0*.txt\0全てのファイル(*.*)\0*.*\0";
    if (!dialog.ChooseSave(filter, nullptr)) return 0;

    // Every line is read whole, however long it is.
    ListBoxRef list(List());
    std::vector<std::string> lines;
    std::string text;
    for (int index = 0; list.ItemText(index, &text) && !text.empty(); ++index) lines.push_back(text);
    std::vector<std::string_view> pieces{"Kadenzo Log File...\r\n"};
    for (const std::string& text : lines) {
        pieces.push_back(text);
        pieces.push_back("\r\n");
    }
    return WriteWholeFile(dialog.FileName(), pieces) == WriteOutcome::Written ? 0 : 1;
}

int LogWindow::Clear() {
    SendMessageA(List(), LB_RESETCONTENT, 0, 0);
    FitScrollWidth(List(), 0);
    return 0;
}

int LogWindow::FitListToClient() {
    RECT client{};
    GetClientRect(window_, &client);
    MoveWindow(List(), 0, 0, client.right - client.left, client.bottom - client.top, TRUE);
    return 0;
}

int LogWindow::ChangeDpi(int dpi, const RECT& suggested) {
    // The lines stay in the list; only their font and the window's size change.
    if (HFONT font = CreateListFont(dpi)) {
        SetListFont(List(), font, dpi);
        if (font_) DeleteObject(font_);
        font_ = font;
        FitScrollWidth(List(), 0);
    }
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

int ToggleLogWindow() {
    MenuRef menu(mainWindow.load());
    const int nowChecked = menu.IsChecked(IDM_TOGGLE_LOG) ? 0 : 1;
    menu.Check(IDM_TOGGLE_LOG, nowChecked);
    if (logWindow) logWindow->Show(nowChecked ? SW_SHOWNORMAL : SW_HIDE);
    return 0;
}

LRESULT CALLBACK LogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (logWindow && logWindow->Window() == window) logWindow->FitListToClient();
            return 1;
        case WM_DPICHANGED:
            NoteWindowDpi(window, HIWORD(wParam));
            if (logWindow && logWindow->Window() == window) {
                logWindow->ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            }
            return 0;
        case WM_CLOSE:
            ShowWindow(window, SW_HIDE);
            MenuRef(mainWindow.load()).Check(IDM_TOGGLE_LOG, 0);
            return 1;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDM_LOG_CLEAR:
                    if (logWindow) logWindow->Clear();
                    break;
                case IDM_LOG_SAVE:
                    if (logWindow && logWindow->SaveToFile() == 1) {
                        MessageBoxA(window, LoadText(appInstance, IDS_CANNOT_CREATE_FILE), kProductCaption,
                                    MB_ICONERROR);
                    }
                    break;
                case IDM_LOG_HIDE: PostMessageA(mainWindow.load(), WM_COMMAND, IDM_TOGGLE_LOG, 0); break;
            }
            return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
