// A memory device context over a bitmap, to draw on and read back pixel by pixel: a new 32-bit
// canvas filled with one colour, or a view of a bitmap someone else made.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

class Canvas {
public:
    // A new top-down 32-bit canvas, filled with `paper`.
    Canvas(int width, int height, COLORREF paper = RGB(255, 255, 255)) : paper_(paper), owned_(true) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        Select();
        Clear();
    }
    // A view of `bitmap`; the canvas deletes it at the end when `owned`.
    explicit Canvas(HBITMAP bitmap, bool owned = false) : bitmap_(bitmap), owned_(owned) { Select(); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        SelectObject(dc_, previous_);
        if (owned_) DeleteObject(bitmap_);
        DeleteDC(dc_);
    }

    HDC Dc() const { return dc_; }
    int Width() const { return Size().bmWidth; }
    int Height() const { return Size().bmHeight; }
    void Clear() const { Fill(paper_); }
    void Fill(COLORREF colour) const {
        const RECT all{0, 0, Width(), Height()};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    // Every pixel as 0x00RRGGBB, top row first.
    std::vector<std::uint32_t> Pixels() const {
        GdiFlush();
        const int width = Width();
        const int height = Height();
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
        SelectObject(dc_, previous_);  // GetDIBits wants the bitmap out of every device context
        GetDIBits(dc_, bitmap_, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
        SelectObject(dc_, bitmap_);
        return pixels;
    }

private:
    void Select() {
        dc_ = CreateCompatibleDC(nullptr);
        previous_ = SelectObject(dc_, bitmap_);
    }
    BITMAP Size() const {
        BITMAP size{};
        GetObjectA(bitmap_, sizeof size, &size);
        return size;
    }

    COLORREF paper_ = RGB(255, 255, 255);
    HBITMAP bitmap_ = nullptr;
    bool owned_ = false;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};
