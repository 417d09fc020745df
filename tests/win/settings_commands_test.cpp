// The main window's buttons and menu items run the settings dialogs modally over it.
#include "program_fixture.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"

namespace {

using SettingsCommandsTest = ProgramTest;

TEST_F(SettingsCommandsTest, EachCommandRunsItsDialog) {
    const struct {
        int command;
        const char* caption;
    } commands[] = {{IDC_TONE_BUTTON, "トーンの調整"},     {IDM_TONE, "トーンの調整"},
                    {IDC_VOLUME_BUTTON, "音量の調整"},     {IDM_VOLUME, "音量の調整"},
                    {IDC_INSTRUMENT_BUTTON, "楽器の調整"}, {IDM_INSTRUMENT, "楽器の調整"},
                    {IDC_TEMPO_BUTTON, "テンポの調整"},    {IDM_TEMPO, "テンポの調整"}};
    for (const auto& c : commands) {
        const ConversionSettings before = conversionSettings;
        BoxAnswerer answerer({Press(IDCANCEL)});
        Command(c.command);  // returns when the dialog has ended
        const std::vector<SeenBox> seen = answerer.Seen(0);
        ASSERT_EQ(seen.size(), 1u) << c.command;
        EXPECT_EQ(seen[0].caption, c.caption) << c.command;
        EXPECT_TRUE(conversionSettings == before) << c.command;
    }
}

}  // namespace
