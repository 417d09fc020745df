// Helpers for the Windows tests: answering message boxes and file dialogs from a watcher thread,
// temporary folders, whole-file reads.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

// What a watcher saw of one dialog box it answered.
struct SeenBox {
    std::string caption;
    std::string text;   // the message text of a message box (code page 932)
    bool icon = false;  // a message box shows an icon
};

// Watches this process's threads for modal dialog boxes (#32770) and answers each in turn with the
// next answer: a button id (IDOK, IDYES, IDNO, ...) or, for a file dialog, a path to type then OK.
class BoxAnswerer {
public:
    struct Answer {
        int button;
        std::string path;  // non-empty: a file dialog; the path is typed into its file-name field
    };
    explicit BoxAnswerer(std::vector<Answer> answers);
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    ~BoxAnswerer();

    // Waits until every answer was given or the timeout passed; the boxes seen so far.
    std::vector<SeenBox> Seen(int timeoutMs = 5000);

private:
    void Run();

    std::vector<Answer> answers_;
    std::vector<SeenBox> seen_;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> answered_{0};
    std::atomic<HWND> lastAnswered_{nullptr};
    DWORD processId_;
    // The boxes already open when the answerer was made: taken before its thread starts, so a box
    // that the command under test opens quickly is never mistaken for one of them.
    std::set<HWND> ignored_;
    std::thread thread_;
};

inline BoxAnswerer::Answer Press(int button) { return {button, {}}; }
inline BoxAnswerer::Answer TypePath(const std::string& path) { return {IDOK, path}; }

// Pumps this thread's messages for `ms` milliseconds (lets posted messages and timers run).
void PumpMessages(int ms);

// A fresh folder under the temporary folder, removed with its files at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Holds a named mutex for its scope, so tests that run in parallel and change the same file beside
// the test program (such as the help file) take turns.
class TakingTurns {
public:
    explicit TakingTurns(const char* name);
    TakingTurns(const TakingTurns&) = delete;
    TakingTurns& operator=(const TakingTurns&) = delete;
    ~TakingTurns();

private:
    HANDLE mutex_;
};
// The name both help tests take turns under.
inline constexpr char kHelpFileTurn[] = "KadenzoTestsHelpFileBesideTheProgram";

std::string ReadWholeFile(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Items of a list box, each read whole.
std::vector<std::string> ListItems(HWND list);
// The text of a window in code page 932.
std::string WindowText(HWND window);
// The size `text` takes in the font `window` uses.
SIZE TextExtentInWindowFont(HWND window, const std::string& text);
