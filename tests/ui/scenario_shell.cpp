// The application shell as a user meets it: start, the first log line, Enter and Esc, the log window
// from the menu, the close box, exit code 0.
#include "driver.h"

namespace {
constexpr int kToggleLog = 40011;
}

KADENZO_SCENARIO(shell_start_log_and_close) {
    Program program(Paths().program);
    const std::vector<std::string> lines = program.LogLines();
    Expect(!lines.empty(), "the log has a first line");
    Expect(lines[0].size() > 19 && lines[0].substr(19) == "Kadenzo Ver1.8 Start logging...",
           "the first log line is the start line in column 20: " + lines[0]);

    program.SendCommand(IDOK);
    program.SendCommand(IDCANCEL);
    Expect(IsWindowVisible(program.Main()) != 0, "Enter and Esc leave the main window open");
    Expect(program.Text(program.Main()) == "曲替丸", "the title is the product name");
    program.Screenshot(program.Main(), "main_window");

    HWND log = program.LogWindow();
    Expect(!IsWindowVisible(log), "the log window starts hidden");
    program.Command(kToggleLog);
    Expect(WaitFor([log] { return IsWindowVisible(log) != 0; }), "the menu command shows the log window");
    program.Screenshot(log, "log_window_first_line");
    PostMessageW(log, WM_SYSCOMMAND, SC_CLOSE, 0);
    Expect(WaitFor([log] { return !IsWindowVisible(log); }), "the close box hides the log window");
    // Menus cannot be read from another process under Wine; the check mark shows in what the
    // command does next: with the mark gone, the same command shows the window again.
    program.Command(kToggleLog);
    Expect(WaitFor([log] { return IsWindowVisible(log) != 0; }), "after the close box the menu command shows it again");

    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}
