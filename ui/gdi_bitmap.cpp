#include "ui/gdi_bitmap.h"

#include "ui/menu_geometry.h"

#include <cstdint>
#include <memory>
#include <new>

namespace {

// A device context of the display, deleted at the end of the scope.
class DisplayContext {
public:
    DisplayContext() : dc_(CreateDCA("DISPLAY", nullptr, nullptr, nullptr)) {}
    DisplayContext(const DisplayContext&) = delete;
    DisplayContext& operator=(const DisplayContext&) = delete;
    ~DisplayContext() {
        if (dc_) DeleteDC(dc_);
    }
    HDC Handle() const { return dc_; }

private:
    HDC dc_;
};

// A memory device context with one bitmap selected; the bitmap is deselected before the context goes.
class SelectedBitmap {
public:
    SelectedBitmap(HDC compatibleWith, HBITMAP bitmap) : dc_(CreateCompatibleDC(compatibleWith)) {
        if (dc_) previous_ = SelectObject(dc_, bitmap);
    }
    SelectedBitmap(const SelectedBitmap&) = delete;
    SelectedBitmap& operator=(const SelectedBitmap&) = delete;
    ~SelectedBitmap() {
        if (!dc_) return;
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    HDC Handle() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

BITMAP SizeOf(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    return info;
}

// 32 bits a pixel, bottom row first.
BITMAPINFO PixelFormat(int width, int height) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    return format;
}

}  // namespace

bool GdiBitmap::LoadFromResource(HINSTANCE instance, int id) {
    Release();
    bitmap_ = LoadBitmapA(instance, MAKEINTRESOURCEA(id));
    return bitmap_ != nullptr;
}

bool GdiBitmap::CreateLike(HBITMAP bitmap) {
    Release();
    const BITMAP size = SizeOf(bitmap);
    DisplayContext display;
    if (!display.Handle()) return false;
    bitmap_ = CreateCompatibleBitmap(display.Handle(), size.bmWidth, size.bmHeight);
    return bitmap_ != nullptr;
}

bool GdiBitmap::Fill(COLORREF colour) {
    if (!bitmap_) return false;
    const BITMAP size = SizeOf(bitmap_);
    DisplayContext display;
    SelectedBitmap target(display.Handle(), bitmap_);
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT whole{0, 0, size.bmWidth, size.bmHeight};
    FillRect(target.Handle(), &whole, brush);
    DeleteObject(brush);
    return true;
}

bool GdiBitmap::CopyTransparent(HBITMAP source, COLORREF key) {
    if (!bitmap_) return false;
    const BITMAP size = SizeOf(bitmap_);
    const std::size_t count = static_cast<std::size_t>(size.bmWidth) * static_cast<std::size_t>(size.bmHeight);
    std::unique_ptr<std::uint32_t[]> sourcePixels(new (std::nothrow) std::uint32_t[count]);
    std::unique_ptr<std::uint32_t[]> targetPixels(new (std::nothrow) std::uint32_t[count]);
    if (!sourcePixels || !targetPixels) return false;

    DisplayContext display;
    BITMAPINFO format = PixelFormat(size.bmWidth, size.bmHeight);
    const UINT lines = static_cast<UINT>(size.bmHeight);
    if (GetDIBits(display.Handle(), source, 0, lines, sourcePixels.get(), &format, DIB_RGB_COLORS) == 0) return false;
    format = PixelFormat(size.bmWidth, size.bmHeight);
    if (GetDIBits(display.Handle(), bitmap_, 0, lines, targetPixels.get(), &format, DIB_RGB_COLORS) == 0) return false;

    CopyUnlessKey(targetPixels.get(), sourcePixels.get(), count, TransparentKey(key, sourcePixels[0]));
    format = PixelFormat(size.bmWidth, size.bmHeight);
    return SetDIBits(display.Handle(), bitmap_, 0, lines, targetPixels.get(), &format, DIB_RGB_COLORS) != 0;
}

HBITMAP GdiBitmap::Cut(int left, int top, int right, int bottom) const {
    if (!bitmap_) return nullptr;
    DisplayContext display;
    HBITMAP piece = CreateCompatibleBitmap(display.Handle(), right - left, bottom - top);
    if (!piece) return nullptr;
    SelectedBitmap from(display.Handle(), bitmap_);
    SelectedBitmap to(display.Handle(), piece);
    BitBlt(to.Handle(), 0, 0, right - left, bottom - top, from.Handle(), left, top, SRCCOPY);
    return piece;
}

bool GdiBitmap::Release() {
    if (!bitmap_) return false;
    DeleteObject(bitmap_);
    bitmap_ = nullptr;
    return true;
}
