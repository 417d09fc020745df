// The tone dialog in-process: what it shows for the settings, what OK stores, and what it leaves.
#include "dialog_fixture.h"
#include "res/resource.h"
#include "settings/settings_dialogs.h"
#include "canvas.h"
#include "song/song_commands.h"
#include "tests/common/song_builder.h"
#include "ui/code_page.h"
#include "ui/messages.h"

#include <commctrl.h>

namespace {

const std::string kToneApplied = "トーンの変更を適応しました。";
const std::string kNotDecimal = "文字列が10進表記と判断できませんでした。";

constexpr int kMuteBoxes[kTrackCount] = {1069, 1070, 1071, 1072, 1074, 1075, 1076, 1077,
                                         1078, 1079, 1080, 1081, 1082, 1083, 1084, 1085};

int ToneBox(int track) { return 1052 + track; }
int MuteBox(int track) { return kMuteBoxes[track - 1]; }

class ToneDialogTest : public DialogTest {
protected:
    void OpenTone() { ASSERT_NE(Open(IDD_TONE, ToneDialogProc), nullptr); }

    std::uint32_t CheckedMask(int (*box)(int)) const {
        std::uint32_t mask = 0;
        for (int track = 1; track <= kTrackCount; ++track) {
            if (Checked(box(track))) mask |= 1u << (track - 1);
        }
        return mask;
    }
};

TEST_F(ToneDialogTest, OpensWithTheDefaults) {
    OpenTone();
    EXPECT_EQ(WindowText(dialog_), "トーンの調整");
    EXPECT_EQ(Text(IDC_TONE_SHIFT_EDIT), "0");
    EXPECT_EQ(TextLimit(IDC_TONE_SHIFT_EDIT), 4);
    EXPECT_EQ(CheckedMask(ToneBox), 0xFDFFu) << "every track but 10";
    EXPECT_EQ(CheckedMask(MuteBox), 0u);
    EXPECT_TRUE(Checked(IDC_TONE_EXCLUDE_DRUMS));
    EXPECT_TRUE(Checked(IDC_TONE_WARN_OUT_OF_RANGE));
}

TEST_F(ToneDialogTest, ShowsTheStoredSettings) {
    conversionSettings.toneShift = -12;
    conversionSettings.toneTrackMask = 0x8421;  // tracks 1, 6, 11, 16
    conversionSettings.muteTrackMask = 0x8018;  // tracks 4, 5 and 16: the ids skip 1073
    conversionSettings.excludeDrums = 0;
    conversionSettings.warnOutOfRange = 0;
    OpenTone();
    EXPECT_EQ(Text(IDC_TONE_SHIFT_EDIT), "-12");
    EXPECT_EQ(CheckedMask(ToneBox), 0x8421u | 0x0200u) << "drums included: track 10 opens checked";
    EXPECT_EQ(CheckedMask(MuteBox), 0x8018u);
    EXPECT_FALSE(Checked(IDC_TONE_EXCLUDE_DRUMS));
    EXPECT_FALSE(Checked(IDC_TONE_WARN_OUT_OF_RANGE));
}

TEST_F(ToneDialogTest, ExcludedDrumsOpenUncheckedWhateverTheMask) {
    conversionSettings.toneTrackMask = 0xFFFF;
    OpenTone();
    EXPECT_FALSE(Checked(ToneBox(10)));
}

TEST_F(ToneDialogTest, ShiftTextIsStoredAsParsed) {
    const struct {
        const char* text;
        std::optional<std::int16_t> stored;  // none: refused
    } cases[] = {{"-5", -5},         {"abc", {}},     {"1a", {}},      {"", {}},      {"9999", 9999}, {"-999", -999},
                 {"7", 7},           {"３", 3},       {"－１２", -12}, {" -4　", -4}, {"3-", {}},     {"ー１２", -12},
                 {"－１２０", -120}, {"12345", 1234}, {"ー", {}}};  // typed: four at most
    for (const auto& c : cases) {
        conversionSettings.toneShift = 123;
        OpenTone();
        Type(IDC_TONE_SHIFT_EDIT, c.text);
        const size_t before = LogMessages().size();
        const std::vector<SeenBox> seen = EnterAnswering(IDC_APPLY_BUTTON);
        EXPECT_EQ(conversionSettings.toneShift, c.stored.value_or(123)) << c.text;
        EXPECT_EQ(IsOpen(), !c.stored) << c.text;
        EXPECT_EQ(LinesAfter(LogMessages(), before), std::vector<std::string>(c.stored ? 1 : 0, kToneApplied));
        EXPECT_TRUE(c.stored || (seen.size() == 1 && seen[0].text == kNotDecimal && ShowsRefused(1034))) << c.text;
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_F(ToneDialogTest, OkStoresEveryBox) {
    OpenTone();
    SetChecked(ToneBox(2), false);
    SetChecked(ToneBox(16), false);
    SetChecked(MuteBox(5), true);
    SetChecked(MuteBox(8), true);
    SetChecked(MuteBox(16), true);
    SetChecked(IDC_TONE_WARN_OUT_OF_RANGE, false);
    Click(IDC_APPLY_BUTTON);
    EXPECT_EQ(conversionSettings.toneTrackMask, 0xFDFFu & ~0x8002u);
    EXPECT_EQ(conversionSettings.muteTrackMask, 0x8090u);
    EXPECT_EQ(conversionSettings.excludeDrums, 1);
    EXPECT_EQ(conversionSettings.warnOutOfRange, 0);
}

TEST_F(ToneDialogTest, ExcludedDrumsStayOutEvenWhenTheirBoxIsChecked) {
    OpenTone();
    SetChecked(ToneBox(10), true);
    Click(IDC_APPLY_BUTTON);
    EXPECT_EQ(conversionSettings.toneTrackMask & 0x200u, 0u);
    EXPECT_EQ(conversionSettings.excludeDrums, 1);
}

TEST_F(ToneDialogTest, IncludedDrumsAreShiftedAfterOk) {
    conversionSettings.excludeDrums = 0;
    conversionSettings.toneTrackMask = 0xFDFF;
    OpenTone();
    ASSERT_TRUE(Checked(ToneBox(10)));
    Click(IDC_APPLY_BUTTON);
    EXPECT_EQ(conversionSettings.toneTrackMask, 0xFFFFu);
    EXPECT_EQ(conversionSettings.excludeDrums, 0);
}

TEST_F(ToneDialogTest, CheckingTheDrumsBoxUnchecksTrackTenOnly) {
    conversionSettings.excludeDrums = 0;
    OpenTone();
    SetChecked(IDC_TONE_EXCLUDE_DRUMS, true);
    Click(IDC_TONE_EXCLUDE_DRUMS);
    EXPECT_FALSE(Checked(ToneBox(10)));
    EXPECT_EQ(CheckedMask(ToneBox), 0xFDFFu);

    SetChecked(ToneBox(10), true);
    SetChecked(IDC_TONE_EXCLUDE_DRUMS, false);
    Click(IDC_TONE_EXCLUDE_DRUMS);
    EXPECT_TRUE(Checked(ToneBox(10))) << "unchecking the drums box changes no other box";
}

TEST_F(ToneDialogTest, CommandsCountByIdWhateverTheNotification) {
    OpenTone();
    SetText(IDC_TONE_SHIFT_EDIT, "3");
    Notify(IDC_APPLY_BUTTON, BN_SETFOCUS);
    EXPECT_EQ(conversionSettings.toneShift, 3);
    EXPECT_FALSE(IsOpen());
}

TEST_F(ToneDialogTest, CancelAndCloseLeaveEverything) {
    for (bool fromSystemMenu : {false, true}) {
        OpenTone();
        const ConversionSettings before = conversionSettings;
        const size_t lines = LogMessages().size();
        SetText(IDC_TONE_SHIFT_EDIT, "12");
        SetChecked(ToneBox(1), false);
        SetChecked(MuteBox(3), true);
        SetChecked(IDC_TONE_EXCLUDE_DRUMS, false);
        if (fromSystemMenu)
            CloseFromSystemMenu();
        else
            Click(IDCANCEL);
        EXPECT_FALSE(IsOpen());
        EXPECT_TRUE(conversionSettings == before);
        EXPECT_EQ(LogMessages().size(), lines);
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_F(ToneDialogTest, HintShowsTextThirtyEightUnderTheProductCaption) {
    OpenTone();
    const std::vector<SeenBox> seen = ClickAnswering(IDC_HINT_LINK);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "曲替丸");
    EXPECT_EQ(seen[0].text, LoadText(appInstance, IDS_TONE_HINT));
    EXPECT_NE(seen[0].text.find("ドラムパート"), std::string::npos);
    EXPECT_TRUE(seen[0].icon);
    EXPECT_TRUE(IsOpen());
}

TEST_F(ToneDialogTest, LeavesSpinNotificationsToTheDefaultHandling) {
    OpenTone();
    EXPECT_EQ(AskSpinValue(IDC_ADDON_SPIN_FIRST, 41), 41);
    EXPECT_EQ(SpinNotify(IDC_ADDON_SPIN_FIRST, 11, 9), FALSE);
    EXPECT_EQ(Text(IDC_TONE_SHIFT_EDIT), "0");
}

// The tip the dialog's tooltip holds for `control`, in code page 932; "" without a tooltip.
std::string TipOf(HWND dialog, HWND control) {
    HWND tooltip = nullptr;
    do tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr);
    while (tooltip && GetWindow(tooltip, GW_OWNER) != dialog);
    if (!tooltip) return "";
    wchar_t text[512] = L"";
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    return Narrow932(text);
}

// Pixels of `colour` in the picture the control paints of itself.
int PaintedPixels(HWND control, COLORREF colour) {
    RECT client{};
    GetClientRect(control, &client);
    Canvas canvas(client.right, client.bottom);
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT | PRF_ERASEBKGND);
    const std::uint32_t wanted = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
    const std::vector<std::uint32_t> pixels = canvas.Pixels();
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), wanted));
}

// While a song is open, the boxes of a track that plays no note are dimmed yet toggle, and every
// box and the shift edit tell their summary; without a song the dialog is as ever.
TEST_F(ToneDialogTest, SongAtAGlanceDimsTheSilentTracksAndTellsTheirSummary) {
    ScratchFolder folder;
    WriteFileBytes(folder.File("song.mid"), AsText(Smf(0, 480,
                                                       {Track({
                                                           {0x00, 0xC0, 0},           // program 0 on track 1
                                                           {0x00, 0x90, 60, 100},     // note on C4
                                                           {0x00, 0xB2, 7, 100},      // track 3: no note
                                                           {0x00, 0xFF, 0x2F, 0x00},  // end of track
                                                       })})));
    ASSERT_EQ(LoadSong(folder.File("song.mid").c_str()), 0);
    OpenTone();
    const COLORREF dimmed = GetSysColor(COLOR_GRAYTEXT);
    for (const int box : {ToneBox(3), MuteBox(3)}) {
        EXPECT_GT(PaintedPixels(Item(box), dimmed), 10) << box;
        EXPECT_EQ(PaintedPixels(Item(box), RGB(0, 0, 0)), 0) << box;
    }
    EXPECT_GT(PaintedPixels(Item(ToneBox(1)), RGB(0, 0, 0)), 10);
    EXPECT_LT(PaintedPixels(Item(ToneBox(1)), dimmed), 5);  // the glyph may share the colour
    EXPECT_EQ(TipOf(dialog_, Item(ToneBox(1))), "トラック1: プログラム0\nノート1個　音域 C4～C4");
    EXPECT_EQ(TipOf(dialog_, Item(MuteBox(3))), "トラック3: 楽器指定なし\nノートなし");
    EXPECT_EQ(TipOf(dialog_, Item(ToneBox(16))), "トラック16\nこの曲では使われていません");
    EXPECT_EQ(TipOf(dialog_, Item(IDC_TONE_SHIFT_EDIT)), "シフト可能範囲 -60～+67");
    SendMessageW(Item(MuteBox(3)), BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(MuteBox(3))) << "a dimmed box still toggles";
    EXPECT_GT(PaintedPixels(Item(MuteBox(3)), dimmed), 10);

    CloseSong();
    DestroyWindow(dialog_);
    OpenTone();
    EXPECT_EQ(TipOf(dialog_, Item(ToneBox(1))), "");
    EXPECT_GT(PaintedPixels(Item(MuteBox(3)), RGB(0, 0, 0)), 10);
}

}  // namespace
