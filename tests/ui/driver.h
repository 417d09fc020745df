// The end-to-end driver's toolkit: start Kadenzo.exe, send it commands, answer its message boxes,
// read its controls, save screenshots, close it. Scenarios use it like a user's hands and eyes.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// A failed expectation of a scenario.
struct ScenarioFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void Expect(bool condition, const std::string& what);

// A dialog box (message box, file dialog, settings dialog) of the program.
struct Box {
    HWND window = nullptr;
    std::string caption;  // code page 932
    std::string text;     // a message box's message
};

class Program {
public:
    // Starts Kadenzo.exe from `folder` (its own folder, so the clip is found) with `arguments`.
    Program(const std::string& folder, const std::string& arguments = "");
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    HWND Main() const { return main_; }
    HWND Item(int id) const { return GetDlgItem(main_, id); }
    // Posts a menu or button command to the main window.
    void Command(int id) const;
    // Sends a command and returns once the main window has handled it.
    void SendCommand(int id) const;
    // Returns once the program's window thread is back in its message loop, done with what it was doing.
    void WaitUntilIdle() const;
    // Waits for a dialog box of the program other than the main window.
    Box WaitForBox(int timeoutMs = 10000) const;
    // Waits until `box` is gone.
    void WaitGone(HWND box, int timeoutMs = 10000) const;
    // Answers a box by pressing button `id`.
    void Press(const Box& box, int id) const;
    // Types a path into a file dialog and presses its OK button.
    void ChooseFile(const Box& box, const std::string& path) const;
    // The log window's lines (stamp and text), read across processes.
    std::vector<std::string> LogLines() const;
    HWND LogWindow() const;
    // A visible top-level window of the program of that class, or null.
    HWND WindowOfClass(const wchar_t* className) const;
    std::string Text(HWND window) const;
    // Saves the window's picture as a BMP under the screens folder (name without extension), once
    // it stops changing; a window that keeps moving (a song playing) is shot as soon as it is painted.
    enum class Picture { Steady, Moving };
    void Screenshot(HWND window, const std::string& name, Picture picture = Picture::Steady) const;
    // Opens the menu-bar menu whose access key is `key`, as Alt and the key do; its first command
    // is highlighted. The open menu window, or null.
    HWND OpenMenu(char key) const;
    // A key pressed while a menu is open (the menu loop reads the program's own queue).
    void MenuKey(WORD virtualKey) const;
    // A character typed while a menu is open, as an access key.
    void MenuChar(char character) const;
    // Closes every open menu.
    void CloseMenus() const;
    // Closes the main window and returns the program's exit code.
    DWORD Close();

private:
    // What an open menu shows, to tell when a key has been answered.
    struct MenuPicture {
        HWND menu = nullptr;
        std::vector<std::uint32_t> pixels;
    };
    MenuPicture OpenMenuPicture() const;
    void WaitForMenuAnswer(const MenuPicture& before, const std::string& what) const;

    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

// Saves what the screen shows inside `area` as a BMP under the screens folder; nothing is raised or
// redrawn first, so open menus stay open.
void SaveScreenArea(const RECT& area, const std::string& name);
// The window's frame on the screen.
RECT WindowArea(HWND window);
// Waits until what the screen shows inside `area` stops changing; fails naming `what`.
void WaitForSteadyPicture(const RECT& area, const std::string& what);
// How many pixels inside `area` of the screen have exactly `colour`.
int CountScreenPixels(const RECT& area, COLORREF colour);

// Waits until `done` holds, pumping nothing; false on timeout.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000);
// Watches `holds` for `watchMs`; false as soon as it stops holding (for what must not happen).
bool HoldsFor(const std::function<bool()>& holds, int watchMs);

// Where Kadenzo.exe lives, where pictures go, where test songs are (set from the command line).
struct DriverPaths {
    std::string program;  // folder of Kadenzo.exe
    std::string screens;
    std::string data;     // tests/data in the source tree
    std::string scratch;  // a folder the driver may write into
};
const DriverPaths& Paths();

// A scenario registers itself with a name; the driver runs them in name order.
struct ScenarioRegistration {
    ScenarioRegistration(const char* name, void (*run)());
};
#define KADENZO_SCENARIO(name)                                               \
    static void Scenario_##name();                                           \
    static ScenarioRegistration registration_##name(#name, Scenario_##name); \
    static void Scenario_##name()
