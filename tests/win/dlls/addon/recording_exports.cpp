// An rfk32.dll for the tests: the real control, version 0x20, that also records each contract
// message (value, range, attached edit) its controls receive, so a test can read what a dialog
// sent. RecordedSpinMessages hands the records out.
#include "spin/spin_contract.h"
#include "spin/spin_control.h"
#include "tests/win/dlls/addon/spin_record.h"

#include <algorithm>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

std::vector<SpinMessageSeen> recorded;
WNDPROC controlProc = nullptr;

bool IsContractMessage(UINT message) {
    return message == kSpinSetValueMessage || message == kSpinSetRangeMessage || message == kSpinAttachEditMessage;
}

LRESULT CALLBACK RecordingProc(HWND spin, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsContractMessage(message)) {
        recorded.push_back({GetDlgCtrlID(spin), message, static_cast<std::intptr_t>(wParam), lParam});
    }
    return CallWindowProcA(controlProc, spin, message, wParam, lParam);
}

}  // namespace

extern "C" [[gnu::dllexport]] HWND WINAPI CreateRFK32(HWND parent, int id, DWORD style, int x, int y, int width,
                                                      int height, INT_PTR, INT_PTR) {
    HWND spin = CreateSpinControl(reinterpret_cast<HINSTANCE>(&__ImageBase), parent, id, style, x, y, width, height);
    if (spin) {
        controlProc =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrA(spin, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
    }
    return spin;
}

extern "C" [[gnu::dllexport]] UINT WINAPI GetRFK32Version() { return kSpinLibraryVersion; }

extern "C" [[gnu::dllexport]] int WINAPI RecordedSpinMessages(SpinMessageSeen* seen, int capacity) {
    const int count = static_cast<int>(recorded.size());
    std::copy_n(recorded.begin(), std::min(count, std::max(capacity, 0)), seen);
    return count;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID processEnding) {
    if (reason == DLL_PROCESS_DETACH && processEnding == nullptr) UnregisterSpinClass(module);
    return TRUE;
}
