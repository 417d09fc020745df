#include "playback/preview.h"

#include "log/app_globals.h"
#include "playback/playback_driver.h"
#include "res/resource.h"
#include "ui/messages.h"
#include "ui/window_ref.h"

#include <mmsystem.h>

#include <cstdio>
#include <new>

std::atomic<PlaybackDriver*> playbackDriver{nullptr};

namespace {

UINT positionTimer = 0;
// Shutdown sets `timerClosing` and then waits until no callback is inside its work, so that the
// driver is never deleted under a callback.
std::atomic<bool> timerClosing{false};
std::atomic<int> callbacksRunning{0};
// Set once the failure that ended the current play has been passed to the main window.
std::atomic<bool> failureReported{false};

int ShowMainMessage(const char* text) { return WindowRef(mainWindow.load()).ShowMessage(text, MB_OK); }

// One status query: a failure goes to the main window to be logged there (this thread logs
// nothing), the position to the slider.
void FollowPosition() {
    PlaybackDriver* driver = playbackDriver.load();
    if (!driver) return;
    const PlaybackDriver::Status status = driver->ReadStatus();
    HWND main = mainWindow.load();
    if (status.failure != 0 && !failureReported.exchange(true)) {
        PostMessageA(main, kEngineFailureMessage, static_cast<WPARAM>(status.failure), 0);
    }
    if (sliderDragging.load() || GetForegroundWindow() != main || !status.playing) return;
    SendMessageA(GetDlgItem(main, IDC_POSITION_SLIDER), SBM_SETPOS, static_cast<WPARAM>(status.position), TRUE);
}

void CALLBACK PositionTimerProc(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    ++callbacksRunning;
    if (!timerClosing.load()) FollowPosition();
    --callbacksRunning;
}

int StartPositionTimer() {
    TIMECAPS capabilities{};
    if (timeGetDevCaps(&capabilities, sizeof capabilities) != TIMERR_NOERROR) return 1;
    timerClosing = false;
    positionTimer =
        timeSetEvent(100, 0, PositionTimerProc, 0, TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    return positionTimer != 0 ? 0 : 1;
}

// The first play request creates and binds the driver; 1 after telling the user why not.
int BindEngine() {
    auto* driver = new (std::nothrow) PlaybackDriver;
    if (!driver) {
        ShowMainMessage(LoadText(appInstance, IDS_OUT_OF_MEMORY));
        return 1;
    }
    const int bound = driver->Bind();
    if (bound >= 1 && bound <= 3) {
        ShowMainMessage(LoadText(appInstance, IDS_ENGINE_NOT_LOADED + (bound - 1)));
        delete driver;
        return 1;
    }
    playbackDriver = driver;
    if (StartPositionTimer() != 0) LogText(IDS_NO_TIMER);
    char line[512];
    std::snprintf(line, sizeof line, LoadText(appInstance, IDS_ENGINE_LOADED), driver->LibraryName(),
                  driver->EngineVersion());
    Log(line);
    return 0;
}

}  // namespace

int PreviewPlay(std::span<const std::uint8_t> song) {
    if (song.empty()) {
        ShowMainMessage(LoadText(appInstance, IDS_NO_SOURCE_SONG));
        return 1;
    }
    if (!playbackDriver.load() && BindEngine() != 0) return 1;
    PlaybackDriver* driver = playbackDriver.load();

    const int played = driver->Play(song.data(), static_cast<std::uint32_t>(song.size()));
    HWND main = mainWindow.load();
    AnimationControl animation(GetDlgItem(main, IDC_ANIMATION));
    animation.Stop();
    if (played == 0) {
        failureReported = false;
        SCROLLINFO range{};
        range.cbSize = sizeof range;
        range.fMask = SIF_RANGE;
        range.nMax = driver->GetLength();
        SetScrollInfo(GetDlgItem(main, IDC_POSITION_SLIDER), SB_CTL, &range, TRUE);
        animation.Play(0, 0xFFFF, 0xFFFF);
        LogText(IDS_MUSIC_PLAYING);
        return 0;
    }
    char engineText[MAX_PATH] = {};
    driver->GetErrorText(played, engineText);
    LogText(IDS_CANNOT_PLAY);
    ShowMainMessage(engineText);
    return 1;
}

int PreviewStop() {
    PlaybackDriver* driver = playbackDriver.load();
    if (!driver) return 0;
    driver->Stop();
    AnimationControl(GetDlgItem(mainWindow.load(), IDC_ANIMATION)).Stop();
    LogText(IDS_MUSIC_STOPPED);
    return 0;
}

// The play has ended: the animation stops, and the engine's text says why.
void ReportEngineFailure(std::int32_t code) {
    PlaybackDriver* driver = playbackDriver.load();
    if (!driver) return;
    AnimationControl(GetDlgItem(mainWindow.load(), IDC_ANIMATION)).Stop();
    char engineText[MAX_PATH] = {};
    driver->GetErrorText(code, engineText);
    char line[512];
    std::snprintf(line, sizeof line, LoadText(appInstance, IDS_ENGINE_FAILURE), engineText);
    Log(line);
}

int SeekFromSlider(std::int32_t position) {
    if (PlaybackDriver* driver = playbackDriver.load()) driver->Seek(position);
    return 0;
}

// A running callback may be waiting for this thread to handle its message to the slider, so the
// wait handles sent messages; a callback that starts after the flag is set does nothing.
void KillPositionTimer() {
    timerClosing = true;
    while (callbacksRunning.load() > 0) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        Sleep(1);
    }
    if (positionTimer != 0) timeKillEvent(positionTimer);
    positionTimer = 0;
}
