#include "ui/dialog_rescale.h"

#include "ui/window_dpi.h"

#include <commctrl.h>

#include <new>
#include <vector>

namespace {

constexpr UINT_PTR kSubclassId = 0x4B5A;  // any number of our own

// A length laid out at `from` DPI, at `to` DPI.
int Rescaled(int length, int from, int to) { return MulDiv(length, to, from); }

RECT Rescaled(const RECT& place, int from, int to) {
    return {Rescaled(place.left, from, to), Rescaled(place.top, from, to), Rescaled(place.right, from, to),
            Rescaled(place.bottom, from, to)};
}

// Where each part of the dialog stood at the DPI it was first laid out for.
struct ControlPlace {
    HWND control;
    RECT place;  // in the dialog's client coordinates
    int dpi;
};

struct DialogLayout {
    int dpi = 0;  // of the client size and the font below
    SIZE client{};
    LOGFONTW font{};
    bool hasFont = false;
    std::vector<ControlPlace> controls;
    HFONT madeFont = nullptr;  // the dialog's font at the current DPI, once made here
};

RECT PlaceInParent(HWND control, HWND parent) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// Taken at the first move; a control made after that (none are, but a dialog may) joins at the DPI
// the dialog has when it first meets it.
void RecordLayout(HWND dialog, DialogLayout& layout, int dpi) {
    if (layout.dpi == 0) {
        layout.dpi = dpi;
        RECT client{};
        GetClientRect(dialog, &client);
        layout.client = {client.right, client.bottom};
        if (auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0))) {
            layout.hasFont = GetObjectW(font, sizeof layout.font, &layout.font) == sizeof layout.font;
        }
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        bool known = false;
        for (const ControlPlace& control : layout.controls) known = known || control.control == child;
        if (!known) layout.controls.push_back({child, PlaceInParent(child, dialog), dpi});
    }
}

// The dialog's font at `dpi`, made from the template's font as the dialog manager made it.
HFONT MakeFont(const DialogLayout& layout, int dpi) {
    if (!layout.hasFont) return nullptr;
    LOGFONTW font = layout.font;
    font.lfHeight = Rescaled(font.lfHeight, layout.dpi, dpi);
    font.lfWidth = Rescaled(font.lfWidth, layout.dpi, dpi);
    return CreateFontIndirectW(&font);
}

void RescaleDialog(HWND dialog, DialogLayout& layout, int from, int to, const RECT* suggested) {
    RecordLayout(dialog, layout, from);
    HFONT font = MakeFont(layout, to);
    for (const ControlPlace& control : layout.controls) {
        if (!IsWindow(control.control)) continue;
        const RECT place = Rescaled(control.place, control.dpi, to);
        SetWindowPos(control.control, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (font) SendMessageW(control.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (font) {
        if (layout.madeFont) DeleteObject(layout.madeFont);
        layout.madeFont = font;
    }
    const POINT topLeft{suggested ? suggested->left : 0, suggested ? suggested->top : 0};
    FitWindowToClient(dialog, {Rescaled(layout.client.cx, layout.dpi, to), Rescaled(layout.client.cy, layout.dpi, to)},
                      suggested ? &topLeft : nullptr);
    InvalidateRect(dialog, nullptr, TRUE);
}

LRESULT CALLBACK FollowingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* layout = reinterpret_cast<DialogLayout*>(data);
    switch (message) {
        case WM_DPICHANGED: {
            const int from = WindowDpi(dialog);
            const int to = HIWORD(wParam);
            NoteWindowDpi(dialog, to);
            const LRESULT result = DefSubclassProc(dialog, message, wParam, lParam);
            if (!SystemRescalesDialogs() && to != from) {
                RescaleDialog(dialog, *layout, from, to, reinterpret_cast<const RECT*>(lParam));
            }
            SendMessageW(dialog, kScreenScaleChangedMessage, static_cast<WPARAM>(to), 0);
            // What the dialog resized itself (a menu bar) may have taken room from the client area.
            if (!SystemRescalesDialogs() && layout->dpi != 0) {
                FitWindowToClient(
                    dialog,
                    {Rescaled(layout->client.cx, layout->dpi, to), Rescaled(layout->client.cy, layout->dpi, to)},
                    nullptr);
            }
            return result;
        }
        case WM_GETFONT:
            // The dialog's font at the new DPI: what its own drawing (owner-drawn menus) measures with.
            if (layout->madeFont) return reinterpret_cast<LRESULT>(layout->madeFont);
            return DefSubclassProc(dialog, message, wParam, lParam);
        case WM_NCDESTROY: {
            RemoveWindowSubclass(dialog, FollowingProc, kSubclassId);
            ForgetWindowDpi(dialog);
            const LRESULT result = DefSubclassProc(dialog, message, wParam, lParam);
            if (layout->madeFont) DeleteObject(layout->madeFont);
            delete layout;
            return result;
        }
        default: return DefSubclassProc(dialog, message, wParam, lParam);
    }
}

}  // namespace

void FollowScreenScale(HWND dialog) {
    auto* layout = new (std::nothrow) DialogLayout;
    if (!layout) return;
    if (!SetWindowSubclass(dialog, FollowingProc, kSubclassId, reinterpret_cast<DWORD_PTR>(layout))) delete layout;
}

void FitWindowToClient(HWND window, SIZE client, const POINT* topLeft) {
    RECT outer{};
    RECT inner{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &inner);
    const int width = client.cx + (outer.right - outer.left) - inner.right;
    const int height = client.cy + (outer.bottom - outer.top) - inner.bottom;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!topLeft) flags |= SWP_NOMOVE;
    SetWindowPos(window, nullptr, topLeft ? topLeft->x : 0, topLeft ? topLeft->y : 0, width, height, flags);
}
