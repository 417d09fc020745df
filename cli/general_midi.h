// The General MIDI names of the 128 programs, for what kadenzo-convert prints.
#pragma once

// "Acoustic Grand Piano" for 0 .. "Gunshot" for 127; "" outside 0..127.
const char* GeneralMidiName(int program);
