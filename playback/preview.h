// Preview playback: play and stop, the position timer, the seek from the slider.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <span>

class PlaybackDriver;

// Null until a play request binds an engine; read by the position timer's thread too.
extern std::atomic<PlaybackDriver*> playbackDriver;

// Plays `song` (the main window passes the song to play); an empty span is refused with a message.
int PreviewPlay(std::span<const std::uint8_t> song);
int PreviewStop();
int SeekFromSlider(std::int32_t position);
// Kills the position timer by its identifier (nothing when it never started).
void KillPositionTimer();

// Posted to the main window by the position timer when the engine reports what ended a play (the
// code in wParam); the window's procedure logs it through ReportEngineFailure, once a play.
inline constexpr UINT kEngineFailureMessage = WM_APP + 2;
void ReportEngineFailure(std::int32_t code);
