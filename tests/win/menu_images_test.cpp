// The main window's menu bar drawn with the pictures of bitmap 114.
#include "canvas.h"
#include "program_fixture.h"
#include "res/resource.h"
#include "ui/display_scale.h"
#include "ui/menu_ex2.h"
#include "ui/window_dpi.h"

#include <vector>

namespace {

// The commands in the order of their pictures in the strip.
const std::vector<UINT> kPictureOrder = {
    IDM_OPEN,      IDM_CONVERT,    IDM_SAVE,     IDM_SAVE_UNDER_SONG_NAME,
    IDM_QUIT,      IDM_TONE,       IDM_VOLUME,   IDM_INSTRUMENT,
    IDM_TEMPO,     IDM_TOGGLE_LOG, IDM_PLAY,     IDM_STOP,
    IDM_GM_RESET,  IDM_GS_RESET,   IDM_XG_RESET, IDM_HELP,
    IDM_HOME_PAGE, IDM_ABOUT,
};

UINT ItemType(HMENU menu, UINT item, bool byPosition) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, item, byPosition, &info);
    return info.fType;
}

using MenuImagesTest = ProgramTest;

TEST_F(MenuImagesTest, EveryCommandIsOwnerDrawnAndThePopupTitlesAreNot) {
    EXPECT_NE(GetPropA(main_, "MenuEx2_Ptr_To_Object"), nullptr);
    HMENU bar = GetMenu(main_);
    for (UINT id : kPictureOrder) EXPECT_TRUE(ItemType(bar, id, false) & MFT_OWNERDRAW) << id;
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    for (UINT position = 0; position < 4; ++position) {
        EXPECT_FALSE(ItemType(bar, position, true) & MFT_OWNERDRAW) << "popup " << position;
    }
}

// At the screen's DPI, then after moves to screens of other scales: the pictures and margins of the
// DPI the move brings, whatever the system says of the window (Wine's GetDpiForWindow does not move).
TEST_F(MenuImagesTest, ItemsAreMeasuredFromTheirText) {
    for (const int dpi : {ScreenDpi(), 192, 144, 96}) {
        RECT suggested{};
        GetWindowRect(main_, &suggested);
        SendMessageA(main_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_MENU;
        measure.itemID = IDM_OPEN;
        SendMessageA(main_, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
        const SIZE extent = TextExtentInWindowFont(main_, "読み込み(&O)...");
        const int picture = MenuPictureSize(dpi);
        const int margin = ScaleForDpi(2, dpi);
        const int widerGap = ScaleForDpi(8, dpi) - 8;  // beside the picture column
        EXPECT_EQ(measure.itemWidth, static_cast<UINT>(extent.cx + picture + 2 * margin + 2 + widerGap)) << dpi;
        EXPECT_EQ(measure.itemHeight, static_cast<UINT>(std::max<int>(extent.cy, picture) + 2 * margin + 2)) << dpi;
    }
}

// Each command draws the square of the strip at its place in the order, key pixels in the menu colour.
TEST_F(MenuImagesTest, EachCommandDrawsItsOwnPictureOnTheMenuColour) {
    HBITMAP strip = LoadBitmapA(appInstance, MAKEINTRESOURCEA(IDB_MENU_PICTURES));
    ASSERT_NE(strip, nullptr);
    const Canvas source(strip, true);
    const COLORREF key = source.At(0, 15);
    const COLORREF menu = GetSysColor(COLOR_MENU);
    int keyPixels = 0;
    for (size_t k = 0; k < kPictureOrder.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "picture " << k << ", command " << kPictureOrder[k]);
        const Canvas drawn(200, 22);
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemID = kPictureOrder[k];
        draw.hDC = drawn.Dc();
        draw.rcItem = {0, 0, 200, 22};
        SendMessageA(main_, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
        int differences = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const COLORREF original = source.At(static_cast<int>(16 * k) + x, y);
                const COLORREF expected = original == key ? menu : original;
                keyPixels += original == key;
                differences += drawn.At(3 + x, 3 + y) != expected;
            }
        }
        EXPECT_EQ(differences, 0);
    }
    EXPECT_GT(keyPixels, 18 * 16);  // the pictures leave room around them
}

TEST_F(MenuImagesTest, ShowingTheLogChecksItsCommandForTheSunkenEdge) {
    HMENU bar = GetMenu(main_);
    Command(IDM_TOGGLE_LOG);
    EXPECT_TRUE(GetMenuState(bar, IDM_TOGGLE_LOG, MF_BYCOMMAND) & MF_CHECKED);
    const Canvas drawn(200, 22);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = IDM_TOGGLE_LOG;
    draw.itemState = ODS_CHECKED;
    draw.hDC = drawn.Dc();
    draw.rcItem = {0, 0, 200, 22};
    SendMessageA(main_, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(drawn.At(2, 2), GetSysColor(COLOR_BTNSHADOW));  // the frame's top-left corner
    EXPECT_EQ(drawn.At(2, 10), GetSysColor(COLOR_BTNSHADOW));
    Command(IDM_TOGGLE_LOG);
    EXPECT_FALSE(GetMenuState(bar, IDM_TOGGLE_LOG, MF_BYCOMMAND) & MF_CHECKED);
}

// Owner-drawn items leave their access keys to the window: the marked letter chooses the item.
TEST_F(MenuImagesTest, AccessKeysChooseTheirItems) {
    HMENU bar = GetMenu(main_);
    struct Case {
        int popup;
        char key;
        WORD flags;
        LRESULT expected;
    } cases[] = {
        {0, 'o', MF_POPUP, MAKELRESULT(0, MNC_EXECUTE)},  // 読み込み(&O)
        {0, 'X', MF_POPUP, MAKELRESULT(5, MNC_EXECUTE)},  // 曲替丸の終了(&X), after the separator
        {0, 's', MF_POPUP, 0},                            // 保存(S) marks no key
        {0, 'q', MF_POPUP, 0},
        {2, 'x', MF_POPUP, MAKELRESULT(7, MNC_EXECUTE)},  // XGリセット(&X)
        {3, 'v', MF_POPUP, MAKELRESULT(3, MNC_EXECUTE)},  // バージョン情報(&V)
        {3, 'v', MF_SYSMENU, 0},                          // not one of our menus
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "popup " << c.popup << " key " << c.key);
        HMENU popup = GetSubMenu(bar, c.popup);
        EXPECT_EQ(SendMessageA(main_, WM_MENUCHAR, MAKEWPARAM(c.key, c.flags), reinterpret_cast<LPARAM>(popup)),
                  c.expected);
    }
}

void SetHighlight(HMENU popup, int position, bool on) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    GetMenuItemInfoA(popup, static_cast<UINT>(position), TRUE, &info);
    info.fState = on ? (info.fState | MFS_HILITE) : (info.fState & ~MFS_HILITE);
    SetMenuItemInfoA(popup, static_cast<UINT>(position), TRUE, &info);
}

// The Tools menu marks S twice, 停止(&S) at 3 and GSリセット(&S) at 6: the key moves the highlight
// to the next of the two after the highlighted item, round to the first, and runs neither.
TEST_F(MenuImagesTest, AccessKeySharedByTwoItemsMovesTheHighlight) {
    HMENU tools = GetSubMenu(GetMenu(main_), 2);
    const struct {
        int highlighted;  // -1: none
        char key;
        LRESULT expected;
    } cases[] = {
        {-1, 's', MAKELRESULT(3, MNC_SELECT)},
        {0, 'S', MAKELRESULT(3, MNC_SELECT)},
        {3, 's', MAKELRESULT(6, MNC_SELECT)},
        {5, 's', MAKELRESULT(6, MNC_SELECT)},
        {6, 's', MAKELRESULT(3, MNC_SELECT)},
        {7, 's', MAKELRESULT(3, MNC_SELECT)},
        {3, 'm', MAKELRESULT(5, MNC_EXECUTE)},  // GMリセット(&M) alone with its key
        {3, 'q', 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "highlighted " << c.highlighted << " key " << c.key);
        if (c.highlighted >= 0) SetHighlight(tools, c.highlighted, true);
        EXPECT_EQ(SendMessageA(main_, WM_MENUCHAR, MAKEWPARAM(c.key, MF_POPUP), reinterpret_cast<LPARAM>(tools)),
                  c.expected);
        if (c.highlighted >= 0) SetHighlight(tools, c.highlighted, false);
    }
}

TEST_F(MenuImagesTest, CloseDetachesTheMenus) {
    HMENU bar = GetMenu(main_);
    SendMessageA(main_, WM_CLOSE, 0, 0);
    EXPECT_EQ(GetPropA(main_, "MenuEx2_Ptr_To_Object"), nullptr);
    EXPECT_NE(GetWindowLongPtrA(main_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(MenuEx2WindowProc));
    for (UINT id : kPictureOrder) EXPECT_FALSE(ItemType(bar, id, false) & MFT_OWNERDRAW) << id;
    char text[64] = {};
    GetMenuStringA(bar, IDM_ABOUT, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "バージョン情報(&V)");  // the system draws the text again
}

}  // namespace
