#include "app/about_box.h"

#include "playback/addon.h"
#include "playback/playback_driver.h"
#include "playback/preview.h"
#include "res/resource.h"
#include "ui/window_ref.h"

#include <cstdio>

namespace {

constexpr char kProductLine[] = "曲替丸 Ver 1.8 (C) 2026 Kadenzo developers";
// Each shown before the library's name and version.
constexpr char kEngineNotice[] = "再生エンジン";
constexpr char kAddOnNotice[] = "スピンコントロール";

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
        case WM_INITDIALOG: FillAboutTexts(dialog); return 1;
        case WM_CLOSE: EndDialog(dialog, 0); return 1;
        case WM_COMMAND:
            // Only the close button closes; Esc (IDCANCEL) is ignored like every other command.
            if (LOWORD(wParam) == IDC_ABOUT_CLOSE_BUTTON) PostMessageA(dialog, WM_CLOSE, 0, 0);
            return 1;
    }
    return 0;
}
