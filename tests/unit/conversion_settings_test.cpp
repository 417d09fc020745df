#include <gtest/gtest.h>

#include <functional>

#include "settings/conversion_settings.h"

namespace {

class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        conversionSettings = ConversionSettings{};
        ResetSettings();
    }
};

TEST_F(SettingsTest, ResetGivesTheDefaults) {
    conversionSettings.toneShift = 7;
    conversionSettings.absoluteVolume[4] = 1;
    conversionSettings.volume[4] = 20;
    conversionSettings.instrument[0] = 0;
    conversionSettings.excludeDrums = 0;
    conversionSettings.warnOutOfRange = 0;
    conversionSettings.tempoPercent = 250;
    conversionSettings.toneTrackMask = 1;
    ResetSettings();
    EXPECT_EQ(conversionSettings.toneShift, 0);
    for (int track = 0; track < kTrackCount; ++track) {
        EXPECT_EQ(conversionSettings.absoluteVolume[track], 0);
        EXPECT_EQ(conversionSettings.volume[track], 100);
        EXPECT_EQ(conversionSettings.instrument[track], 128);
    }
    EXPECT_EQ(conversionSettings.excludeDrums, 1);
    EXPECT_EQ(conversionSettings.warnOutOfRange, 1);
    EXPECT_EQ(conversionSettings.tempoPercent, 100);
    EXPECT_EQ(conversionSettings.toneTrackMask, 0xFDFFu);
}

TEST_F(SettingsTest, ResetKeepsTheMuteMaskAndTakesTheSnapshot) {
    conversionSettings.muteTrackMask = 0x0204;
    conversionSettings.toneShift = 3;
    ResetSettings();
    EXPECT_EQ(conversionSettings.muteTrackMask, 0x0204u);
    EXPECT_EQ(settingsSnapshot.muteTrackMask, 0x0204u);
    EXPECT_TRUE(SettingsMatchSnapshot());
}

TEST_F(SettingsTest, AtStartTheMuteMaskIsEmpty) { EXPECT_EQ(ConversionSettings{}.muteTrackMask, 0u); }

struct FieldChange {
    const char* field;
    std::function<void(ConversionSettings&)> change;
};

class SnapshotComparison : public testing::TestWithParam<FieldChange> {
protected:
    void SetUp() override {
        conversionSettings = ConversionSettings{};
        ResetSettings();
    }
};

TEST_P(SnapshotComparison, EveryFieldCounts) {
    GetParam().change(conversionSettings);
    EXPECT_FALSE(SettingsMatchSnapshot()) << GetParam().field;
    TakeSettingsSnapshot();
    EXPECT_TRUE(SettingsMatchSnapshot()) << GetParam().field;
}

TEST_P(SnapshotComparison, ChangingBackMatchesAgain) {
    const ConversionSettings before = conversionSettings;
    GetParam().change(conversionSettings);
    conversionSettings = before;
    EXPECT_TRUE(SettingsMatchSnapshot()) << GetParam().field;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SnapshotComparison,
    testing::Values(FieldChange{"toneShift", [](ConversionSettings& s) { s.toneShift = -1; }},
                    FieldChange{"absoluteVolume first", [](ConversionSettings& s) { s.absoluteVolume[0] = 1; }},
                    FieldChange{"absoluteVolume last", [](ConversionSettings& s) { s.absoluteVolume[15] = 1; }},
                    FieldChange{"volume first", [](ConversionSettings& s) { s.volume[0] = 99; }},
                    FieldChange{"volume last", [](ConversionSettings& s) { s.volume[15] = 0; }},
                    FieldChange{"instrument first", [](ConversionSettings& s) { s.instrument[0] = 0; }},
                    FieldChange{"instrument last", [](ConversionSettings& s) { s.instrument[15] = 127; }},
                    FieldChange{"excludeDrums", [](ConversionSettings& s) { s.excludeDrums = 0; }},
                    FieldChange{"warnOutOfRange", [](ConversionSettings& s) { s.warnOutOfRange = 0; }},
                    FieldChange{"tempoPercent", [](ConversionSettings& s) { s.tempoPercent = 101; }},
                    FieldChange{"toneTrackMask", [](ConversionSettings& s) { s.toneTrackMask = 0xFFFF; }},
                    FieldChange{"muteTrackMask", [](ConversionSettings& s) { s.muteTrackMask = 0x8000; }}));

}  // namespace
