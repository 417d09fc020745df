// The record of every conversion parameter, its live instance and the snapshot taken at the
// last conversion or reset. Portable: no Windows headers.
#pragma once
#include <cstdint>

inline constexpr int kTrackCount = 16;
inline constexpr std::uint8_t kInstrumentUnchanged = 128;
inline constexpr std::uint32_t kDefaultToneTrackMask = 0xFDFF;  // every track but the drums (10)

// Track k (1..16) is element k-1 of the arrays and bit k-1 of the masks.
struct ConversionSettings {
    std::int16_t toneShift = 0;
    std::uint16_t absoluteVolume[kTrackCount] = {};
    std::uint8_t volume[kTrackCount] = {100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100};
    std::uint8_t instrument[kTrackCount] = {128, 128, 128, 128, 128, 128, 128, 128,
                                            128, 128, 128, 128, 128, 128, 128, 128};
    std::uint16_t excludeDrums = 1;
    std::int16_t warnOutOfRange = 1;
    std::uint16_t tempoPercent = 100;
    std::uint32_t toneTrackMask = kDefaultToneTrackMask;
    std::uint32_t muteTrackMask = 0;

    // Field by field, so padding between the fields never takes part.
    bool operator==(const ConversionSettings&) const = default;
};

extern ConversionSettings conversionSettings;
extern ConversionSettings settingsSnapshot;

// Every field back to its default except muteTrackMask, then the snapshot is taken.
void ResetSettings();
bool SettingsMatchSnapshot();
void TakeSettingsSnapshot();
