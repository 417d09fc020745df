// The song at a glance as a user meets it: a game soundtrack no one here wrote (Debian's
// openttd-openmsx, which tools/install-deps.sh installs) opened from the command line, its summary
// in the log, and the volume dialog with the tracks that play no note dimmed and a track's summary
// under the pointer.
#include "driver.h"
#include "res/resource.h"

#include <algorithm>
#include <fstream>

namespace {

const std::string kSong = "Z:\\usr\\share\\games\\openttd\\baseset\\openmsx\\busy_schedule.mid";

// Entry `program` of the instrument-name file beside the program.
std::string InstrumentName(int program) {
    std::ifstream file(Paths().program + "\\Instrmnt.txt", std::ios::binary);
    std::string name;
    for (int line = 0; line <= program; ++line) std::getline(file, name);
    return name.substr(0, name.find('\r'));
}

// The "トラックN" label of the volume dialog: the static just before the track's edit.
RECT VolumeLabel(HWND dialog, int edit) {
    RECT area{};
    GetWindowRect(GetWindow(GetDlgItem(dialog, edit), GW_HWNDPREV), &area);
    return area;
}

}  // namespace

KADENZO_SCENARIO(song_at_a_glance) {
    Expect(GetFileAttributesA(kSong.c_str()) != INVALID_FILE_ATTRIBUTES,
           kSong + " is installed (tools/install-deps.sh)");
    Program program(Paths().program, "\"" + kSong + "\"");
    std::vector<std::string> lines;
    Expect(WaitFor([&] { return !(lines = program.LogLines()).empty() && lines.back().find("シフト可能範囲") == 19; }),
           "the log ends with the shift range");
    // The tracks that play, each with its instrument from Instrmnt.txt, as mido reads this song.
    const std::vector<std::string> expected = {"ファイル『busy_schedule.mid』を正しくオープンしました。",
                                               "トラック2: " + InstrumentName(34) + "　ノート546個　音域 E2～G#4",
                                               "トラック3: " + InstrumentName(44) + "　ノート109個　音域 E3～G#4",
                                               "トラック4: " + InstrumentName(32) + "　ノート265個　音域 C2～E3",
                                               "トラック6: " + InstrumentName(63) + "　ノート303個　音域 E2～G4",
                                               "トラック7: " + InstrumentName(65) + "　ノート303個　音域 E3～G5",
                                               "トラック10: ドラム　ノート1495個　音域 C2～A5",
                                               "トラック11: " + InstrumentName(3) + "　ノート116個　音域 A3～G5",
                                               "シフト可能範囲 -36～+46"};
    Expect(
        lines.size() >= expected.size() &&
            std::equal(expected.begin(), expected.end(), lines.end() - static_cast<long>(expected.size()),
                       [](const std::string& message, const std::string& line) { return line.substr(19) == message; }),
        "the log shows the song at a glance after the line that it opened: " + lines.back());
    HWND log = program.LogWindow();
    program.Command(IDM_TOGGLE_LOG);
    Expect(WaitFor([log] { return IsWindowVisible(log) != 0; }), "the log window shows");
    program.Screenshot(log, "log_song_at_a_glance");

    program.Command(IDM_VOLUME);
    const Box dialog = program.WaitForBox();
    const RECT silent = VolumeLabel(dialog.window, IDC_VOLUME_EDIT_1);
    const RECT playing = VolumeLabel(dialog.window, IDC_VOLUME_EDIT_2);
    WaitForSteadyPicture(WindowArea(dialog.window), "the volume dialog");
    Expect(CountScreenPixels(silent, GetSysColor(COLOR_GRAYTEXT)) > 10 && CountScreenPixels(silent, RGB(0, 0, 0)) == 0,
           "トラック1, which plays no note, is drawn dimmed");
    Expect(CountScreenPixels(playing, RGB(0, 0, 0)) > 10, "トラック2, which plays, is drawn as ever");
    // The pointer resting on the dimmed label brings up the track's summary.
    SetCursorPos((silent.left + silent.right) / 2, (silent.top + silent.bottom) / 2);
    Expect(WaitFor([&] { return program.WindowOfClass(L"tooltips_class32") != nullptr; }),
           "a tooltip shows under the pointer");
    program.Screenshot(dialog.window, "volume_dialog_song_hints");
    program.Press(dialog, IDCANCEL);
    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}
