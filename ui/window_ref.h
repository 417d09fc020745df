// Views over windows, controls and menus, and the wait cursor. Views never destroy what they view.
#pragma once
#include <windows.h>

#include <string>

class WindowRef {
public:
    explicit WindowRef(HWND window = nullptr) : window_(window) {}
    virtual ~WindowRef() = default;

    void Attach(HWND window) { window_ = window; }
    HWND Handle() const { return window_; }

    BOOL SetText(const char* text) const { return SetWindowTextA(window_, text); }
    BOOL SetItemText(int id, const char* text) const { return SetDlgItemTextA(window_, id, text); }
    UINT GetItemText(int id, char* buffer, int capacity) const {
        return GetDlgItemTextA(window_, id, buffer, capacity);
    }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
        return SendMessageA(window_, message, wParam, lParam);
    }
    LRESULT SendItem(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
        return SendDlgItemMessageA(window_, id, message, wParam, lParam);
    }
    LRESULT SetIcon(WPARAM kind, HICON icon) const { return Send(WM_SETICON, kind, reinterpret_cast<LPARAM>(icon)); }
    LRESULT SetCheck(int id, WPARAM state) const { return SendItem(id, BM_SETCHECK, state, 0); }
    LRESULT GetCheck(int id) const { return SendItem(id, BM_GETCHECK, 0, 0); }
    LONG_PTR SetLong(int index, LONG_PTR value) const { return SetWindowLongPtrA(window_, index, value); }
    LONG_PTR GetLong(int index) const { return GetWindowLongPtrA(window_, index); }

    // Centres the window on the parent's client area (the desktop when null); 1 when it does not fit.
    int Center(HWND parent) const;
    // Message box owned by the window; without a caption it takes the window's own title.
    int ShowMessage(const char* text, UINT type, const char* caption = nullptr) const;

protected:
    HWND window_;
};

class ListBoxRef : public WindowRef {
public:
    explicit ListBoxRef(HWND list) : WindowRef(list) {}
    ~ListBoxRef() override = default;

    // The text converted from code page 932, whatever the list's own character set.
    LRESULT InsertString(int index, const char* text) const;
    int Count() const { return static_cast<int>(Send(LB_GETCOUNT, 0, 0)); }
    // Item `index` read whole in code page 932; false when there is no such item.
    bool ItemText(int index, std::string* text) const;
};

class AnimationControl : public WindowRef {
public:
    explicit AnimationControl(HWND control) : WindowRef(control), control_(control) {}
    ~AnimationControl() override = default;

    // Nonzero when the clip was loaded; a null path closes the clip.
    LRESULT Open(const char* path) const;
    LRESULT Play(UINT from, UINT to, UINT repeat) const;
    LRESULT Stop() const;
    bool IsPlaying() const;

private:
    HWND control_;
};

class WaitCursor {
public:
    WaitCursor() = default;
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    virtual ~WaitCursor();

    void Set(LPCSTR id);

private:
    HCURSOR cursor_ = nullptr;
    HCURSOR previous_ = nullptr;
};

class MenuRef {
public:
    explicit MenuRef(HWND window) : menu_(window ? GetMenu(window) : nullptr) {}
    virtual ~MenuRef() = default;

    HMENU Attach(HMENU menu) {
        HMENU before = menu_;
        menu_ = menu;
        return before;
    }
    HMENU Handle() const { return menu_; }
    void Check(UINT id, int on) const;
    int IsChecked(UINT id) const;
    BOOL SetItemText(UINT id, const char* text) const;

private:
    HMENU menu_;
};
