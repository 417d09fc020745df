// The Windows tests' entry: the module's resources are the program's own.
#include "log/app_globals.h"

#include <commctrl.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    appInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
