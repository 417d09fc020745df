// The spin control of our rfk32.dll, loaded from the build by path and driven with the messages a
// parent and the mouse send. A test parent records every notification the control sends it.
#include "canvas.h"
#include "spin/spin_contract.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Notification {
    WORD code;
    WORD id;
    int32_t value;  // code 10: the value preset in the integer asked about; 11 and 12: lParam
    bool operator==(const Notification&) const = default;
};

void PrintTo(const Notification& n, std::ostream* out) {
    *out << "{" << n.code << ", " << n.id << ", " << n.value << "}";
}

using Notifications = std::vector<Notification>;

// What the test parent saw and how it answers.
Notifications received;
std::optional<int32_t> answerToAsk;  // written through the code-10 address when set
bool destroySpinOnAsk = false;

LRESULT CALLBACK RecordingParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kSpinNotifyMessage) return DefWindowProcA(window, message, wParam, lParam);
    Notification seen{LOWORD(wParam), HIWORD(wParam), static_cast<int32_t>(lParam)};
    if (seen.code == kSpinAskValueCode) {
        auto* standing = reinterpret_cast<int32_t*>(lParam);
        seen.value = *standing;
        if (answerToAsk) *standing = *answerToAsk;
        if (destroySpinOnAsk) DestroyWindow(GetDlgItem(window, seen.id));
    }
    received.push_back(seen);
    return 0;
}

// The library files sit at fixed places in the build folder; this program is in tests/win.
std::string BuildFile(const char* relative) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.resize(folder.find_last_of('\\') + 1);
    return folder + "..\\..\\" + relative;
}

template <typename Function>
Function Export(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

enum class Arrow { Up, Down };

constexpr int kSpinId = 2000;

class SpinControlTest : public testing::Test {
protected:
    void SetUp() override {
        received.clear();
        answerToAsk.reset();
        destroySpinOnAsk = false;
        library = LoadLibraryA(BuildFile("bin\\rfk32.dll").c_str());
        ASSERT_NE(library, nullptr) << "rfk32.dll not built";
        createSpin = Export<CreateRFK32Function>(library, "CreateRFK32");
        getVersion = Export<GetRFK32VersionFunction>(library, "GetRFK32Version");
        ASSERT_NE(createSpin, nullptr);
        ASSERT_NE(getVersion, nullptr);

        WNDCLASSA parentClass{};
        parentClass.lpfnWndProc = RecordingParentProc;
        parentClass.hInstance = GetModuleHandleA(nullptr);
        parentClass.lpszClassName = "SpinTestParent";
        RegisterClassA(&parentClass);
        parent = CreateWindowExA(0, "SpinTestParent", "spin test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE, 80, 15, 50, 20, parent, nullptr,
                               nullptr, nullptr);
    }

    void TearDown() override {
        if (parent != nullptr) DestroyWindow(parent);
        UnregisterClassA("SpinTestParent", GetModuleHandleA(nullptr));
        if (library != nullptr) FreeLibrary(library);
    }

    HWND CreateSpin(int width = 15, int height = 15) {
        return createSpin(parent, kSpinId, WS_CHILD | WS_VISIBLE, 135, 15, width, height, 0, 0);
    }

    // A control as a dialog sets it up: range first, then the value.
    HWND CreateSpin(int32_t minimum, int32_t maximum, int32_t value) {
        HWND spin = CreateSpin();
        SendMessageA(spin, kSpinSetRangeMessage, static_cast<WPARAM>(minimum), maximum);
        SendMessageA(spin, kSpinSetValueMessage, static_cast<WPARAM>(value), 0);
        return spin;
    }

    std::string EditText() const {
        char text[64] = "";
        GetWindowTextA(edit, text, sizeof text);
        return text;
    }

    HMODULE library = nullptr;
    CreateRFK32Function createSpin = nullptr;
    GetRFK32VersionFunction getVersion = nullptr;
    HWND parent = nullptr;
    HWND edit = nullptr;
};

LPARAM ArrowPoint(HWND spin, Arrow arrow) {
    RECT client{};
    GetClientRect(spin, &client);
    return MAKELPARAM(client.right / 2, arrow == Arrow::Up ? 1 : client.bottom - 2);
}

void Press(HWND spin, Arrow arrow) { SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, ArrowPoint(spin, arrow)); }

void Release(HWND spin, Arrow arrow) { SendMessageA(spin, WM_LBUTTONUP, 0, ArrowPoint(spin, arrow)); }

void Click(HWND spin, Arrow arrow) {
    Press(spin, arrow);
    Release(spin, arrow);
}

// Runs the message loop until the condition holds or the time is up; says whether it held.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= milliseconds) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - spent, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    return true;
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

size_t CountSteps(WORD code) {
    return std::count_if(received.begin(), received.end(), [code](const Notification& n) { return n.code == code; });
}

TEST_F(SpinControlTest, ReportsVersion20Hexadecimal) { EXPECT_EQ(getVersion(), 0x20u); }

TEST_F(SpinControlTest, CreatesAChildAtTheGivenPlaceWithTheGivenId) {
    HWND spin = createSpin(parent, 2007, 0x50000000, 135, 15, 16, 16, 0, 0);
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(GetParent(spin), parent);
    EXPECT_EQ(GetDlgCtrlID(spin), 2007);
    EXPECT_EQ(GetWindowLongA(spin, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    RECT place{};
    GetWindowRect(spin, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, 135);
    EXPECT_EQ(place.top, 15);
    EXPECT_EQ(place.right - place.left, 16);
    EXPECT_EQ(place.bottom - place.top, 16);
}

TEST_F(SpinControlTest, ClicksAskTheParentThenReportTheNewValue) {
    HWND spin = CreateSpin(0, 200, 100);
    Click(spin, Arrow::Up);
    EXPECT_EQ(received, (Notifications{{10, kSpinId, 100}, {11, kSpinId, 101}}));
    received.clear();
    Click(spin, Arrow::Down);
    Click(spin, Arrow::Down);
    EXPECT_EQ(received, (Notifications{{10, kSpinId, 101}, {12, kSpinId, 100}, {10, kSpinId, 100}, {12, kSpinId, 99}}));
}

struct RangeCase {
    const char* name;
    WPARAM minimum;
    LPARAM maximum;
    WPARAM value;
    Arrow arrow;
    Notifications expected;
};

TEST_F(SpinControlTest, StaysInsideItsRange) {
    const RangeCase cases[] = {
        {"up at the maximum", 0, 200, 200, Arrow::Up, {{10, kSpinId, 200}}},
        {"down at the minimum", 0, 200, 0, Arrow::Down, {{10, kSpinId, 0}}},
        {"value above the range", 20, 250, 300, Arrow::Up, {{10, kSpinId, 250}}},
        {"value below the range", 20, 250, 1, Arrow::Down, {{10, kSpinId, 20}}},
        {"negative minimum",
         static_cast<WPARAM>(-127),
         127,
         static_cast<WPARAM>(-126),
         Arrow::Down,
         {{10, kSpinId, -126}, {12, kSpinId, -127}}},
        {"negative minimum in 32 bits",
         static_cast<UINT>(-127),
         127,
         static_cast<UINT>(-127),
         Arrow::Up,
         {{10, kSpinId, -127}, {11, kSpinId, -126}}},
        {"range given backwards", 200, 0, 200, Arrow::Up, {{10, kSpinId, 200}}},
        {"range of one value", 5, 5, 5, Arrow::Down, {{10, kSpinId, 5}}},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        received.clear();
        HWND spin = CreateSpin();
        SendMessageA(spin, kSpinSetRangeMessage, c.minimum, c.maximum);
        SendMessageA(spin, kSpinSetValueMessage, c.value, 0);
        Click(spin, c.arrow);
        EXPECT_EQ(received, c.expected);
        DestroyWindow(spin);
    }
}

TEST_F(SpinControlTest, NarrowerRangeClampsTheValueAlreadySet) {
    HWND spin = CreateSpin(0, 200, 180);
    SendMessageA(spin, kSpinSetRangeMessage, 20, 50);
    Click(spin, Arrow::Down);
    EXPECT_EQ(received, (Notifications{{10, kSpinId, 50}, {12, kSpinId, 49}}));
}

struct EditCase {
    const char* name;
    bool handleInFirstParameter;
    const char* text;
    int32_t value;
    Arrow arrow;
    Notifications expected;
    const char* textAfter;
};

TEST_F(SpinControlTest, StepsTheAttachedEdit) {
    const EditCase cases[] = {
        {"handle in wParam", true, "5", 0, Arrow::Up, {{10, kSpinId, 5}, {11, kSpinId, 6}}, "6"},
        {"handle in lParam", false, "5", 0, Arrow::Down, {{10, kSpinId, 5}, {12, kSpinId, 4}}, "4"},
        {"negative number", true, "-5", 0, Arrow::Up, {{10, kSpinId, -5}, {11, kSpinId, -4}}, "-4"},
        {"sign and blanks", false, " +12x", 0, Arrow::Up, {{10, kSpinId, 12}, {11, kSpinId, 13}}, "13"},
        {"no number: own value", true, "abc", 7, Arrow::Up, {{10, kSpinId, 7}, {11, kSpinId, 8}}, "8"},
        {"empty: own value", true, "", 0, Arrow::Down, {{10, kSpinId, 0}, {12, kSpinId, -1}}, "-1"},
        {"beyond the range, up: never back", true, "500", 0, Arrow::Up, {{10, kSpinId, 500}}, "500"},
        {"at the end of the range", false, "127", 0, Arrow::Up, {{10, kSpinId, 127}}, "127"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        received.clear();
        HWND spin = CreateSpin(-127, 127, c.value);
        SetWindowTextA(edit, c.text);
        const auto handle = reinterpret_cast<INT_PTR>(edit);
        SendMessageA(spin, kSpinAttachEditMessage, c.handleInFirstParameter ? handle : 0,
                     c.handleInFirstParameter ? 0 : handle);
        Click(spin, c.arrow);
        EXPECT_EQ(received, c.expected);
        EXPECT_EQ(EditText(), c.textAfter);
        DestroyWindow(spin);
    }
}

TEST_F(SpinControlTest, PressingAnArrowFocusesTheAttachedEditOnly) {
    HWND other =
        CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 15, 50, 20, parent, nullptr, nullptr, nullptr);
    HWND spin = CreateSpin(0, 200, 100);
    SetFocus(other);
    FocusRecorder focus;
    Click(spin, Arrow::Up);
    EXPECT_EQ(focus.Received(), std::vector<HWND>{}) << "no edit attached: the focus stays";
    SendMessageA(spin, kSpinAttachEditMessage, reinterpret_cast<WPARAM>(edit), 0);
    Click(spin, Arrow::Up);
    EXPECT_EQ(focus.Last(), edit);
}

TEST_F(SpinControlTest, SettingTheValueLeavesTheEditAlone) {
    // The dialogs fill their edits themselves and only then hand the control its value.
    SetWindowTextA(edit, "9");
    HWND spin = CreateSpin(-127, 127, 0);
    SendMessageA(spin, kSpinAttachEditMessage, reinterpret_cast<WPARAM>(edit), 0);
    SendMessageA(spin, kSpinSetValueMessage, 42, 0);
    EXPECT_EQ(EditText(), "9");
    EXPECT_TRUE(received.empty());
}

TEST_F(SpinControlTest, DetachedEditIsNeitherReadNorWritten) {
    HWND spin = CreateSpin(0, 200, 100);
    SendMessageA(spin, kSpinAttachEditMessage, reinterpret_cast<WPARAM>(edit), 0);
    SendMessageA(spin, kSpinAttachEditMessage, 0, 0);
    SetWindowTextA(edit, "5");
    Click(spin, Arrow::Up);
    EXPECT_EQ(received, (Notifications{{10, kSpinId, 100}, {11, kSpinId, 101}}));
    EXPECT_EQ(EditText(), "5");
}

struct AnswerCase {
    const char* name;
    int32_t answer;
    Arrow arrow;
    Notifications expected;
};

TEST_F(SpinControlTest, StepStartsFromTheParentsAnswer) {
    // The tempo dialog's set-up: 20 to 250, first value 200, the dialog answers from its edit.
    const AnswerCase cases[] = {
        {"inside the range", 42, Arrow::Up, {{10, kSpinId, 200}, {11, kSpinId, 43}}},
        {"above the range, down: to the bound", 1000, Arrow::Down, {{10, kSpinId, 200}, {12, kSpinId, 250}}},
        {"above the range, up: never back", 1000, Arrow::Up, {{10, kSpinId, 200}}},
        {"below the range, up: to the bound", 5, Arrow::Up, {{10, kSpinId, 200}, {11, kSpinId, 20}}},
        {"at the maximum", 250, Arrow::Up, {{10, kSpinId, 200}}},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        received.clear();
        HWND spin = CreateSpin(20, 250, 200);
        answerToAsk = c.answer;
        Click(spin, c.arrow);
        EXPECT_EQ(received, c.expected);
        DestroyWindow(spin);
    }
}

TEST_F(SpinControlTest, ParentsAnswerOutweighsTheEdit) {
    HWND spin = CreateSpin(0, 128, 0);
    SendMessageA(spin, kSpinAttachEditMessage, 0, reinterpret_cast<LPARAM>(edit));
    SetWindowTextA(edit, "5");
    answerToAsk = 60;
    Click(spin, Arrow::Up);
    EXPECT_EQ(received, (Notifications{{10, kSpinId, 5}, {11, kSpinId, 61}}));
    EXPECT_EQ(EditText(), "61");
    received.clear();
    answerToAsk.reset();
    Click(spin, Arrow::Up);  // the next step starts from the edit again
    EXPECT_EQ(received, (Notifications{{10, kSpinId, 61}, {11, kSpinId, 62}}));
}

TEST_F(SpinControlTest, ParentMayDestroyTheControlWhileAnswering) {
    HWND spin = CreateSpin(0, 200, 100);
    destroySpinOnAsk = true;
    Click(spin, Arrow::Up);
    EXPECT_FALSE(IsWindow(spin));
    EXPECT_EQ(received, (Notifications{{10, kSpinId, 100}}));
}

TEST_F(SpinControlTest, HeldArrowRepeatsUntilReleased) {
    HWND spin = CreateSpin(0, 200, 100);
    Press(spin, Arrow::Up);
    ASSERT_TRUE(PumpUntil([] { return CountSteps(kSpinSteppedUpCode) >= 4; }, 5000)) << "no repeat while held";
    Release(spin, Arrow::Up);
    Notifications expected;
    for (int32_t value = 100; value < 104; ++value) {
        expected.push_back({10, kSpinId, value});
        expected.push_back({11, kSpinId, value + 1});
    }
    EXPECT_EQ(Notifications(received.begin(), received.begin() + 8), expected);

    received.clear();
    PumpFor(700);
    EXPECT_TRUE(received.empty()) << "still repeating after the button went up";
}

TEST_F(SpinControlTest, RepeatPausesWhileTheMouseIsOffTheArrow) {
    HWND spin = CreateSpin(0, 200, 100);
    Press(spin, Arrow::Down);
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(7, 40));
    received.clear();
    PumpFor(700);
    EXPECT_TRUE(received.empty()) << "stepped with the mouse away from the arrow";
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, ArrowPoint(spin, Arrow::Down));
    EXPECT_TRUE(PumpUntil([] { return CountSteps(kSpinSteppedDownCode) >= 1; }, 5000)) << "no repeat on return";
    Release(spin, Arrow::Down);
}

struct WheelCase {
    const char* name;
    std::vector<short> deltas;
    Notifications expected;
};

TEST_F(SpinControlTest, WheelStepsOncePerNotch) {
    const WheelCase cases[] = {
        {"one notch up", {WHEEL_DELTA}, {{10, kSpinId, 100}, {11, kSpinId, 101}}},
        {"two notches down",
         {-2 * WHEEL_DELTA},
         {{10, kSpinId, 100}, {12, kSpinId, 99}, {10, kSpinId, 99}, {12, kSpinId, 98}}},
        {"two half notches", {WHEEL_DELTA / 2, WHEEL_DELTA / 2}, {{10, kSpinId, 100}, {11, kSpinId, 101}}},
        {"half notches that cancel", {WHEEL_DELTA / 2, -WHEEL_DELTA / 2, WHEEL_DELTA / 2}, {}},
    };
    for (const WheelCase& c : cases) {
        SCOPED_TRACE(c.name);
        received.clear();
        HWND spin = CreateSpin(0, 200, 100);
        for (short delta : c.deltas) SendMessageA(spin, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(150, 30));
        EXPECT_EQ(received, c.expected);
        DestroyWindow(spin);
    }
}

// The attached edit passes Up, Down and the wheel to its control, which steps as for its arrows;
// once detached, destroyed or taken over by another edit, the keys are the edit's own again.
TEST_F(SpinControlTest, AttachedEditStepsFromItsArrowKeysAndWheel) {
    HWND other =
        CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 15, 50, 20, parent, nullptr, nullptr, nullptr);
    const LONG_PTR editsOwnProcedure = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    HWND spin = CreateSpin(0, 200, 100);
    SendMessageA(spin, kSpinAttachEditMessage, reinterpret_cast<WPARAM>(edit), 0);
    SetWindowTextA(edit, "7");
    const struct {
        HWND to;
        UINT message;
        WPARAM wParam;
        Notifications expected;
    } inputs[] = {
        {edit, WM_KEYDOWN, VK_UP, {{10, kSpinId, 7}, {11, kSpinId, 8}}},
        {edit, WM_KEYDOWN, VK_DOWN, {{10, kSpinId, 8}, {12, kSpinId, 7}}},
        {edit, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), {{10, kSpinId, 7}, {11, kSpinId, 8}}},
        {edit, WM_KEYDOWN, VK_RIGHT, {}},
        {other, WM_KEYDOWN, VK_UP, {}},
        {other, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), {}},
    };
    for (const auto& input : inputs) {
        SCOPED_TRACE(testing::Message() << (input.to == edit ? "attached " : "other ") << input.message << " "
                                        << input.wParam);
        received.clear();
        SendMessageA(input.to, input.message, input.wParam, 0);
        EXPECT_EQ(received, input.expected);
    }
    EXPECT_EQ(EditText(), "8");

    EnableWindow(spin, FALSE);
    received.clear();
    SendMessageA(edit, WM_KEYDOWN, VK_UP, 0);
    EXPECT_TRUE(received.empty()) << "disabled control";
    EnableWindow(spin, TRUE);

    SendMessageA(spin, kSpinAttachEditMessage, reinterpret_cast<WPARAM>(other), 0);
    received.clear();
    SendMessageA(edit, WM_KEYDOWN, VK_UP, 0);
    EXPECT_TRUE(received.empty()) << "another edit attached";
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), editsOwnProcedure);
    SendMessageA(other, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(received.size(), 2u) << "the edit attached now";

    DestroyWindow(spin);
    received.clear();
    SendMessageA(other, WM_KEYDOWN, VK_UP, 0);
    EXPECT_TRUE(received.empty()) << "control destroyed";
}

TEST_F(SpinControlTest, DisabledControlDoesNotStep) {
    HWND spin = CreateSpin(0, 200, 100);
    EnableWindow(spin, FALSE);
    Click(spin, Arrow::Up);
    SendMessageA(spin, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(150, 30));
    EXPECT_TRUE(received.empty());
}

// Pixels of a width × height picture, drawn by the given painter on black.
template <typename Painter>
std::vector<std::uint32_t> Picture(int width, int height, Painter paint) {
    const Canvas canvas(width, height, RGB(0, 0, 0));
    paint(canvas.Dc());
    return canvas.Pixels();
}

std::vector<std::uint32_t> SystemArrows(int width, int height, UINT upLook, UINT downLook) {
    return Picture(width, height, [&](HDC dc) {
        RECT up{0, 0, width, height / 2};
        RECT down{0, height / 2, width, height};
        DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP | upLook);
        DrawFrameControl(dc, &down, DFC_SCROLL, DFCS_SCROLLDOWN | downLook);
    });
}

std::vector<std::uint32_t> ControlPicture(HWND spin, int width, int height) {
    return Picture(width, height,
                   [&](HDC dc) { SendMessageA(spin, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT); });
}

TEST_F(SpinControlTest, DrawsSystemArrowsPressedWhileHeld) {
    HWND spin = CreateSpin(16, 16);
    SendMessageA(spin, kSpinSetRangeMessage, 0, 200);
    EXPECT_EQ(ControlPicture(spin, 16, 16), SystemArrows(16, 16, 0, 0)) << "at rest";
    Press(spin, Arrow::Up);
    EXPECT_EQ(ControlPicture(spin, 16, 16), SystemArrows(16, 16, DFCS_PUSHED, 0)) << "up held";
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(8, 40));
    EXPECT_EQ(ControlPicture(spin, 16, 16), SystemArrows(16, 16, 0, 0)) << "mouse moved away";
    Release(spin, Arrow::Up);
    Press(spin, Arrow::Down);
    EXPECT_EQ(ControlPicture(spin, 16, 16), SystemArrows(16, 16, 0, DFCS_PUSHED)) << "down held";
    Release(spin, Arrow::Down);
    EXPECT_EQ(ControlPicture(spin, 16, 16), SystemArrows(16, 16, 0, 0)) << "released";
    EnableWindow(spin, FALSE);
    EXPECT_EQ(ControlPicture(spin, 16, 16), SystemArrows(16, 16, DFCS_INACTIVE, DFCS_INACTIVE)) << "disabled";
}

struct TestLibraryCase {
    const char* folder;
    bool hasCreate;
    bool hasVersion;
    UINT version;
};

// The stand-ins the add-on binding is tested with must differ from the real library exactly so.
TEST(SpinTestLibraries, ExportWhatTheirCaseNeeds) {
    const TestLibraryCase cases[] = {
        {"tests\\dlls\\no_version\\rfk32.dll", true, false, 0},
        {"tests\\dlls\\no_create\\rfk32.dll", false, true, 0x20},
        {"tests\\dlls\\version_13\\rfk32.dll", true, true, 0x13},
        {"tests\\dlls\\version_14\\rfk32.dll", true, true, 0x14},
        {"tests\\dlls\\version_0\\rfk32.dll", true, true, 0},
    };
    for (const TestLibraryCase& c : cases) {
        SCOPED_TRACE(c.folder);
        HMODULE library = LoadLibraryA(BuildFile(c.folder).c_str());
        ASSERT_NE(library, nullptr);
        const auto create = Export<CreateRFK32Function>(library, "CreateRFK32");
        const auto version = Export<GetRFK32VersionFunction>(library, "GetRFK32Version");
        EXPECT_EQ(create != nullptr, c.hasCreate);
        EXPECT_EQ(version != nullptr, c.hasVersion);
        if (version != nullptr) {
            EXPECT_EQ(version(), c.version);
        }
        FreeLibrary(library);
    }
}

}  // namespace
