// What the recording rfk32.dll of the tests (tests/dlls/recording) keeps of the contract messages
// its controls received, in the order they came.
#pragma once
#include <windows.h>

#include <cstdint>

struct SpinMessageSeen {
    int id;  // the control's id
    UINT message;
    std::intptr_t wParam;
    std::intptr_t lParam;
};

// Copies up to `capacity` records into `seen` and returns how many there are in all.
using RecordedSpinMessagesFunction = int(WINAPI*)(SpinMessageSeen* seen, int capacity);
