// A settings dialog opened modeless over the program's main window, as the main window would run
// it, with helpers to fill its controls, press its buttons and answer the boxes it shows.
#pragma once
#include "playback/addon.h"
#include "program_fixture.h"
#include "settings/conversion_settings.h"
#include "ui/code_page.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The folders that hold an rfk32.dll, relative to this program (tests/win).
inline constexpr char kRealAddOnFolder[] = "..\\..\\bin";
inline std::string TestAddOnFolder(const std::string& testCase) { return "..\\dlls\\" + testCase; }

// The folder of this program with `relative` appended.
inline std::string BesideProgram(const std::string& relative) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.resize(folder.find_last_of('\\') + 1);
    return folder + relative;
}

// Makes `folder` (relative to this program) the current folder, where LoadLibrary looks for
// rfk32.dll last, after the program's own folder (which has none) and the system's.
inline bool EnterAddOnFolder(const std::string& folder) {
    return SetCurrentDirectoryA(BesideProgram(folder).c_str()) != FALSE;
}

class DialogTest : public ProgramTest {
protected:
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        ProgramTest::TearDown();
    }

    // Binds again, this time finding rfk32.dll in `folder`.
    void BindAddOnFrom(const std::string& folder) {
        ASSERT_TRUE(EnterAddOnFolder(folder)) << folder;
        BindAddOn();
        ASSERT_TRUE(AddOnOffersSpin()) << folder;
    }

    HWND Open(int templateId, DLGPROC procedure) {
        procedure_ = procedure;
        // A Unicode dialog, as the main window runs the settings dialogs.
        dialog_ = CreateDialogParamW(appInstance, MAKEINTRESOURCEW(templateId), main_, procedure, 0);
        if (dialog_) ShowWindow(dialog_, SW_SHOW);
        PumpPending();
        return dialog_;
    }
    // Closing ends the dialog, which hides it.
    bool IsOpen() const { return dialog_ && IsWindowVisible(dialog_); }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    void SetText(int id, const std::string& text) const { SetDlgItemTextA(dialog_, id, text.c_str()); }
    // Typed into the edit as a user's keys give it, one character at a time, over its whole text:
    // an input method hands over each character it made (WM_IME_CHAR), which the edit hears as the
    // WM_CHAR that the dialog's own Unicode message loop then delivers. The edit's limit applies.
    void Type(int id, const std::string& text) const {
        SendDlgItemMessageW(dialog_, id, EM_SETSEL, 0, -1);
        SendDlgItemMessageW(dialog_, id, WM_CHAR, VK_BACK, 1);
        for (const wchar_t c : Widen932(text)) {
            SendDlgItemMessageW(dialog_, id, WM_IME_CHAR, c, 1);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        }
    }
    std::string Text(int id) const { return WindowText(Item(id)); }
    void SetChecked(int id, bool checked) const {
        SendDlgItemMessageA(dialog_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    bool Checked(int id) const { return SendDlgItemMessageA(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

    // A click as a control reports it, then the posted messages run.
    void Click(int id) {
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
        PumpPending();
    }
    // A command as the control with `id` sends it with notification `code`.
    void Notify(int id, int code) {
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
        PumpPending();
    }
    // The close a system menu sends.
    void CloseFromSystemMenu() {
        SendMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpPending();
    }
    int TextLimit(int id) const { return static_cast<int>(SendDlgItemMessageA(dialog_, id, EM_GETLIMITTEXT, 0, 0)); }
    // A spin control's notification handed to the dialog procedure; TRUE when it handled it.
    INT_PTR SpinNotify(int spinId, int code, LPARAM value) {
        return procedure_(dialog_, 0x800, MAKEWPARAM(code, spinId), value);
    }
    // The code-10 question: the integer preset to `preset`, as the dialog leaves it.
    std::int32_t AskSpinValue(int spinId, std::int32_t preset) {
        std::int32_t standing = preset;
        SpinNotify(spinId, 10, reinterpret_cast<LPARAM>(&standing));
        return standing;
    }

    // Clicks while a watcher answers every box the click shows with OK; the boxes it saw.
    std::vector<SeenBox> ClickAnswering(int id) {
        BoxAnswerer answerer({Press(IDOK), Press(IDOK), Press(IDOK)});
        Click(id);
        // The click returns only after its boxes were answered.
        return answerer.Seen(0);
    }

    // A key pressed in `window`, focused first, as a dialog's message loop hands it to the dialog manager.
    void PressKey(HWND window, WPARAM key) {
        SetFocus(window);
        MSG down{window, WM_KEYDOWN, key, 0, 0, {}};
        IsDialogMessageA(dialog_, &down);
        PumpPending();
    }
    // Enter in control `id` while a watcher answers the box it shows with OK; the boxes it saw.
    std::vector<SeenBox> EnterAnswering(int id) {
        FocusRecorder focus;
        BoxAnswerer answerer({Press(IDOK)});
        PressKey(Item(id), VK_RETURN);
        focusAfterEnter_ = focus.Last();
        return answerer.Seen(0);
    }
    // The edit took the focus last, its whole text selected.
    bool ShowsRefused(int edit) const {
        const auto length = static_cast<WORD>(GetWindowTextLengthW(Item(edit)));
        return focusAfterEnter_ == Item(edit) && SendMessageA(Item(edit), EM_GETSEL, 0, 0) == MAKELONG(0, length);
    }

    HWND dialog_ = nullptr;
    DLGPROC procedure_ = nullptr;
    HWND focusAfterEnter_ = nullptr;
};

// The log lines a step added.
inline std::vector<std::string> LinesAfter(const std::vector<std::string>& lines, size_t before) {
    return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(before, lines.size())), lines.end()};
}
