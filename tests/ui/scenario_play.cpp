// Preview as a user meets it: a song given on the command line, Play, the slider moving with the
// song and the animation running, Stop. The test prefix's MIDI device records what reaches it.
#include "driver.h"
#include "res/resource.h"

#include <fstream>

namespace {

int SliderPosition(const Program& program) {
    return static_cast<int>(SendMessageW(program.Item(IDC_POSITION_SLIDER), SBM_GETPOS, 0, 0));
}

// Note ons (status 9n, velocity above 0) among the capture file's lines "ms 9n kk vv".
int CapturedNoteOns(const std::string& path) {
    std::ifstream in(path);
    int count = 0;
    for (std::string line; std::getline(in, line);) {
        const size_t status = line.find(' ');
        if (status == std::string::npos || line.size() < status + 9) continue;
        if (line[status + 1] == '9' && line.compare(status + 7, 2, "00") != 0) ++count;
    }
    return count;
}

std::string LastMessage(const Program& program) {
    const std::vector<std::string> lines = program.LogLines();
    return lines.empty() || lines.back().size() <= 19 ? std::string() : lines.back().substr(19);
}

}  // namespace

KADENZO_SCENARIO(preview_plays_with_moving_slider) {
    const std::string capture = Paths().scratch + "\\capture.txt";
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", capture.c_str());
    const std::string song = Paths().data + "\\corpus\\test-karaoke-kar.mid";
    Program program(Paths().program, "\"" + song + "\"");
    Expect(WaitFor([&] { return program.Text(program.Item(IDC_PATH_FIELD)) == song; }),
           "the song named on the command line is opened: " + LastMessage(program));

    SetForegroundWindow(program.Main());
    program.Command(IDM_PLAY);
    Expect(WaitFor([&] { return LastMessage(program) == "音楽再生"; }), "the log says the music plays");
    // Other test programs may take the front meanwhile; the slider moves only while ours is in front.
    Expect(WaitFor(
               [&] {
                   SetForegroundWindow(program.Main());
                   return SliderPosition(program) >= 40;
               },
               15000),
           "the slider follows the song: " + std::to_string(SliderPosition(program)));
    Expect(IsWindowVisible(program.Item(IDC_ANIMATION)) != 0, "the animation is shown");
    // The clip drawn for the screen's scale: 80 x 40 at 100 %, 120 x 60 at 150 %, 160 x 80 at 200 %.
    RECT clip{};
    GetClientRect(program.Item(IDC_ANIMATION), &clip);
    HDC screen = GetDC(nullptr);
    const int scale = GetDeviceCaps(screen, LOGPIXELSY) >= 192 ? 2 : GetDeviceCaps(screen, LOGPIXELSY) >= 144 ? 1 : 0;
    ReleaseDC(nullptr, screen);
    Expect(
        clip.right == 80 + 40 * scale && clip.bottom == 40 + 20 * scale,
        "the clip is drawn for the screen's scale: " + std::to_string(clip.right) + "x" + std::to_string(clip.bottom));
    program.Screenshot(program.Main(), "main_window_playing", Program::Picture::Moving);
    Expect(CapturedNoteOns(capture) > 0, "the engine sent the song's notes");

    program.Command(IDM_STOP);
    Expect(WaitFor([&] { return LastMessage(program) == "音楽停止"; }), "the log says the music stopped");
    const int stoppedAt = SliderPosition(program);
    // Watched for half a second: a running song moves the slider several times in that span.
    Expect(HoldsFor([&] { return SliderPosition(program) == stoppedAt; }, 500),
           "the slider rests after the stop at " + std::to_string(stoppedAt));

    const DWORD code = program.Close();
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", nullptr);
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}
