// The instrument dialog: per track the program number (0..127, or 128 to leave the track's
// instrument unchanged) and the list of instrument names. Double-clicking a name writes its number
// into the track edit used last, the target edit, which the dialog keeps in its DWLP_USER; so does
// Enter while the list has the focus. An edit is used when the user types in it, clicks it or
// presses its spin control's arrows; the edits that Tab and Shift+Tab pass through on the way to the
// list are not.
#include "log/app_globals.h"
#include "playback/addon.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "settings/dialog_steps.h"
#include "settings/instrument_list.h"
#include "settings/settings_dialogs.h"
#include "settings/track_hints.h"
#include "spin/spin_contract.h"

namespace {

constexpr int kInstrumentCharacters = 9;  // what an edit holds
constexpr int kInstrumentLimit = 128;
constexpr int kDoubleClickCode = LBN_DBLCLK;

constexpr int kSpinRows[kTrackCount] = {30, 53, 76, 99, 120, 143, 166, 189, 210, 233, 256, 279, 300, 323, 346, 369};

constexpr int InstrumentEdit(int track) { return IDC_INSTRUMENT_EDIT_1 + track - 1; }
constexpr bool IsInstrumentEdit(int id) { return id >= InstrumentEdit(1) && id <= InstrumentEdit(kTrackCount); }

void SetTargetEdit(const WindowRef& dialog, int id) { dialog.SetLong(DWLP_USER, id); }
int TargetEdit(const WindowRef& dialog) { return static_cast<int>(dialog.GetLong(DWLP_USER)); }

// Where Tab or Shift+Tab is moving the focus: the dialog manager asks the dialog to move it to the
// next or previous control before that control hears of it.
constexpr char kTabbedToProperty[] = "KadenzoTabbedTo";

void NoteTabMove(const WindowRef& dialog, WPARAM backwards) {
    SetPropA(dialog.Handle(), kTabbedToProperty, GetNextDlgTabItem(dialog.Handle(), GetFocus(), backwards != 0));
}

// Whether the focus came to `control` by Tab or Shift+Tab; asked once for each focus it takes.
bool CameByTab(const WindowRef& dialog, HWND control) {
    return RemovePropA(dialog.Handle(), kTabbedToProperty) == control;
}

// One control a track, each stepping its track's edit.
void AddInstrumentSpins(const WindowRef& dialog) {
    const ConversionSettings& settings = conversionSettings;
    for (int track = 1; track <= kTrackCount; ++track) {
        const SpinPlace place{140, kSpinRows[track - 1]};
        HWND spin = CreateDialogSpin(dialog, IDC_ADDON_SPIN_FIRST + track - 1, place, 15, 15);
        if (!spin) continue;
        SetSpinRange(spin, 0, kInstrumentLimit);
        SetSpinValue(spin, settings.instrument[track - 1], 0);
        AttachSpinEdit(spin, nullptr, dialog.Item(InstrumentEdit(track)));
    }
}

int InitInstrumentDialog(const WindowRef& dialog) {
    FollowScreenScale(dialog.Handle());
    SetCaptionAndCenter(dialog, "楽器の調整");
    for (int track = 1; track <= kTrackCount; ++track) {
        SetItemNumber(dialog, InstrumentEdit(track), conversionSettings.instrument[track - 1]);
        LimitEdit(dialog, InstrumentEdit(track), kInstrumentCharacters);
    }
    // After the edits were filled: filling them made each in turn the target.
    SetTargetEdit(dialog, InstrumentEdit(1));
    if (LoadInstrumentNames(dialog.Item(IDC_INSTRUMENT_LIST)) != 0) LogText(IDS_INSTRUMENT_FILE_NOT_READ);
    AddInstrumentSpins(dialog);
    AddTrackLabelHints(dialog.Handle(), InstrumentEdit);
    return 0;
}

// An empty edit is refused: read as 0 it would turn the track into a piano.
int ApplyInstrumentTrack(const WindowRef& dialog, int track) {
    const auto value = ReadEditNumber(dialog, InstrumentEdit(track), false, IDS_BAD_NUMBER);
    if (!value) return 1;
    if (*value > kInstrumentLimit) {
        RefuseEdit(dialog, InstrumentEdit(track), IDS_BAD_NUMBER);
        return 1;
    }
    conversionSettings.instrument[track - 1] = static_cast<std::uint8_t>(*value);
    return 0;
}

// Tracks in order up to the first rejected one; what was stored before it stays stored.
int ApplyInstrumentDialog(const WindowRef& dialog) {
    for (int track = 1; track <= kTrackCount; ++track) {
        if (ApplyInstrumentTrack(dialog, track) != 0) return 1;
    }
    LogText(IDS_INSTRUMENT_APPLIED);
    return 0;
}

// The chosen name's number goes into the target edit; nothing is stored before OK.
void PickInstrument(const WindowRef& dialog) {
    const LRESULT chosen = dialog.SendItem(IDC_INSTRUMENT_LIST, LB_GETCURSEL, 0, 0);
    if (chosen == LB_ERR) return;
    const int target = TargetEdit(dialog);
    if (IsInstrumentEdit(target)) SetItemNumber(dialog, target, static_cast<std::int32_t>(chosen));
}

// A spin control makes its track's edit the target, then asks for the number standing there (the
// dialog hands back the number the user sees) or reports its new value.
void OnSpinNotification(const WindowRef& dialog, WPARAM wParam, LPARAM lParam) {
    const int index = HIWORD(wParam) - IDC_ADDON_SPIN_FIRST;
    if (index < 0 || index >= kTrackCount) return;
    const int edit = InstrumentEdit(index + 1);
    SetTargetEdit(dialog, edit);
    AnswerEditSpin(dialog, edit, LOWORD(wParam), lParam);
}

INT_PTR OnInstrumentCommand(const WindowRef& dialog, int id, int code) {
    if (IsInstrumentEdit(id)) {
        // Typed in, or focused other than by Tab (a click): the edit used last.
        if (code == EN_CHANGE || (code == EN_SETFOCUS && !CameByTab(dialog, dialog.Item(id)))) {
            SetTargetEdit(dialog, id);
        }
        return TRUE;
    }
    switch (id) {
        case IDC_APPLY_BUTTON:
            // Enter in the list picks the selected name, as a double-click does; a keyboard user has
            // no other way to choose one.
            if (GetFocus() == dialog.Item(IDC_INSTRUMENT_LIST)) {
                PickInstrument(dialog);
            } else if (ApplyInstrumentDialog(dialog) == 0) {
                PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
            }
            return TRUE;
        case IDCANCEL: PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0); return TRUE;
        case IDC_INSTRUMENT_LIST:
            if (code != kDoubleClickCode) return FALSE;
            PickInstrument(dialog);
            return TRUE;
        case IDC_HINT_LINK: ShowHint(dialog, IDS_INSTRUMENT_HINT); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK InstrumentDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowRef dialog(window);
    switch (message) {
        case WM_INITDIALOG: return InitInstrumentDialog(dialog);
        case WM_CLOSE: EndDialog(window, 0); return TRUE;
        case WM_COMMAND: return OnInstrumentCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        case WM_NEXTDLGCTL:
            if (LOWORD(lParam) == 0) NoteTabMove(dialog, wParam);  // the dialog manager moves the focus
            return FALSE;
        case WM_NCDESTROY: RemovePropA(window, kTabbedToProperty); return FALSE;
        case kSpinNotifyMessage: OnSpinNotification(dialog, wParam, lParam); return TRUE;
        default: return FALSE;
    }
}
