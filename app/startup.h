// Entry-side steps: the hand cursor for buttons, start-up and shutdown.
#pragma once

void SetButtonHandCursor();
// 0 when the main window may be shown, 1 when the process must end.
int StartUp();
int ShutDown();
// The whole program after the entry point: start-up, the main window's modal loop, shutdown.
// A song named on the command line is opened once the main window is up.
int RunKadenzo(const char* commandLine);
