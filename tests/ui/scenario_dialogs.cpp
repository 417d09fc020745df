// The four settings dialogs as the menu opens them, spin controls beside their edits; a picture of each.
#include "driver.h"
#include "res/resource.h"

KADENZO_SCENARIO(settings_dialogs_open_and_cancel) {
    Program program(Paths().program);
    for (const auto& [command, picture] :
         {std::pair{IDM_TONE, "tone_dialog"}, std::pair{IDM_VOLUME, "volume_dialog"},
          std::pair{IDM_INSTRUMENT, "instrument_dialog"}, std::pair{IDM_TEMPO, "tempo_dialog"}}) {
        program.Command(command);
        const Box dialog = program.WaitForBox();
        program.Screenshot(dialog.window, picture);
        program.Press(dialog, IDCANCEL);
    }
    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}
