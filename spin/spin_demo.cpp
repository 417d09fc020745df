// Shows spin controls from the built rfk32.dll beside edit boxes, the way the settings dialogs use
// them, then closes itself: spin_demo.exe [milliseconds]. One control is held down on its lower
// arrow so a screenshot shows the pressed look.
#include "spin/spin_contract.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

constexpr UINT_PTR kCloseTimer = 1;

struct Row {
    const char* label;
    const char* text;
    int minimum;
    int maximum;
    int value;
    int width;
    int height;
};

HFONT DialogFont() {
    return CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "MS UI Gothic");
}

HWND AddChild(HWND parent, DWORD extendedStyle, const char* kind, const char* text, DWORD style, int x, int y,
              int width, int height, HFONT font) {
    HWND child = CreateWindowExA(extendedStyle, kind, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                 nullptr, nullptr, nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void AddRows(HWND window, CreateRFK32Function createSpin, HFONT font) {
    const Row rows[] = {
        {"トーン", "3", -127, 127, 0, 16, 16},
        {"音量", "100", 0, 200, 100, 15, 15},
        {"楽器", "0", 0, 128, 0, 15, 15},  // held down at its minimum: pressed, nothing moves
        {"テンポ", "200", 20, 250, 200, 17, 34},
    };
    int y = 12;
    int id = 2000;
    for (const Row& row : rows) {
        AddChild(window, 0, "STATIC", row.label, SS_LEFT, 12, y + 2, 60, 16, font);
        HWND edit =
            AddChild(window, WS_EX_CLIENTEDGE, "EDIT", row.text, ES_NUMBER | ES_AUTOHSCROLL, 80, y, 52, 20, font);
        HWND spin = createSpin(window, id++, WS_CHILD | WS_VISIBLE, 135, y + 2, row.width, row.height, 0, 0);
        SendMessageA(spin, kSpinSetRangeMessage, static_cast<WPARAM>(row.minimum), row.maximum);
        SendMessageA(spin, kSpinSetValueMessage, static_cast<WPARAM>(row.value), 0);
        SendMessageA(spin, kSpinAttachEditMessage, reinterpret_cast<WPARAM>(edit), 0);
        if (row.minimum == 0 && row.maximum == 128) SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 12));
        y += row.height > 20 ? row.height + 12 : 28;
    }
}

LRESULT CALLBACK DemoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER: DestroyWindow(window); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string LibraryBesideProgram() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    directory.resize(directory.find_last_of('\\') + 1);
    return directory + "..\\..\\bin\\rfk32.dll";
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    HMODULE library = LoadLibraryA(LibraryBesideProgram().c_str());
    auto createSpin =
        reinterpret_cast<CreateRFK32Function>(reinterpret_cast<void*>(GetProcAddress(library, "CreateRFK32")));
    if (createSpin == nullptr) return 1;

    WNDCLASSA demoClass{};
    demoClass.lpfnWndProc = DemoProc;
    demoClass.hInstance = instance;
    demoClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    demoClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    demoClass.lpszClassName = "SpinDemo";
    RegisterClassA(&demoClass);
    HWND window = CreateWindowExA(0, "SpinDemo", "スピンコントロール", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 40, 40,
                                  240, 200, nullptr, nullptr, instance, nullptr);
    HFONT font = DialogFont();
    AddRows(window, createSpin, font);
    ShowWindow(window, SW_SHOW);
    const int milliseconds = std::atoi(commandLine);
    SetTimer(window, kCloseTimer, milliseconds > 0 ? milliseconds : 3000, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DeleteObject(font);
    FreeLibrary(library);
    return 0;
}
