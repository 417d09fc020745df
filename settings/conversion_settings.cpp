#include "settings/conversion_settings.h"

ConversionSettings conversionSettings;
ConversionSettings settingsSnapshot;

void ResetSettings() {
    const std::uint32_t keptMuteMask = conversionSettings.muteTrackMask;
    conversionSettings = ConversionSettings{};
    conversionSettings.muteTrackMask = keptMuteMask;
    TakeSettingsSnapshot();
}

bool SettingsMatchSnapshot() { return conversionSettings == settingsSnapshot; }

void TakeSettingsSnapshot() { settingsSnapshot = conversionSettings; }
