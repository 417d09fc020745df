// Holds a Wine prefix's desktop for a whole session: desktop_keeper.exe, started by the session
// scripts (tools/wine-env.sh) with its output on a pipe they read.
//
// Wine's server closes a desktop one second after the last program using it has ended, and the next
// program that needs a window starts the desktop process (explorer.exe /desktop) again, handing it
// its own standard error. That desktop process then keeps the program's output open after the
// program has ended, for as long as other programs keep the desktop busy: whoever waits for the end
// of that output (CTest does) waits with it, up to its timeout. While this program runs, the desktop
// always has a user, so the desktop process the session started, with the session's output, is the
// only one.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Starts the desktop process when there is none yet, and returns once it is ready.
    if (!GetDesktopWindow()) return 1;
    constexpr char kReady[] = "ready\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), kReady, sizeof kReady - 1, &written, nullptr);
    // The session ends every program of the prefix when it ends.
    Sleep(INFINITE);
    return 0;
}
