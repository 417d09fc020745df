// Owner-drawn menu items with a picture: a menu object bound to one window draws the items
// registered with it, answering that window's measure-item and draw-item messages.
#pragma once
#include <windows.h>

#include <cstdint>
#include <list>
#include <memory>

// The window property through which the bound window's procedure finds its menu object.
inline constexpr char kMenuEx2Property[] = "MenuEx2_Ptr_To_Object";

// MenuItemLook flags.
enum : std::uint32_t {
    kLookMarginX = 0x1,            // margin x is given; else 0
    kLookBitmap = 0x10,            // the image is a bitmap
    kLookIcon = 0x20,              // the image is an icon
    kLookBackground = 0x100,       // the background colour is given; else the menu colour
    kLookTextColour = 0x400,       // the text colour is given; else the window-text colour
    kLookSelectedColours = 0x800,  // both selected colours are given; else the highlight colours
    kLookRaisedEdge = 0x10000,     // edges around the picture, the first set one counting
    kLookSunkenEdge = 0x20000,
    kLookEtchedEdge = 0x40000,
    kLookBumpEdge = 0x80000,
    kLookBesidePicture = 0x100000,   // the background is filled only right of the picture column
    kLookHighlightFrame = 0x200000,  // the highlighted item's picture gets a raised frame
};
inline constexpr std::uint32_t kLookEdges = kLookRaisedEdge | kLookSunkenEdge | kLookEtchedEdge | kLookBumpEdge;

struct MenuItemLook {
    std::uint32_t flags = 0;
    HWND window = nullptr;  // measures the text with its device context and font
    std::uint16_t commandId = 0;
    std::uint8_t marginX = 0;
    std::uint8_t marginY = 0;
    HANDLE image = nullptr;  // a bitmap or an icon; the item keeps its own copy
    std::int16_t imageWidth = 0;
    std::int16_t imageHeight = 0;
    COLORREF background = 0;
    COLORREF selectedBackground = 0;
    COLORREF text = 0;
    COLORREF selectedText = 0;
};

// MenuEx2Item::Init results.
enum : int { kItemReady = 0, kItemNoMemory = 1, kItemInvalid = 2, kItemNothingToRelease = 3, kItemAlreadyReady = 4 };

class MenuEx2Item {
public:
    MenuEx2Item() = default;
    MenuEx2Item(const MenuEx2Item&) = delete;
    MenuEx2Item& operator=(const MenuEx2Item&) = delete;
    // Frees nothing of what Init made: Release does.
    virtual ~MenuEx2Item() = default;

    int Init(HMENU menu, const MenuItemLook& look);
    int Release(HMENU menu);
    void Measure(MEASUREITEMSTRUCT* measure) const;
    void Draw(const DRAWITEMSTRUCT* draw) const;

    // The item's text in code page 932.
    const char* Text() const { return text_; }
    const MenuItemLook* Look() const { return look_.get(); }

private:
    void ReadItemText(HMENU menu, UINT commandId);
    void DeleteImage();
    void DrawPicture(HDC dc, const RECT& item) const;
    void DrawFrame(HDC dc, const RECT& item, bool selected, bool checked) const;
    void DrawText(HDC dc, const RECT& item, bool selected) const;

    char text_[MAX_PATH] = {};
    std::unique_ptr<MenuItemLook> look_;
};

class MenuEx2 {
public:
    MenuEx2() = default;
    MenuEx2(const MenuEx2&) = delete;
    MenuEx2& operator=(const MenuEx2&) = delete;
    virtual ~MenuEx2() = default;

    int Attach(HWND window, HMENU menu);
    int AddItem(const MenuItemLook* look);
    int Detach();
    void OnMeasureItem(MEASUREITEMSTRUCT* measure) const;
    void OnDrawItem(const DRAWITEMSTRUCT* draw) const;
    // The system leaves access keys of owner-drawn items to their window: the registered items of
    // `popup` whose text marks `key` with '&' are chosen from. MNC_IGNORE's 0 when there is none.
    LRESULT OnMenuChar(char key, HMENU popup) const;

    HWND Window() const { return window_; }
    // The registered item of `commandId`, null when there is none.
    const MenuEx2Item* Find(UINT commandId) const;

private:
    bool HasAccessKey(UINT commandId, char key) const;
    friend LRESULT CALLBACK MenuEx2WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
    std::list<MenuEx2Item> items_;  // in order of registration
    WNDPROC oldProcedure_ = nullptr;
};

LRESULT CALLBACK MenuEx2WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
