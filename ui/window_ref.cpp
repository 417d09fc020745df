#include "ui/window_ref.h"

#include "ui/code_page.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

int WindowRef::Center(HWND parent) const {
    if (!parent) parent = GetDesktopWindow();
    RECT outer{};
    RECT client{};
    GetWindowRect(window_, &outer);
    GetClientRect(parent, &client);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const int x = (client.right - width) / 2;
    const int y = (client.bottom - height) / 2;
    if (x < 0 || y < 0) return 1;
    MoveWindow(window_, x, y, width, height, TRUE);
    return 0;
}

int WindowRef::ShowMessage(const char* text, UINT type, const char* caption) const {
    std::vector<char> shown;
    if (caption) {
        // A doubled percent sign stands for one; no other sequence is interpreted, so a caption
        // can never make the formatter read arguments that are not there.
        for (const char* p = caption; *p; ++p) {
            shown.push_back(*p);
            if (p[0] == '%' && p[1] == '%') ++p;
        }
        shown.push_back('\0');
    } else {
        const int length = GetWindowTextLengthA(window_);
        shown.assign(static_cast<size_t>(length) + 2, '\0');
        GetWindowTextA(window_, shown.data(), length + 1);
    }
    return MessageBoxA(window_, text, shown.data(), type);
}

LRESULT ListBoxRef::InsertString(int index, const char* text) const {
    const std::wstring wide = Widen932(text);
    return SendMessageW(window_, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.c_str()));
}

bool ListBoxRef::ItemText(int index, std::string* text) const {
    // Read as UTF-16 and converted here: long items are read whole, without relying on the
    // list's own conversion of long texts to the ANSI code page.
    const LRESULT length = SendMessageW(window_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return false;
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(window_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
    if (copied == LB_ERR) return false;
    *text = Narrow932(std::wstring_view(wide.data(), static_cast<size_t>(copied)));
    return true;
}

LRESULT AnimationControl::Open(const char* path) const {
    return SendMessageA(control_, ACM_OPENA, 0, reinterpret_cast<LPARAM>(path));
}

LRESULT AnimationControl::Play(UINT from, UINT to, UINT repeat) const {
    return SendMessageA(control_, ACM_PLAY, repeat, MAKELPARAM(from, to));
}

LRESULT AnimationControl::Stop() const { return SendMessageA(control_, ACM_STOP, 0, 0); }

bool AnimationControl::IsPlaying() const { return SendMessageA(control_, ACM_ISPLAYING, 0, 0) != 0; }

WaitCursor::~WaitCursor() {
    if (cursor_) SetCursor(previous_);
}

void WaitCursor::Set(LPCSTR id) {
    cursor_ = LoadCursorA(nullptr, id);
    previous_ = SetCursor(cursor_);
}

void MenuRef::Check(UINT id, int on) const {
    CheckMenuItem(menu_, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

int MenuRef::IsChecked(UINT id) const {
    const UINT state = GetMenuState(menu_, id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) ? 1 : 0;
}

BOOL MenuRef::SetItemText(UINT id, const char* text) const {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = const_cast<char*>(text);
    return SetMenuItemInfoA(menu_, id, FALSE, &info);
}
