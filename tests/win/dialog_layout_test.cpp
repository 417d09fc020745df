// Every settings dialog, with and without the add-on's spin controls, the about box and the main
// window (at 96 and at 144 DPI): each control is visible, lies inside the dialog, does not cover
// another control, and shows its whole text in the dialog's font. With KADENZO_SCREENS set to a folder (a Unix path), each dialog is also saved
// there as a picture of the screen around it (tools/dialog-screenshots.sh).
#include "dialog_fixture.h"
#include "res/resource.h"
#include "settings/instrument_list.h"
#include "app/about_box.h"
#include "settings/settings_dialogs.h"
#include "ui/code_page.h"
#include "ui/window_dpi.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>

namespace {

struct LayoutCase {
    const char* name;
    int templateId;
    DLGPROC procedure;
    bool withAddOn;
    std::vector<int> spunEdits;  // with the add-on: the edit beside spin control 2000 + i
};

const std::vector<int> kVolumeEdits{IDC_VOLUME_EDIT_1,  IDC_VOLUME_EDIT_2,  IDC_VOLUME_EDIT_3,  IDC_VOLUME_EDIT_4,
                                    IDC_VOLUME_EDIT_5,  IDC_VOLUME_EDIT_6,  IDC_VOLUME_EDIT_7,  IDC_VOLUME_EDIT_8,
                                    IDC_VOLUME_EDIT_9,  IDC_VOLUME_EDIT_10, IDC_VOLUME_EDIT_11, IDC_VOLUME_EDIT_12,
                                    IDC_VOLUME_EDIT_13, IDC_VOLUME_EDIT_14, IDC_VOLUME_EDIT_15, IDC_VOLUME_EDIT_16};

std::vector<int> InstrumentEdits() {
    std::vector<int> edits;
    for (int track = 1; track <= kTrackCount; ++track) edits.push_back(IDC_INSTRUMENT_EDIT_1 + track - 1);
    return edits;
}

void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsGroupBox(HWND control) {
    return ClassOf(control) == "Button" && (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool IsCheckBox(HWND control) {
    const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    return ClassOf(control) == "Button" && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX);
}

std::vector<HWND> ChildrenOf(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

RECT PlaceInDialog(HWND dialog, HWND control) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

std::string Describe(HWND control) {
    return ClassOf(control) + " " + std::to_string(GetDlgCtrlID(control)) + " \"" + WindowText(control) + "\"";
}

// The room a control's text takes in the control's font: every line, not wrapped.
SIZE TextExtent(HWND control) {
    const std::string text = WindowText(control);
    HDC dc = GetDC(control);
    HGDIOBJ before = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT room{0, 0, 0, 0};
    const std::wstring wide = Widen932(text);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &room, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, before);
    ReleaseDC(control, dc);
    return {room.right, room.bottom};
}

// The width a control has for its text: a check box gives some to its box, a group box to its frame.
int RoomForText(HWND control) {
    RECT client{};
    GetClientRect(control, &client);
    if (IsCheckBox(control)) return client.right - GetSystemMetrics(SM_CXMENUCHECK) - 4;
    if (IsGroupBox(control)) return client.right - 16;
    if (ClassOf(control) == "Button") return client.right - 6;
    return client.right;
}

// An icon's static holds the icon's name, which it never shows.
bool HasText(HWND control) {
    const std::string kind = ClassOf(control);
    const bool icon = kind == "Static" && (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    return (kind == "Static" || kind == "Button") && !icon && !WindowText(control).empty();
}

// The screen around the dialog as a PNG, by ImageMagick run as a Unix program.
void SaveScreen(HWND dialog, const std::string& folder, const std::string& name) {
    RECT place{};
    GetWindowRect(dialog, &place);
    const int margin = 8;
    const std::string command =
        "/usr/bin/import -window root -crop " + std::to_string(place.right - place.left + 2 * margin) + "x" +
        std::to_string(place.bottom - place.top + 2 * margin) + "+" + std::to_string(place.left - margin) + "+" +
        std::to_string(place.top - margin) + " +repage " + folder + "/" + name + ".png";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = command;
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        << command;
    WaitForSingleObject(process.hProcess, 20000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

class DialogLayoutTest : public DialogTest, public testing::WithParamInterface<LayoutCase> {
protected:
    void ExpectTidyLayout(const LayoutCase& c);
    // A move to a screen of `dpi`, as the system reports it.
    void MoveToScreenOf(int dpi) {
        RECT suggested{};
        GetWindowRect(dialog_, &suggested);
        SendMessageW(dialog_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        PumpPending();
    }
};

TEST_P(DialogLayoutTest, EveryControlVisibleInsideAndUncovered) {
    const LayoutCase& c = GetParam();
    const char* dpi = std::getenv("KADENZO_DPI");
    ASSERT_EQ(ScreenDpi(), dpi ? std::atoi(dpi) : 96) << "the prefix's LogPixels";
    if (c.templateId == IDD_MAIN_WINDOW) std::swap(dialog_, main_);  // the program's own; torn down once
    if (c.withAddOn)
        BindAddOnFrom(kRealAddOnFolder);
    else
        ASSERT_FALSE(AddOnOffersSpin());
    if (!dialog_) {
        ASSERT_NE(Open(c.templateId, c.procedure), nullptr);
    }
    if (c.templateId == IDD_INSTRUMENT) {
        // The list as the program fills it from the file beside it (this program has none).
        SendMessageA(Item(IDC_INSTRUMENT_LIST), LB_RESETCONTENT, 0, 0);
        LoadInstrumentNamesFrom(Item(IDC_INSTRUMENT_LIST), BesideProgram("..\\..\\bin\\Instrmnt.txt").c_str());
    }
    PumpPending();
    ExpectTidyLayout(c);
    if (const char* folder = std::getenv("KADENZO_SCREENS")) {
        SaveScreen(dialog_, folder, std::string(c.name));
    }

    // Moved to screens of the other scales and back: the dialog is rescaled (Wine's processes are
    // per-monitor v1, where the dialog does it itself), its font, controls and spin controls with it.
    const auto font = [this] {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog_, WM_GETFONT, 0, 0)), sizeof font, &font);
        return std::abs(font.lfHeight);
    };
    const int fontHere = font();
    for (const int to : {96, 144, 192, ScreenDpi()}) {
        SCOPED_TRACE(testing::Message() << "moved to " << to << " DPI");
        MoveToScreenOf(to);
        EXPECT_NEAR(font(), MulDiv(fontHere, to, ScreenDpi()), 1);
        ExpectTidyLayout(c);
    }
}

void DialogLayoutTest::ExpectTidyLayout(const LayoutCase& c) {
    RECT client{};
    GetClientRect(dialog_, &client);
    const std::vector<HWND> controls = ChildrenOf(dialog_);
    int spins = 0;
    for (HWND control : controls) {
        const RECT place = PlaceInDialog(dialog_, control);
        if (GetDlgCtrlID(control) >= IDC_ADDON_SPIN_FIRST) ++spins;
        EXPECT_TRUE(IsWindowVisible(control)) << Describe(control);
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= client.right && place.bottom <= client.bottom)
            << Describe(control) << " at " << place.left << "," << place.top << "-" << place.right << ","
            << place.bottom;
        if (HasText(control)) {
            const SIZE text = TextExtent(control);
            EXPECT_LE(text.cx, RoomForText(control)) << Describe(control);
            EXPECT_LE(text.cy, place.bottom - place.top) << Describe(control);
        }
    }
    EXPECT_EQ(spins, c.withAddOn ? static_cast<int>(c.spunEdits.size()) : 0);
    if (c.templateId == IDD_ABOUT) {
        // The icon fills its place at the box's scale.
        HWND icon = GetWindow(dialog_, GW_CHILD);
        ICONINFO picture{};
        BITMAP bits{};
        GetIconInfo(reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)), &picture);
        GetObjectA(picture.hbmColor, sizeof bits, &bits);
        DeleteObject(picture.hbmColor);
        DeleteObject(picture.hbmMask);
        RECT place{};
        GetClientRect(icon, &place);
        EXPECT_EQ(bits.bmHeight, std::min(place.right, place.bottom));
    }

    // Each spin control stands to the right of its own edit, level with it.
    for (size_t i = 0; c.withAddOn && i < c.spunEdits.size(); ++i) {
        HWND spin = Item(IDC_ADDON_SPIN_FIRST + static_cast<int>(i));
        ASSERT_NE(spin, nullptr) << i;
        const RECT spinPlace = PlaceInDialog(dialog_, spin);
        const RECT editPlace = PlaceInDialog(dialog_, Item(c.spunEdits[i]));
        const int middle = (spinPlace.top + spinPlace.bottom) / 2;
        EXPECT_GE(spinPlace.left, editPlace.right) << "spin " << i;
        EXPECT_LE(spinPlace.left - editPlace.right, 20 * WindowDpi(dialog_) / 96) << "spin " << i;
        EXPECT_TRUE(middle > editPlace.top && middle < editPlace.bottom)
            << "spin " << i << " middle " << middle << ", edit " << editPlace.top << ".." << editPlace.bottom;
    }

    // A group box holds a control whole or not at all; other controls never meet.
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const RECT a = PlaceInDialog(dialog_, controls[i]);
            const RECT b = PlaceInDialog(dialog_, controls[j]);
            RECT common{};
            if (!IntersectRect(&common, &a, &b)) continue;
            if (IsGroupBox(controls[i]) || IsGroupBox(controls[j])) {
                RECT joined{};
                UnionRect(&joined, &a, &b);
                EXPECT_TRUE(EqualRect(&joined, &a) || EqualRect(&joined, &b))
                    << Describe(controls[i]) << " cuts " << Describe(controls[j]);
            } else {
                ADD_FAILURE() << Describe(controls[i]) << " covers " << Describe(controls[j]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    SettingsDialogs, DialogLayoutTest,
    testing::Values(LayoutCase{"tone_without_rfk32", IDD_TONE, ToneDialogProc, false, {}},
                    LayoutCase{"tone_with_rfk32", IDD_TONE, ToneDialogProc, true, {IDC_TONE_SHIFT_EDIT}},
                    LayoutCase{"volume_without_rfk32", IDD_VOLUME, VolumeDialogProc, false, {}},
                    LayoutCase{"volume_with_rfk32", IDD_VOLUME, VolumeDialogProc, true, kVolumeEdits},
                    LayoutCase{"instrument_without_rfk32", IDD_INSTRUMENT, InstrumentDialogProc, false, {}},
                    LayoutCase{"instrument_with_rfk32", IDD_INSTRUMENT, InstrumentDialogProc, true, InstrumentEdits()},
                    LayoutCase{"tempo_without_rfk32", IDD_TEMPO, TempoDialogProc, false, {}},
                    LayoutCase{"tempo_with_rfk32", IDD_TEMPO, TempoDialogProc, true, {IDC_TEMPO_EDIT}},
                    LayoutCase{"about_box", IDD_ABOUT, AboutDialogProc, false, {}},
                    LayoutCase{"main_window", IDD_MAIN_WINDOW, nullptr, false, {}}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

}  // namespace
