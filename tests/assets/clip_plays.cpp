// Plays a clip in the common controls' animation control, as the main window does, and checks that
// its frames reach the screen and move: clip_plays PATH_OF_THE_CLIP WIDTH HEIGHT
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

// The clip's size, from the command line.
int clipWidth = 80;
int clipHeight = 40;
constexpr COLORREF kPaper = RGB(0xF6, 0xF2, 0xE4);

int Fail(const char* what) {
    std::printf("FAILED: %s\n", what);
    return 1;
}

void PumpMessagesFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

// The control's pixels as the screen shows them now.
std::vector<COLORREF> Capture(HWND control) {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(control);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, clipWidth, clipHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, clipWidth, clipHeight, screen, 0, 0, SRCCOPY);
    for (int y = 0; y < clipHeight; ++y)
        for (int x = 0; x < clipWidth; ++x) pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(control, screen);
    return pixels;
}

int CountOf(const std::vector<COLORREF>& pixels, COLORREF colour) {
    int count = 0;
    for (COLORREF pixel : pixels) count += pixel == colour;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: clip_plays PATH_OF_THE_CLIP WIDTH HEIGHT");
    clipWidth = std::atoi(argv[2]);
    clipHeight = std::atoi(argv[3]);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&controls);
    HWND frame = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, clipWidth + 40,
                                 clipHeight + 20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND control = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 82, 37, frame,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!frame || !control) return Fail("the animation control cannot be created");
    if (!SendMessageA(control, ACM_OPENA, 0, reinterpret_cast<LPARAM>(argv[1])))
        return Fail("ACM_OPEN refuses the clip");
    RECT client;
    GetClientRect(control, &client);
    // Without ACS_CENTER the control takes the clip's own size.
    if (client.right != clipWidth || client.bottom != clipHeight)
        return Fail("the control did not take the clip's size");
    if (!SendMessageA(control, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF)))
        return Fail("ACM_PLAY refuses the clip");
    PumpMessagesFor(400);
    const std::vector<COLORREF> first = Capture(control);
    PumpMessagesFor(250);
    const std::vector<COLORREF> later = Capture(control);
    SendMessageA(control, ACM_STOP, 0, 0);
    SendMessageA(control, ACM_OPENA, 0, 0);
    DestroyWindow(frame);

    const int paperPixels = CountOf(first, kPaper);
    std::printf("kPaper pixels %d of %d, colours %zu\n", paperPixels, clipWidth * clipHeight,
                std::set<COLORREF>(first.begin(), first.end()).size());
    // A frame drawn upside down or not at all shows no kPaper in the top rows.
    if (paperPixels < clipWidth * clipHeight / 2) return Fail("the frame on the screen is not the clip's");
    // The frame is a pixel wide, two from 200 % on; the row just inside it is paper.
    const int inside = std::max(1, clipWidth / 80);
    if (CountOf(std::vector<COLORREF>(first.begin() + inside * clipWidth, first.begin() + (inside + 1) * clipWidth),
                kPaper) < clipWidth / 2)
        return Fail("the clip's first row inside its frame is not kPaper: rows are upside down");
    if (std::set<COLORREF>(first.begin(), first.end()).size() < 4) return Fail("the frame holds too few colours");
    if (first == later) return Fail("the picture does not move while playing");
    std::printf("clip plays\n");
    return 0;
}
