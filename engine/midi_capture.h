// The environment variable that turns the engine's MIDI output into a capture file (the format is
// described with the exports). Shared by the engine and the tests that read what it sent.
#pragma once

inline constexpr char kMidiCaptureVariable[] = "KADENZO_MIDI_CAPTURE";
