// Owner of one bitmap: loading, a display-compatible copy, filling, the transparent copy, cutting.
#pragma once
#include <windows.h>

// CopyTransparent's key that takes the source's bottom-left pixel as the transparent colour.
inline constexpr COLORREF kKeyBottomLeft = CLR_INVALID;

class GdiBitmap {
public:
    GdiBitmap() = default;
    // Takes ownership of `bitmap` (for example one made by Cut).
    explicit GdiBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
    GdiBitmap(const GdiBitmap&) = delete;
    GdiBitmap& operator=(const GdiBitmap&) = delete;
    virtual ~GdiBitmap() { Release(); }

    HBITMAP Handle() const { return bitmap_; }

    bool LoadFromResource(HINSTANCE instance, int id);
    // A bitmap of the display's format and of `bitmap`'s size, its pixels undefined.
    bool CreateLike(HBITMAP bitmap);
    bool Fill(COLORREF colour);
    // Lays `source` over this bitmap: its pixels of the key colour leave this bitmap's showing.
    bool CopyTransparent(HBITMAP source, COLORREF key);
    // A new display-compatible bitmap holding that part of this one, owned by the caller; null on failure.
    HBITMAP Cut(int left, int top, int right, int bottom) const;
    bool Release();

private:
    HBITMAP bitmap_ = nullptr;
};
