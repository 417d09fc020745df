// The menu object, its items and the bitmap owner, on a window and menu made here.
#include "canvas.h"
#include "res/resource.h"
#include "test_support.h"
#include "ui/gdi_bitmap.h"
#include "ui/menu_ex2.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr UINT kFirst = 100;
constexpr UINT kSecond = 101;

// A bitmap of the display's format from pixels given top row first, as RGB colours.
HBITMAP MakeBitmap(int width, int height, const std::vector<COLORREF>& topRowFirst) {
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(display, width, height);
    DeleteDC(display);
    const Canvas canvas(bitmap);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) SetPixel(canvas.Dc(), x, y, topRowFirst[static_cast<size_t>(y * width + x)]);
    }
    return bitmap;
}

COLORREF PixelAt(HBITMAP bitmap, int x, int y) { return Canvas(bitmap).At(x, y); }

constexpr COLORREF kKey = RGB(255, 0, 255);
constexpr COLORREF kMenu = RGB(212, 208, 200);

TEST(GdiBitmapTest, TransparentCopyKeyedOnTheBottomLeftPixel) {
    // Top row: key, red; bottom row: key (the bottom-left pixel), blue.
    GdiBitmap source(MakeBitmap(2, 2, {kKey, RGB(255, 0, 0), kKey, RGB(0, 0, 255)}));
    GdiBitmap target;
    ASSERT_TRUE(target.CreateLike(source.Handle()));
    ASSERT_TRUE(target.Fill(kMenu));
    ASSERT_TRUE(target.CopyTransparent(source.Handle(), kKeyBottomLeft));
    EXPECT_EQ(PixelAt(target.Handle(), 0, 0), kMenu);
    EXPECT_EQ(PixelAt(target.Handle(), 1, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(target.Handle(), 0, 1), kMenu);
    EXPECT_EQ(PixelAt(target.Handle(), 1, 1), RGB(0, 0, 255));
}

TEST(GdiBitmapTest, TransparentCopyWithAGivenKey) {
    // Red is the key here; the bottom-left pixel is an ordinary green.
    GdiBitmap source(MakeBitmap(2, 2, {RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 0, 0)}));
    GdiBitmap target;
    ASSERT_TRUE(target.CreateLike(source.Handle()));
    ASSERT_TRUE(target.Fill(kMenu));
    ASSERT_TRUE(target.CopyTransparent(source.Handle(), RGB(255, 0, 0)));
    EXPECT_EQ(PixelAt(target.Handle(), 0, 0), kMenu);
    EXPECT_EQ(PixelAt(target.Handle(), 1, 0), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(target.Handle(), 0, 1), RGB(0, 255, 0));
    EXPECT_EQ(PixelAt(target.Handle(), 1, 1), kMenu);
}

TEST(GdiBitmapTest, CutAndEmptyOwner) {
    GdiBitmap whole(MakeBitmap(4, 2, {1, 2, RGB(9, 9, 9), RGB(7, 7, 7), 5, 6, RGB(3, 3, 3), RGB(4, 4, 4)}));
    GdiBitmap piece(whole.Cut(2, 0, 4, 2));
    ASSERT_NE(piece.Handle(), nullptr);
    BITMAP size{};
    GetObjectA(piece.Handle(), sizeof size, &size);
    EXPECT_EQ(size.bmWidth, 2);
    EXPECT_EQ(size.bmHeight, 2);
    EXPECT_EQ(PixelAt(piece.Handle(), 0, 0), RGB(9, 9, 9));
    EXPECT_EQ(PixelAt(piece.Handle(), 1, 1), RGB(4, 4, 4));

    GdiBitmap empty;
    EXPECT_FALSE(empty.Fill(kMenu));
    EXPECT_FALSE(empty.CopyTransparent(whole.Handle(), kKeyBottomLeft));
    EXPECT_EQ(empty.Cut(0, 0, 1, 1), nullptr);
    EXPECT_FALSE(empty.Release());
    EXPECT_TRUE(piece.Release());
    EXPECT_FALSE(piece.Release());
}

// A plain window with a two-item menu bar, and what its own procedure received.
class MenuObjectTest : public testing::Test {
protected:
    static inline std::vector<UINT> received;
    static inline HFONT font = nullptr;

    static LRESULT CALLBACK OwnProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_MEASUREITEM || message == WM_DRAWITEM || message == WM_APP) received.push_back(message);
        // A small font of its own, as the program's window has: the default font's size varies with the locale.
        if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(font);
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void SetUp() override {
        received.clear();
        font = CreateFontA(-10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "ＭＳ Ｐゴシック");
        WNDCLASSA type{};
        type.lpfnWndProc = OwnProcedure;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "MenuObjectTestWindow";
        RegisterClassA(&type);
        popup_ = CreatePopupMenu();
        AppendMenuA(popup_, MF_STRING, kFirst, "最初(&F)");
        AppendMenuA(popup_, MF_STRING, kSecond, "二番目(&S)");
        bar_ = CreateMenu();
        AppendMenuA(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup_), "メニュー(&M)");
        window_ = CreateWindowA("MenuObjectTestWindow", "menu test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, bar_,
                                GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        picture_ = MakeBitmap(2, 2, {kKey, RGB(255, 0, 0), kKey, RGB(0, 0, 255)});
    }
    void TearDown() override {
        menu_.Detach();
        if (IsWindow(window_)) DestroyWindow(window_);
        DeleteObject(picture_);
        DeleteObject(font);
    }

    MenuItemLook BitmapLook(UINT id) const {
        MenuItemLook look;
        look.flags = kLookMarginX | kLookBitmap | kLookBesidePicture | kLookHighlightFrame;
        look.window = window_;
        look.commandId = static_cast<std::uint16_t>(id);
        look.marginX = 2;
        look.marginY = 2;
        look.image = picture_;
        look.imageWidth = 2;
        look.imageHeight = 2;
        return look;
    }
    UINT ItemType(UINT id) const {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(bar_, id, FALSE, &info);
        return info.fType;
    }

    MenuEx2 menu_;
    HWND window_ = nullptr;
    HMENU bar_ = nullptr;
    HMENU popup_ = nullptr;
    HBITMAP picture_ = nullptr;
};

TEST_F(MenuObjectTest, AttachBindsThroughTheProperty) {
    EXPECT_EQ(menu_.Attach(nullptr, bar_), 0);
    EXPECT_EQ(menu_.Attach(reinterpret_cast<HWND>(0x1234), bar_), 0);
    ASSERT_EQ(menu_.Attach(window_, bar_), 1);
    EXPECT_EQ(GetPropA(window_, "MenuEx2_Ptr_To_Object"), &menu_);
    EXPECT_EQ(GetWindowLongPtrA(window_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(MenuEx2WindowProc));
    EXPECT_EQ(menu_.Attach(window_, bar_), 0);  // already bound

    EXPECT_EQ(menu_.Detach(), 1);
    EXPECT_EQ(GetPropA(window_, "MenuEx2_Ptr_To_Object"), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(window_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(OwnProcedure));
    EXPECT_EQ(menu_.Detach(), 0);  // no longer bound
}

TEST_F(MenuObjectTest, AddItemMakesTheItemOwnerDrawnWithItsText) {
    MenuItemLook look = BitmapLook(kFirst);
    EXPECT_EQ(menu_.AddItem(&look), 0);  // not bound yet
    ASSERT_EQ(menu_.Attach(window_, bar_), 1);
    EXPECT_EQ(menu_.AddItem(nullptr), 0);
    MenuItemLook noId = BitmapLook(0);
    EXPECT_EQ(menu_.AddItem(&noId), 0);

    ASSERT_EQ(menu_.AddItem(&look), 1);
    EXPECT_TRUE(ItemType(kFirst) & MFT_OWNERDRAW);
    EXPECT_FALSE(ItemType(kSecond) & MFT_OWNERDRAW);
    const MenuEx2Item* item = menu_.Find(kFirst);
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->Text(), "最初(&F)");
    // The menu keeps no text of its own for the item, so no menu loop matches its key but the item.
    char shown[64] = {};
    EXPECT_EQ(GetMenuStringA(bar_, kFirst, shown, sizeof shown, MF_BYCOMMAND), 0) << shown;
    // The item keeps its own copy of the picture, and the system colours where none were given.
    EXPECT_NE(item->Look()->image, picture_);
    EXPECT_NE(item->Look()->image, nullptr);
    EXPECT_EQ(item->Look()->background, GetSysColor(COLOR_MENU));
    EXPECT_EQ(item->Look()->selectedBackground, GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(item->Look()->text, GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(item->Look()->selectedText, GetSysColor(COLOR_HIGHLIGHTTEXT));

    EXPECT_EQ(menu_.Detach(), 1);
    EXPECT_FALSE(ItemType(kFirst) & MFT_OWNERDRAW);
    EXPECT_EQ(menu_.Find(kFirst), nullptr);
    GetMenuStringA(bar_, kFirst, shown, sizeof shown, MF_BYCOMMAND);
    EXPECT_STREQ(shown, "最初(&F)");  // the system draws its text again
}

TEST_F(MenuObjectTest, RefusedLooksLeaveTheItemAsItWas) {
    ASSERT_EQ(menu_.Attach(window_, bar_), 1);
    struct Case {
        const char* what;
        std::uint32_t flags;
        std::int16_t width, height;
    } cases[] = {
        {"bitmap and icon", kLookBitmap | kLookIcon, 2, 2},
        {"zero width", kLookBitmap, 0, 2},
        {"zero height", kLookBitmap, 2, 0},
        {"icon of zero size", kLookIcon, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MenuItemLook look = BitmapLook(kFirst);
        look.flags = c.flags;
        look.imageWidth = c.width;
        look.imageHeight = c.height;
        EXPECT_EQ(menu_.AddItem(&look), 0);
        EXPECT_FALSE(ItemType(kFirst) & MFT_OWNERDRAW);
        EXPECT_EQ(menu_.Find(kFirst), nullptr);

        MenuEx2Item item;
        EXPECT_EQ(item.Init(bar_, look), kItemInvalid);
        EXPECT_EQ(item.Look(), nullptr);
        EXPECT_EQ(item.Release(bar_), kItemNothingToRelease);
    }
}

TEST_F(MenuObjectTest, ItemInitOnceAndMarginXOnlyWhenGiven) {
    MenuEx2Item item;
    MenuItemLook look = BitmapLook(kSecond);
    look.flags = kLookBitmap;  // margin x not given
    look.marginX = 7;
    ASSERT_EQ(item.Init(bar_, look), kItemReady);
    EXPECT_EQ(item.Look()->marginX, 0);
    EXPECT_EQ(item.Look()->marginY, 2);
    EXPECT_EQ(item.Init(bar_, look), kItemAlreadyReady);
    EXPECT_EQ(item.Release(bar_), kItemReady);
    EXPECT_EQ(item.Release(bar_), kItemNothingToRelease);
    EXPECT_FALSE(ItemType(kSecond) & MFT_OWNERDRAW);
}

TEST_F(MenuObjectTest, WithoutAnImageFlagThereIsNoPicture) {
    MenuEx2Item item;
    MenuItemLook look = BitmapLook(kSecond);
    look.flags = kLookMarginX;
    ASSERT_EQ(item.Init(bar_, look), kItemReady);
    EXPECT_EQ(item.Look()->imageWidth, 0);
    EXPECT_EQ(item.Look()->imageHeight, 0);
    EXPECT_EQ(item.Look()->image, nullptr);
    item.Release(bar_);
}

TEST_F(MenuObjectTest, MeasureAndDrawNeverReachTheWindowsOwnProcedure) {
    ASSERT_EQ(menu_.Attach(window_, bar_), 1);
    MenuItemLook look = BitmapLook(kFirst);
    ASSERT_EQ(menu_.AddItem(&look), 1);

    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = kFirst;
    SendMessageA(window_, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    // The text's own extent plus the picture, both margins and a pixel each side.
    const SIZE text = TextExtentInWindowFont(window_, "最初(&F)");
    EXPECT_EQ(measure.itemWidth, static_cast<UINT>(text.cx + 2 + 4 + 2));
    EXPECT_EQ(measure.itemHeight, static_cast<UINT>(std::max<int>(text.cy, 2) + 4 + 2));

    MEASUREITEMSTRUCT other{};
    other.CtlType = ODT_MENU;
    other.itemID = kSecond;  // not registered: left alone
    SendMessageA(window_, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(other.itemWidth, 0u);

    SendMessageA(window_, WM_APP, 0, 0);
    EXPECT_EQ(received, std::vector<UINT>{WM_APP});  // everything else still reaches it
}

// Draws item kFirst onto a canvas of a colour no drawing uses, to read its pixels back.
class DrawnItem : public Canvas {
public:
    DrawnItem(const MenuEx2& menu, UINT state) : Canvas(60, 22, RGB(1, 2, 3)) {
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemID = kFirst;
        draw.itemState = state;
        draw.hDC = Dc();
        draw.rcItem = {0, 0, 60, 22};
        menu.OnDrawItem(&draw);
    }
};

TEST_F(MenuObjectTest, DrawPutsPictureFrameAndBackgroundWhereTheyBelong) {
    ASSERT_EQ(menu_.Attach(window_, bar_), 1);
    MenuItemLook look = BitmapLook(kFirst);
    look.flags |= kLookBackground | kLookSelectedColours | kLookTextColour;
    look.background = RGB(10, 20, 30);
    look.selectedBackground = RGB(40, 50, 60);
    look.text = RGB(1, 1, 1);
    look.selectedText = RGB(2, 2, 2);
    ASSERT_EQ(menu_.AddItem(&look), 1);
    // Picture 2x2 at (3, 3); frame (2, 2)..(5, 5); background from 2 + 2 + 8 = 12.
    const COLORREF untouched = RGB(1, 2, 3);
    {
        const DrawnItem plain(menu_, 0);
        EXPECT_EQ(plain.At(3, 3), RGB(255, 0, 255));  // the picture as given
        EXPECT_EQ(plain.At(4, 4), RGB(0, 0, 255));
        EXPECT_EQ(plain.At(2, 2), look.background);  // the frame erased in the background colour
        EXPECT_EQ(plain.At(5, 5), look.background);
        EXPECT_EQ(plain.At(11, 10), untouched);  // the gap before the background
        EXPECT_EQ(plain.At(12, 10), look.background);
        EXPECT_EQ(plain.At(57, 19), look.background);
        EXPECT_EQ(plain.At(58, 19), untouched);  // margin x on the right
        EXPECT_EQ(plain.At(30, 20), untouched);  // margin y at the bottom
    }
    {
        const DrawnItem highlighted(menu_, ODS_SELECTED);
        EXPECT_EQ(highlighted.At(12, 10), look.selectedBackground);
        EXPECT_EQ(highlighted.At(2, 3), GetSysColor(COLOR_BTNHIGHLIGHT));  // left and top light
        EXPECT_EQ(highlighted.At(3, 2), GetSysColor(COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(highlighted.At(5, 3), GetSysColor(COLOR_BTNSHADOW));  // right and bottom dark
        EXPECT_EQ(highlighted.At(3, 5), GetSysColor(COLOR_BTNSHADOW));
    }
    {
        // Checked: a sunken edge instead of a tick, its dark side top-left.
        const DrawnItem checked(menu_, ODS_CHECKED);
        EXPECT_EQ(checked.At(2, 2), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(checked.At(12, 10), look.background);
    }
}

TEST_F(MenuObjectTest, DetachAfterTheWindowIsGoneLeavesItUnbound) {
    ASSERT_EQ(menu_.Attach(window_, bar_), 1);
    MenuItemLook look = BitmapLook(kFirst);
    ASSERT_EQ(menu_.AddItem(&look), 1);
    DestroyWindow(window_);
    EXPECT_EQ(menu_.Detach(), 1);
    EXPECT_EQ(menu_.Find(kFirst), nullptr);
    EXPECT_EQ(menu_.Window(), nullptr);
}

}  // namespace
