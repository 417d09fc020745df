// Entry-side steps: the hand cursor for buttons, start-up and shutdown.
#pragma once

void SetButtonHandCursor();
// 0 when the main window may be shown, 1 when the process must end.
int StartUp();
int ShutDown();
// The whole program after the entry point: start-up, the main window's modal loop, shutdown.
int RunKadenzo();
