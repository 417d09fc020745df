#include "log/app_globals.h"

#include "log/log_window.h"
#include "ui/messages.h"

HINSTANCE appInstance = nullptr;
HICON appIcon = nullptr;
std::atomic<HWND> mainWindow{nullptr};
LogWindow* logWindow = nullptr;
std::int32_t sliderPosition = 0;
std::atomic<bool> sliderDragging{false};

void Log(const char* text) {
    if (logWindow) logWindow->AddLine(text);
}

void LogText(UINT id) { Log(LoadText(appInstance, id)); }
