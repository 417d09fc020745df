#include "app/startup.h"

#include "app/main_window.h"
#include "log/app_globals.h"
#include "log/log_window.h"
#include "playback/addon.h"
#include "playback/playback_driver.h"
#include "playback/preview.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "song/song_commands.h"
#include "ui/messages.h"

#include <new>

void SetButtonHandCursor() {
    HWND button = CreateWindowExA(0, "BUTTON", nullptr, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!button) return;
    SetClassLongPtrA(button, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(LoadCursorA(nullptr, MAKEINTRESOURCEA(0x7F89))));
    DestroyWindow(button);
}

int StartUp() {
    ResetSettings();
    playbackDriver = nullptr;
    logWindow = new (std::nothrow) LogWindow;
    if (!logWindow) return 1;
    if (logWindow->RegisterWindowClass(appInstance, appIcon) != 0 || logWindow->Create(appInstance) != 0) {
        MessageBoxA(nullptr, LoadText(appInstance, IDS_INIT_FAILED), kProductCaption, MB_ICONERROR | MB_OK);
        return 1;
    }
    logWindow->AddLine("Kadenzo Ver1.8 Start logging...");
    sliderDragging = false;
    BindAddOn();
    return 0;
}

int ShutDown() {
    CloseSong();
    KillPositionTimer();
    delete playbackDriver.exchange(nullptr);
    delete logWindow;
    logWindow = nullptr;
    return 0;
}

int RunKadenzo(const char* commandLine) {
    SetButtonHandCursor();
    appIcon = LoadIconA(appInstance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON));
    if (StartUp() != 0) return 1;
    const INT_PTR result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN_WINDOW), nullptr, MainDialogProc,
                                           reinterpret_cast<LPARAM>(commandLine));
    ShutDown();
    return static_cast<int>(result);
}
