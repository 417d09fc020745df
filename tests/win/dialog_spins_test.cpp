// The settings dialogs with the add-on bound: each spin control is created where its dialog puts
// it, gets its range, first value and edit in that order (read back from a recording rfk32.dll),
// and clicking it steps the number the dialog shows, inside the range.
#include "dialog_fixture.h"
#include "res/resource.h"
#include "settings/settings_dialogs.h"
#include "settings/spin_place.h"
#include "tests/win/dlls/addon/spin_record.h"

#include <ostream>

namespace {

constexpr UINT kValueMessage = 0x801;
constexpr UINT kRangeMessage = 0x803;
constexpr UINT kAttachMessage = 0x80D;

struct Sent {
    int id;
    UINT message;
    std::int32_t first;
    std::int64_t second;
    bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& s, std::ostream* out) {
    *out << "{" << s.id << ", 0x" << std::hex << s.message << std::dec << ", " << s.first << ", " << s.second << "}";
}

class DialogSpinsTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        BindAddOnFrom(TestAddOnFolder("recording"));
    }

    std::vector<Sent> SentToSpins() const {
        auto recorded = reinterpret_cast<RecordedSpinMessagesFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("rfk32.dll"), "RecordedSpinMessages")));
        if (!recorded) return {};
        std::vector<SpinMessageSeen> seen(static_cast<size_t>(recorded(nullptr, 0)));
        recorded(seen.data(), static_cast<int>(seen.size()));
        std::vector<Sent> sent;
        for (const SpinMessageSeen& s : seen) {
            sent.push_back({s.id, s.message, static_cast<std::int32_t>(s.wParam), static_cast<std::int64_t>(s.lParam)});
        }
        return sent;
    }

    std::int64_t EditHandle(int id) const { return reinterpret_cast<std::intptr_t>(Item(id)); }

    // The place a given pixel position takes under this dialog's font (settings/spin_place.h).
    SpinPlace Expected(SpinPlace given) const {
        RECT base{0, 0, 4, 8};
        MapDialogRect(dialog_, &base);
        return PlaceForFont(given, base.right, base.bottom);
    }

    void ExpectSpinAt(int id, SpinPlace given, int width, int height) const {
        HWND spin = Item(id);
        ASSERT_NE(spin, nullptr) << id;
        RECT place{};
        GetWindowRect(spin, &place);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&place), 2);
        const SpinPlace expected = Expected(given);
        EXPECT_EQ(place.left, expected.x) << id;
        EXPECT_EQ(place.top, expected.y) << id;
        EXPECT_EQ(place.right - place.left, width) << id;
        EXPECT_EQ(place.bottom - place.top, height) << id;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(spin, GWL_STYLE)) & 0xFFFF0000u, DWORD{WS_CHILD | WS_VISIBLE})
            << id;
    }

    // A click on one arrow as the mouse gives it.
    void ClickArrow(int id, bool up) {
        HWND spin = Item(id);
        RECT client{};
        GetClientRect(spin, &client);
        const LPARAM point = MAKELPARAM(client.right / 2, up ? 1 : client.bottom - 2);
        SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageA(spin, WM_LBUTTONUP, 0, point);
        PumpPending();
    }

    // The edit's text after one click, starting from `from`.
    std::string Step(int spinId, int edit, const std::string& from, bool up) {
        SetText(edit, from);
        ClickArrow(spinId, up);
        return Text(edit);
    }
};

TEST_F(DialogSpinsTest, ToneSpinStepsTheShiftEdit) {
    ASSERT_NE(Open(IDD_TONE, ToneDialogProc), nullptr);
    const std::int64_t edit = EditHandle(IDC_TONE_SHIFT_EDIT);
    EXPECT_EQ(SentToSpins(), (std::vector<Sent>{{2000, kRangeMessage, -127, 127},
                                                {2000, kValueMessage, 0, 0},
                                                {2000, kAttachMessage, static_cast<std::int32_t>(edit), 0}}));
    ExpectSpinAt(2000, {135, 15}, 16, 16);
    EXPECT_EQ(Item(2001), nullptr);

    const struct {
        const char* from;
        bool up;
        const char* to;
    } steps[] = {{"", true, "1"} /* no number: from the control's own value */,
                 {"5", true, "6"},
                 {"-3", false, "-4"},
                 {"126", true, "127"},
                 {"127", true, "127"},
                 {"-127", false, "-127"},
                 {"500", false, "127"} /* from outside: the nearest end */,
                 {"ー３", true, "-2"}};
    for (const auto& s : steps) EXPECT_EQ(Step(2000, IDC_TONE_SHIFT_EDIT, s.from, s.up), s.to) << s.from << " " << s.up;
}

TEST_F(DialogSpinsTest, VolumeSpinsOneATrackAnsweredByTheDialog) {
    ASSERT_NE(Open(IDD_VOLUME, VolumeDialogProc), nullptr);
    std::vector<Sent> expected;
    for (int i = 0; i < kTrackCount; ++i) {
        expected.push_back({2000 + i, kRangeMessage, 0, 200});
        expected.push_back({2000 + i, kValueMessage, 100, 100});
        expected.push_back({2000 + i, kAttachMessage, 0, EditHandle(i == 0 ? 1009 : 1032 + i)});
    }
    EXPECT_EQ(SentToSpins(), expected);
    for (int i = 0; i < kTrackCount; ++i) ExpectSpinAt(2000 + i, {150 + 272 * (i / 8), 24 + 22 * (i % 8)}, 15, 15);
    EXPECT_EQ(Item(2016), nullptr);

    // Spin 2009 belongs to track 10, whose edit is 1041.
    const struct {
        const char* from;
        bool up;
        const char* to;
    } steps[] = {{"50", true, "51"},
                 {"50", false, "49"},
                 {"199", true, "200"},
                 {"200", true, "200"},
                 {"1", false, "0"},
                 {"0", false, "0"},
                 {"", true, "1"},
                 // The number the user sees; without one, the control's own value.
                 {"x", true, "2"},
                 {"5 ", true, "6"},
                 {"12x", false, "11"},
                 {"250", false, "200"}};
    for (const auto& s : steps) EXPECT_EQ(Step(2009, 1041, s.from, s.up), s.to) << s.from << " " << s.up;
    EXPECT_EQ(Text(1009), "100") << "track 1 untouched";
}

TEST_F(DialogSpinsTest, InstrumentSpinsStartAtEachTracksInstrument) {
    for (int track = 1; track <= kTrackCount; ++track)
        conversionSettings.instrument[track - 1] = static_cast<std::uint8_t>(track * 8);
    ASSERT_NE(Open(IDD_INSTRUMENT, InstrumentDialogProc), nullptr);
    const int rows[kTrackCount] = {30, 53, 76, 99, 120, 143, 166, 189, 210, 233, 256, 279, 300, 323, 346, 369};
    std::vector<Sent> expected;
    for (int i = 0; i < kTrackCount; ++i) {
        expected.push_back({2000 + i, kRangeMessage, 0, 128});
        expected.push_back({2000 + i, kValueMessage, (i + 1) * 8, 0});
        expected.push_back({2000 + i, kAttachMessage, 0, EditHandle(1053 + i)});
    }
    EXPECT_EQ(SentToSpins(), expected);
    for (int i = 0; i < kTrackCount; ++i) ExpectSpinAt(2000 + i, {140, rows[i]}, 15, 15);

    // Spin 2011 steps track 12's edit (1064) and makes it the target of a double-clicked name.
    const struct {
        const char* from;
        bool up;
        const char* to;
    } steps[] = {{"40", true, "41"}, {"127", true, "128"}, {"128", true, "128"},
                 {"0", false, "0"},  {"5 ", true, "6"},    {"12x", true, "13"}};
    for (const auto& s : steps) EXPECT_EQ(Step(2011, 1064, s.from, s.up), s.to) << s.from << " " << s.up;
    // Leaving the dialog and coming back brings the focus back to the stepped edit, not to track 1.
    SetActiveWindow(main_);
    SetActiveWindow(dialog_);
    PumpPending();
    SendDlgItemMessageA(dialog_, IDC_INSTRUMENT_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
    const int last = static_cast<int>(SendDlgItemMessageA(dialog_, IDC_INSTRUMENT_LIST, LB_GETCOUNT, 0, 0)) - 1;
    SendDlgItemMessageA(dialog_, IDC_INSTRUMENT_LIST, LB_SETCURSEL, static_cast<WPARAM>(last), 0);
    Notify(IDC_INSTRUMENT_LIST, LBN_DBLCLK);
    EXPECT_EQ(Text(1064), std::to_string(last));
}

TEST_F(DialogSpinsTest, TempoSpinAnsweredByTheDialog) {
    ASSERT_NE(Open(IDD_TEMPO, TempoDialogProc), nullptr);
    EXPECT_EQ(SentToSpins(), (std::vector<Sent>{{2000, kRangeMessage, 20, 250},
                                                {2000, kValueMessage, 200, 0},
                                                {2000, kAttachMessage, 0, EditHandle(IDC_TEMPO_EDIT)}}));
    ExpectSpinAt(2000, {160, 20}, 15, 15);

    const struct {
        const char* from;
        bool up;
        const char* to;
    } steps[] = {{"100", true, "101"},  {"100", false, "99"}, {"249", true, "250"}, {"250", true, "250"},
                 {"21", false, "20"},   {"20", false, "20"},  {"5", true, "20"},    {"1", false, "1"},
                 {"100 ", true, "101"}, {"abc", true, "102"} /* no number: the control's own value */};
    for (const auto& s : steps) EXPECT_EQ(Step(2000, IDC_TEMPO_EDIT, s.from, s.up), s.to) << s.from << " " << s.up;
    EXPECT_EQ(conversionSettings.tempoPercent, 100) << "nothing stored before OK";
}

// In every dialog a press on an arrow puts the focus in the edit it steps, and Up, Down and the
// wheel there step the number as the arrows do.
TEST_F(DialogSpinsTest, ArrowKeysAndWheelInTheEditStepIt) {
    const struct {
        const char* dialog;
        int templateId;
        DLGPROC procedure;
        int spin;
        int edit;
    } dialogs[] = {
        {"tone", IDD_TONE, ToneDialogProc, 2000, IDC_TONE_SHIFT_EDIT},
        {"volume", IDD_VOLUME, VolumeDialogProc, 2009, 1041},
        {"instrument", IDD_INSTRUMENT, InstrumentDialogProc, 2011, 1064},
        {"tempo", IDD_TEMPO, TempoDialogProc, 2000, IDC_TEMPO_EDIT},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.dialog);
        ASSERT_NE(Open(d.templateId, d.procedure), nullptr);
        SetForegroundWindow(dialog_);
        SetFocus(Item(IDC_APPLY_BUTTON));
        FocusRecorder focus;
        EXPECT_EQ(Step(d.spin, d.edit, "40", true), "41");
        EXPECT_EQ(focus.Last(), Item(d.edit)) << "focus after a press on an arrow";

        HWND edit = Item(d.edit);
        const struct {
            UINT message;
            WPARAM wParam;
            const char* to;
        } inputs[] = {
            {WM_KEYDOWN, VK_UP, "42"},
            {WM_KEYDOWN, VK_DOWN, "41"},
            {WM_KEYDOWN, VK_DOWN, "40"},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), "41"},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)), "39"},
            {WM_KEYDOWN, VK_LEFT, "39"},  // other keys stay the edit's
        };
        for (const auto& input : inputs) {
            SendMessageA(edit, input.message, input.wParam, 0);
            EXPECT_EQ(Text(d.edit), input.to) << input.message << " " << input.wParam;
        }
        SetText(d.edit, "999");  // outside every range: an arrow never moves it back
        SendMessageA(edit, WM_KEYDOWN, VK_UP, 0);
        EXPECT_EQ(Text(d.edit), "999");
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

}  // namespace
