// The four settings dialogs as the main window's menu opens them, with the add-on's spin controls
// beside the program; a picture of each, then Cancel.
#include "driver.h"
#include "res/resource.h"

#include <utility>

KADENZO_SCENARIO(settings_dialogs_open_and_cancel) {
    Program program(Paths().program);
    const std::pair<int, const char*> dialogs[] = {
        {IDM_TONE, "tone_dialog"},
        {IDM_VOLUME, "volume_dialog"},
        {IDM_INSTRUMENT, "instrument_dialog"},
        {IDM_TEMPO, "tempo_dialog"},
    };
    for (const auto& [command, picture] : dialogs) {
        program.Command(command);
        const Box dialog = program.WaitForBox();
        Expect(GetDlgItem(dialog.window, IDC_ADDON_SPIN_FIRST) != nullptr,
               std::string(picture) + " has its spin control");
        program.Screenshot(dialog.window, picture);
        program.Press(dialog, IDCANCEL);
    }
    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}
