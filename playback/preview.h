// Preview playback: play and stop, the position timer, the seek from the slider.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

class PlaybackDriver;

// Null until a play request binds an engine; read by the position timer's thread too.
extern std::atomic<PlaybackDriver*> playbackDriver;

int PreviewPlay();
int PreviewStop();
int SeekFromSlider(std::int32_t position);
// Kills the position timer by its identifier (nothing when it never started).
void KillPositionTimer();
