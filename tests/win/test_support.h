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

// Dispatches this thread's messages until its queue is empty, including what they post in turn:
// the state a message loop reaches once it waits again.
void PumpPending();

// Polls `done` until it holds or `timeoutMs` passed on the clock; whether it held.
template <typename Done>
bool WaitFor(Done done, int timeoutMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        Sleep(5);
    }
    return true;
}

// Watches `holds` for `watchMs`: false as soon as it stops holding. For what must not happen, the
// span is how long it is watched; a fault shows at once rather than at the end.
template <typename Holds>
bool HoldsFor(Holds holds, int watchMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(watchMs);
    do {
        if (!holds()) return false;
        Sleep(5);
    } while (GetTickCount64() < end);
    return holds();
}

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
// The windows of this thread that received the focus while it lives, in order. A test running beside
// this one may take the foreground, and the focus with it, at any moment; what was focused is what the
// code under test did, whoever holds the focus now.
class FocusRecorder {
public:
    FocusRecorder();
    FocusRecorder(const FocusRecorder&) = delete;
    FocusRecorder& operator=(const FocusRecorder&) = delete;
    ~FocusRecorder();

    const std::vector<HWND>& Received() const { return received_; }
    HWND Last() const { return received_.empty() ? nullptr : received_.back(); }
    void Clear() { received_.clear(); }

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam);

    static inline FocusRecorder* current_ = nullptr;
    HHOOK hook_ = nullptr;
    std::vector<HWND> received_;
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
