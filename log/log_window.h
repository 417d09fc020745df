// The log window: a hidden-at-first top-level window whose client area is a list of
// time-stamped lines. One instance for the life of the process.
#pragma once
#include <windows.h>

class LogWindow {
public:
    LogWindow() = default;
    LogWindow(const LogWindow&) = delete;
    LogWindow& operator=(const LogWindow&) = delete;
    // The window and the font end with the process, not with this object.
    virtual ~LogWindow() = default;

    int RegisterWindowClass(HINSTANCE instance, HICON icon);
    int Create(HINSTANCE instance);
    int Show(int command);
    int AddLine(const char* text);
    int SaveToFile();
    int Clear();
    int FitListToClient();
    // Moved to a screen of another DPI: the list font of that DPI, the window in `suggested`.
    int ChangeDpi(int dpi, const RECT& suggested);

    HWND Window() const { return window_; }
    HWND List() const { return GetDlgItem(window_, kListId); }

    static constexpr int kListId = 456;

private:
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
};

// Main-menu command 40011: the check mark, not the window's visibility, decides the direction.
int ToggleLogWindow();

LRESULT CALLBACK LogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr char kLogClassName[] = "logclass_name";
