// The two exports of rfk32.dll. The test libraries for the binding are built from this file too:
// SPIN_VERSION changes the version reported, SPIN_WITHOUT_CREATE / SPIN_WITHOUT_VERSION leave an
// export out.
#include "spin/spin_contract.h"
#include "spin/spin_control.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

[[maybe_unused]] HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

}  // namespace

#ifndef SPIN_VERSION
#define SPIN_VERSION kSpinLibraryVersion
#endif

#ifndef SPIN_WITHOUT_CREATE
extern "C" [[gnu::dllexport]] HWND WINAPI CreateRFK32(HWND parent, int id, DWORD style, int x, int y, int width,
                                                      int height, INT_PTR, INT_PTR) {
    return CreateSpinControl(ThisModule(), parent, id, style, x, y, width, height);
}
#endif

#ifndef SPIN_WITHOUT_VERSION
extern "C" [[gnu::dllexport]] UINT WINAPI GetRFK32Version() { return SPIN_VERSION; }
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID processEnding) {
    // On FreeLibrary (not at process end) the class must go with the code its procedure lives in.
    if (reason == DLL_PROCESS_DETACH && processEnding == nullptr) UnregisterSpinClass(module);
    return TRUE;
}
