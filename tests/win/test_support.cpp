#include "test_support.h"

#include "ui/code_page.h"
#include "ui/window_ref.h"

#include <fstream>
#include <set>
#include <sstream>

namespace {

struct FoundBox {
    HWND window = nullptr;
    DWORD processId = 0;
    const std::set<HWND>* ignored = nullptr;
};

bool IsDialogOf(HWND window, DWORD processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    return owner == processId && IsWindowVisible(window) && std::string(className) == "#32770";
}

// The first visible dialog box of the process that is not to be ignored.
BOOL CALLBACK FindDialogBox(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<FoundBox*>(data);
    // The main window is a dialog too, and a test may create a new one while boxes are awaited;
    // it is the only one with a menu bar.
    if (IsDialogOf(window, found->processId) && !found->ignored->contains(window) && GetMenu(window) == nullptr) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectDialogBoxes(HWND window, LPARAM data) {
    auto* boxes = reinterpret_cast<std::pair<DWORD, std::set<HWND>*>*>(data);
    if (IsDialogOf(window, boxes->first)) boxes->second->insert(window);
    return TRUE;
}

// The dialog boxes of the process that are open now.
std::set<HWND> DialogBoxesOf(DWORD processId) {
    std::set<HWND> boxes;
    std::pair<DWORD, std::set<HWND>*> collecting{processId, &boxes};
    EnumWindows(CollectDialogBoxes, reinterpret_cast<LPARAM>(&collecting));
    return boxes;
}

// The first static text of a message box: its message.
BOOL CALLBACK FindMessageText(HWND child, LPARAM data) {
    auto* text = reinterpret_cast<std::string*>(data);
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    if (std::string(className) == "Static" && GetDlgCtrlID(child) == 0xFFFF) {
        *text = WindowText(child);
        return FALSE;
    }
    return TRUE;
}

// A visible icon among a message box's children.
BOOL CALLBACK FindIcon(HWND child, LPARAM data) {
    const bool isIcon = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    if (isIcon && IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0) {
        *reinterpret_cast<bool*>(data) = true;
        return FALSE;
    }
    return TRUE;
}

// The file-name field of a common file dialog (a combo box's edit, or a plain edit).
HWND FileNameField(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, 0x47C)) {
        if (HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr)) return edit;
        return combo;
    }
    return GetDlgItem(dialog, 0x480);
}

}  // namespace

BoxAnswerer::BoxAnswerer(std::vector<Answer> answers)
    : answers_(std::move(answers)),
      processId_(GetCurrentProcessId()),
      ignored_(DialogBoxesOf(processId_)),
      thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() {
    stop_ = true;
    thread_.join();
}

void BoxAnswerer::Run() {
    // Windows that were there before (the main window is a dialog too) are never answered.
    while (!stop_ && answered_ < answers_.size()) {
        FoundBox found{nullptr, processId_, &ignored_};
        EnumWindows(FindDialogBox, reinterpret_cast<LPARAM>(&found));
        if (!found.window) {
            Sleep(30);
            continue;
        }
        // A sent message is answered from the box's own loop, once its initialisation is over.
        DWORD_PTR ignoredResult = 0;
        SendMessageTimeoutA(found.window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignoredResult);
        const Answer& answer = answers_[answered_];
        SeenBox box;
        box.caption = WindowText(found.window);
        EnumChildWindows(found.window, FindMessageText, reinterpret_cast<LPARAM>(&box.text));
        EnumChildWindows(found.window, FindIcon, reinterpret_cast<LPARAM>(&box.icon));
        seen_.push_back(box);
        if (!answer.path.empty()) {
            SendMessageA(FileNameField(found.window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer.path.c_str()));
        }
        PostMessageA(found.window, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(found.window, answer.button)));
        ignored_.insert(found.window);
        lastAnswered_ = found.window;
        ++answered_;
    }
}

std::vector<SeenBox> BoxAnswerer::Seen(int timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (answered_ < answers_.size() && GetTickCount64() < end) PumpMessages(20);
    // The last answer is posted: the box closes once its loop reads it.
    while (lastAnswered_.load() && IsWindow(lastAnswered_.load()) && GetTickCount64() < end) PumpMessages(5);
    PumpMessages(0);
    return seen_;
}

void PumpMessages(int ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount64() < end);
}

void PumpPending() {
    // A bound, so a window that posts to itself for ever fails its test instead of hanging it.
    constexpr int kMostMessages = 100000;
    MSG message;
    for (int pumped = 0; pumped < kMostMessages && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++pumped) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

ScratchFolder::ScratchFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    path_ =
        std::string(base) + "kadenzo_test_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(counter++);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string file = path_ + "\\" + entry.cFileName;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
}

TakingTurns::TakingTurns(const char* name) : mutex_(CreateMutexA(nullptr, FALSE, name)) {
    if (mutex_) WaitForSingleObject(mutex_, 60000);
}

TakingTurns::~TakingTurns() {
    if (!mutex_) return;
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    ListBoxRef view(list);
    std::string text;
    for (int i = 0; i < view.Count() && view.ItemText(i, &text); ++i) items.push_back(text);
    return items;
}

std::string WindowText(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

SIZE TextExtentInWindowFont(HWND window, const std::string& text) {
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
    SIZE extent{};
    const std::wstring wide = Widen932(text);
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return extent;
}

FocusRecorder::FocusRecorder() : hook_(SetWindowsHookExA(WH_CALLWNDPROC, Watch, nullptr, GetCurrentThreadId())) {
    current_ = this;
}

FocusRecorder::~FocusRecorder() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
}

LRESULT CALLBACK FocusRecorder::Watch(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && current_ && message->message == WM_SETFOCUS) current_->received_.push_back(message->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
