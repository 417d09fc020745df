#include "app/about_box.h"

#include "log/app_globals.h"
#include "playback/addon.h"
#include "playback/playback_driver.h"
#include "playback/preview.h"
#include "res/resource.h"
#include "ui/dialog_rescale.h"
#include "ui/window_ref.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace {

constexpr char kProductLine[] = "曲替丸 Ver 1.8 (C) 2026 Kadenzo developers";
// Each shown before the library's name and version.
constexpr char kEngineNotice[] = "再生エンジン";
constexpr char kAddOnNotice[] = "スピンコントロール";

// The box's one static that shows an icon.
HWND IconStatic(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (std::string_view(className) == "Static" && (style & SS_TYPEMASK) == SS_ICON) return child;
    }
    return nullptr;
}

void ReleaseIcon(HWND dialog) {
    auto* picture = reinterpret_cast<HICON>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!picture) return;
    SendMessageA(IconStatic(dialog), STM_SETICON, 0, 0);
    DestroyIcon(picture);
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
}

// The icon fills its 20 x 20 dialog units: the icon resource drawn at the largest square that fits
// them, centred there, on the screen the box stands on (the units' pixels follow its scale). On its
// own the static would show the resource's 32 x 32 picture. The box keeps the icon it made in
// DWLP_USER until it closes or makes another.
void ShowIconAtTemplateSize(HWND dialog) {
    HWND icon = IconStatic(dialog);
    if (!icon) return;
    RECT place{};
    GetClientRect(icon, &place);
    const int side = std::min(place.right, place.bottom);
    auto* picture = static_cast<HICON>(
        LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
    if (!picture) return;
    ReleaseIcon(dialog);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(picture), 0);
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(picture));
}

}  // namespace

int FillAboutTexts(HWND dialog) {
    WindowRef box(dialog);
    box.SetItemText(IDC_ABOUT_PRODUCT_LINE, kProductLine);
    box.Center(nullptr);
    char line[MAX_PATH];
    if (PlaybackDriver* driver = playbackDriver.load()) {
        std::snprintf(line, sizeof line, "%s %s Ver %X", kEngineNotice, driver->LibraryName(), driver->EngineVersion());
        box.SetItemText(IDC_ABOUT_ENGINE_LINE, line);
    }
    if (const unsigned version = AddOnVersion(); version != 0) {
        std::snprintf(line, sizeof line, "%s rfk32.dll Ver %X", kAddOnNotice, version);
        box.SetItemText(IDC_ABOUT_ADDON_LINE, line);
    }
    return 0;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            FollowScreenScale(dialog);
            FillAboutTexts(dialog);  // which moves the box onto its screen, so the icon comes after
            ShowIconAtTemplateSize(dialog);
            return 1;
        case kScreenScaleChangedMessage: ShowIconAtTemplateSize(dialog); return 1;
        case WM_DESTROY: ReleaseIcon(dialog); return 0;
        case WM_CLOSE: EndDialog(dialog, 0); return 1;
        case WM_COMMAND:
            // Only the close button closes; Esc (IDCANCEL) is ignored like every other command.
            if (LOWORD(wParam) == IDC_ABOUT_CLOSE_BUTTON) PostMessageA(dialog, WM_CLOSE, 0, 0);
            return 1;
    }
    return 0;
}
