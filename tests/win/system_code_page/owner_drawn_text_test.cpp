// An owner-drawn menu item draws and measures its code-page-932 text as Japanese even where the
// process's narrow calls read another code page: the text is converted explicitly and drawn with
// the wide functions.
#include "../canvas.h"
#include "ui/menu_ex2.h"
#include "ui/menu_geometry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kItemText[] = L"\u958b\u304f(&O)...";  // 開く(&O)...
constexpr char kItemText932[] = "\x8aJ\x82\xad(&O)...";
constexpr UINT kCommand = 40001;
constexpr int kWidth = 240;
constexpr int kHeight = 32;

// A white canvas the size of one menu item.
class ItemCanvas : public Canvas {
public:
    ItemCanvas() : Canvas(kWidth, kHeight) {}
};

class OwnerDrawnTextTest : public testing::Test {
protected:
    void SetUp() override {
        if (GetACP() == 932) GTEST_SKIP() << "the system's code page is 932 here: nothing to tell apart";
        font_ = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                            L"\uff2d\uff33 \uff30\u30b4\u30b7\u30c3\u30af");
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        menu_ = CreatePopupMenu();
        ASSERT_TRUE(AppendMenuW(menu_, MF_STRING, kCommand, kItemText));
        look_.flags = kLookBackground | kLookTextColour | kLookSelectedColours;
        look_.window = window_;
        look_.commandId = kCommand;
        look_.background = look_.selectedBackground = RGB(255, 255, 255);
        look_.text = look_.selectedText = RGB(0, 0, 0);
        ASSERT_EQ(item_.Init(menu_, look_), kItemReady);
    }
    void TearDown() override {
        if (menu_) {
            item_.Release(menu_);
            DestroyMenu(menu_);
        }
        if (window_) DestroyWindow(window_);
        if (font_) DeleteObject(font_);
    }

    // A text drawn by `drawText` in the item's font where the item draws its text.
    template <typename DrawTextFunction>
    std::vector<uint32_t> TextInItemBox(const RECT& item, DrawTextFunction drawText) const {
        ItemCanvas canvas;
        HGDIOBJ before = SelectObject(canvas.Dc(), font_);
        TEXTMETRICW metrics{};
        GetTextMetricsW(canvas.Dc(), &metrics);
        const MenuBox box = MenuTextBox({}, {item.left, item.top, item.right, item.bottom}, metrics.tmHeight);
        RECT room{box.left, box.top, box.right, box.bottom};
        SetBkMode(canvas.Dc(), TRANSPARENT);
        drawText(canvas.Dc(), &room);
        SelectObject(canvas.Dc(), before);
        return canvas.Pixels();
    }

    HFONT font_ = nullptr;
    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
    MenuItemLook look_{};
    MenuEx2Item item_;
};

TEST_F(OwnerDrawnTextTest, KeepsTheItemTextInCodePage932) { EXPECT_STREQ(item_.Text(), kItemText932); }

TEST_F(OwnerDrawnTextTest, MeasuresTheJapaneseText) {
    HDC dc = GetDC(window_);
    HGDIOBJ before = SelectObject(dc, font_);
    SIZE text{};
    GetTextExtentPoint32W(dc, kItemText, static_cast<int>(wcslen(kItemText)), &text);
    SelectObject(dc, before);
    ReleaseDC(window_, dc);
    const MenuExtent expected = MeasureMenuItem({}, {text.cx, text.cy});

    MEASUREITEMSTRUCT measure{ODT_MENU, 0, kCommand, 0, 0, 0};
    item_.Measure(&measure);
    EXPECT_EQ(measure.itemWidth, static_cast<UINT>(expected.width));
    EXPECT_EQ(measure.itemHeight, static_cast<UINT>(expected.height));
}

TEST_F(OwnerDrawnTextTest, DrawsTheJapaneseText) {
    const RECT item{0, 0, kWidth, kHeight};
    ItemCanvas drawn;
    DRAWITEMSTRUCT draw{ODT_MENU, 0, kCommand, ODA_DRAWENTIRE, 0, reinterpret_cast<HWND>(menu_), drawn.Dc(), item, 0};
    item_.Draw(&draw);
    const std::vector<uint32_t> expected = TextInItemBox(
        item, [](HDC dc, RECT* room) { DrawTextW(dc, kItemText, -1, room, DT_LEFT | DT_TOP | DT_SINGLELINE); });
    EXPECT_EQ(drawn.Pixels(), expected);

    // The narrow drawing call makes something else of the same bytes in this process.
    const std::vector<uint32_t> narrow = TextInItemBox(
        item, [](HDC dc, RECT* room) { DrawTextA(dc, kItemText932, -1, room, DT_LEFT | DT_TOP | DT_SINGLELINE); });
    EXPECT_NE(narrow, expected);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Ended here: Wine now and then hangs while a process detaches its libraries at exit.
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}
