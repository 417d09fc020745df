// Kadenzo's entry point.
#include "app/startup.h"
#include "log/app_globals.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    appInstance = instance;
    // The animation control's class must exist before the main window's template is created.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    return RunKadenzo(commandLine);
}
