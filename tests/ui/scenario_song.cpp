// A song as a user handles it: opened through the file dialog, the key shifted in the tone dialog,
// converted, saved beside itself under its [trans] name, and a second conversion that asks before
// discarding the first; and a song named on the command line, as Explorer's "Open with" passes it.
#include "driver.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "song/convert.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

const std::string kSongFile = "test-2-tracks-type-1.mid";

// When the file was last written; zero when it cannot be read.
FILETIME LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
    return data.ftLastWriteTime;
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char block[4096];
    DWORD count = 0;
    while (ReadFile(file, block, sizeof block, &count, nullptr) && count > 0) bytes.append(block, count);
    CloseHandle(file);
    return bytes;
}

// A copy of a corpus song in a folder of its own under the scratch folder.
std::string CopyCorpusSong(const std::string& folderName) {
    const std::string folder = Paths().scratch + "\\" + folderName;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\" + kSongFile;
    Expect(CopyFileA((Paths().data + "\\corpus\\" + kSongFile).c_str(), path.c_str(), FALSE) != 0,
           "the corpus song is copied to " + path);
    return path;
}

// What the conversion makes of `song` with the default settings and a key shift.
std::string EngineOutput(const std::string& song, std::int16_t shift) {
    ConversionSettings settings;
    settings.toneShift = shift;
    std::vector<std::uint8_t> output(song.size());
    ConversionReports quiet;
    const WalkOutcome outcome =
        ConvertSongBytes({reinterpret_cast<const std::uint8_t*>(song.data()), song.size()}, settings, output, quiet);
    Expect(outcome.result == ConversionResult::Converted, "the engine converts the song");
    return std::string(reinterpret_cast<const char*>(output.data()), outcome.length);
}

std::string LastLogMessage(const Program& program) {
    const std::vector<std::string> lines = program.LogLines();
    return lines.empty() || lines.back().size() <= 19 ? "" : lines.back().substr(19);
}

void WaitForLogMessage(const Program& program, const std::string& message) {
    Expect(WaitFor([&] { return LastLogMessage(program) == message; }),
           "the log ends with \"" + message + "\", not \"" + LastLogMessage(program) + "\"");
}

// Opening ends with the song's summary, its shift range last.
void WaitForSongOpened(const Program& program, const std::string& name) {
    const std::string opened = "ファイル『" + name + "』を正しくオープンしました。";
    Expect(WaitFor([&] {
               const std::vector<std::string> lines = program.LogLines();
               return std::any_of(lines.begin(), lines.end(),
                                  [&](const std::string& l) { return l.find(opened) == 19; }) &&
                      LastLogMessage(program).rfind("シフト可能範囲", 0) == 0;
           }),
           "the log says " + opened + " and ends with the shift range, not \"" + LastLogMessage(program) + "\"");
}

// The tone dialog: types the shift into its edit and applies it; without `warn`, notes pushed out
// of range are let through and counted instead of stopping the conversion.
void SetShiftInToneDialog(const Program& program, int shift, bool warn = true) {
    program.Command(IDC_TONE_BUTTON);
    const Box dialog = program.WaitForBox();
    Expect(dialog.caption == "トーンの調整", "the tone dialog opens: " + dialog.caption);
    const std::wstring text = std::to_wstring(shift);
    SendMessageW(GetDlgItem(dialog.window, IDC_TONE_SHIFT_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(GetDlgItem(dialog.window, IDC_TONE_WARN_OUT_OF_RANGE), BM_SETCHECK, warn ? BST_CHECKED : BST_UNCHECKED,
                 0);
    program.Press(dialog, IDC_APPLY_BUTTON);
}

}  // namespace

KADENZO_SCENARIO(song_open_convert_save) {
    const std::string path = CopyCorpusSong("songs");
    const std::string song = ReadBytes(path);
    const std::string target = Paths().scratch + "\\songs\\test-2-tracks-type-1[trans].mid";
    Program program(Paths().program);

    program.Command(IDM_OPEN);
    const Box open = program.WaitForBox();
    program.ChooseFile(open, path);
    Expect(WaitFor([&] { return program.Text(program.Item(IDC_PATH_FIELD)) == path; }),
           "the song's path shows in the main window");
    WaitForSongOpened(program, kSongFile);
    program.Screenshot(program.Main(), "main_window_song_open");

    SetShiftInToneDialog(program, 3);
    program.Command(IDM_CONVERT);
    WaitForLogMessage(program, "変換正常終了 3シフト");

    program.Command(IDM_SAVE_UNDER_SONG_NAME);
    Expect(WaitFor([&] { return GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES; }),
           "the converted song is saved beside the song");
    const std::string expected = EngineOutput(song, 3);
    Expect(expected != song, "the shift changes the song");
    Expect(WaitFor([&] { return ReadBytes(target) == expected; }), "the saved file holds the engine's bytes");

    SetShiftInToneDialog(program, 5);
    const size_t linesBefore = program.LogLines().size();
    program.Command(IDM_CONVERT);
    const Box question = program.WaitForBox();
    Expect(question.caption == "曲替丸", "the question has the product's caption: " + question.caption);
    Expect(question.text == "変換済みのデータがあります。\n破棄してよろしいですか？" ||
               question.text == "変換済みのデータがあります。\r\n破棄してよろしいですか？",
           "the discard question: " + question.text);
    program.Screenshot(question.window, "discard_question");
    program.Press(question, IDNO);
    program.WaitUntilIdle();
    Expect(program.LogLines().size() == linesBefore, "No converts nothing");

    const FILETIME savedBefore = LastWrite(target);
    program.Command(IDM_SAVE_UNDER_SONG_NAME);
    Expect(WaitFor([&] {
               const FILETIME now = LastWrite(target);
               return CompareFileTime(&savedBefore, &now) != 0;
           }),
           "the kept conversion is saved again");
    Expect(ReadBytes(target) == expected, "the kept conversion saves the same bytes again");

    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}

KADENZO_SCENARIO(song_named_on_the_command_line) {
    const std::string path = CopyCorpusSong("command line");
    Program program(Paths().program, "\"" + path + "\"");
    Expect(WaitFor([&] { return program.Text(program.Item(IDC_PATH_FIELD)) == path; }),
           "the song named on the command line is open: " + program.Text(program.Item(IDC_PATH_FIELD)));
    WaitForSongOpened(program, kSongFile);
    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}

// The log as a user reads it after a song's round: opened, converted with warnings, played
// (the engine loaded), stopped. Its picture is the README's.
KADENZO_SCENARIO(log_tells_a_songs_round) {
    const std::string capture = Paths().scratch + "\\log-capture.txt";
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", capture.c_str());
    const std::string song = Paths().data + "\\corpus\\test-c-major-scale.mid";
    Program program(Paths().program, "\"" + song + "\"");
    WaitForSongOpened(program, "test-c-major-scale.mid");

    SetShiftInToneDialog(program, 60, false);
    program.Command(IDM_CONVERT);
    Expect(WaitFor([&] { return LastLogMessage(program).rfind("変換強引に終了 60シフト ", 0) == 0; }),
           "the conversion ends by letting out-of-range notes through: " + LastLogMessage(program));
    int warnings = 0;
    for (const std::string& line : program.LogLines())
        if (line.size() > 19 && line.substr(19) == "！　変換エラー - 演奏範囲オーバー") ++warnings;
    Expect(warnings > 0, "each note pushed out of range is logged");

    program.Command(IDM_PLAY);
    WaitForLogMessage(program, "音楽再生");
    program.Command(IDM_STOP);
    WaitForLogMessage(program, "音楽停止");

    HWND log = program.LogWindow();
    program.Command(IDM_TOGGLE_LOG);
    Expect(WaitFor([log] { return IsWindowVisible(log) != 0; }), "the menu command shows the log window");
    program.Screenshot(log, "log_window");

    const DWORD code = program.Close();
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", nullptr);
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}

// tools/run.sh starts the program in its own folder and passes a song named from elsewhere by its
// full Unix path; Wine takes that for a path on the drive that maps the Unix root.
KADENZO_SCENARIO(song_named_by_its_unix_path) {
    const std::string path = CopyCorpusSong("unix path");
    Expect(path.rfind("Z:\\", 0) == 0, "the scratch folder is on drive Z: " + path);
    std::string unixPath = path.substr(2);
    std::replace(unixPath.begin(), unixPath.end(), '\\', '/');
    Program program(Paths().program, "\"" + unixPath + "\"");
    Expect(WaitFor([&] { return program.Text(program.Item(IDC_PATH_FIELD)) == path; }),
           "the song named by " + unixPath + " is open: " + program.Text(program.Item(IDC_PATH_FIELD)));
    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}

// A song named at start that cannot be opened: its box comes up over the main window.
KADENZO_SCENARIO(missing_song_named_at_start) {
    const std::string missing = Paths().scratch + "\\missing.mid";
    Program program(Paths().program, "\"" + missing + "\"");
    const Box box = program.WaitForBox();
    Expect(box.text == "ファイルを開けませんでした。", "the box says the song cannot be opened: " + box.text);
    Expect(IsWindowVisible(program.Main()) != 0, "the main window stands behind the box");
    RECT main{};
    RECT over{};
    GetWindowRect(program.Main(), &main);
    GetWindowRect(box.window, &over);
    SaveScreenArea({std::min(main.left, over.left), std::min(main.top, over.top), std::max(main.right, over.right),
                    std::max(main.bottom, over.bottom)},
                   "missing_song_at_start");
    program.Press(box, IDOK);
    program.WaitGone(box.window);
    Expect(program.Text(program.Item(IDC_PATH_FIELD)).empty(), "nothing is open");
    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}
