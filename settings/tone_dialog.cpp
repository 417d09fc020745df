// The tone dialog: the key shift, the tracks it applies to, the drum-part exclusion, the
// out-of-range policy and the tracks not played. The shift is a whole signed number; any other
// text is refused.
#include "log/app_globals.h"
#include "playback/addon.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "settings/dialog_steps.h"
#include "settings/settings_dialogs.h"
#include "settings/track_hints.h"

namespace {

constexpr int kDrumTrack = 10;

constexpr int kMuteBoxIds[kTrackCount] = {
    IDC_TONE_MUTE_TRACK_1,  IDC_TONE_MUTE_TRACK_2,  IDC_TONE_MUTE_TRACK_3,  IDC_TONE_MUTE_TRACK_4,
    IDC_TONE_MUTE_TRACK_5,  IDC_TONE_MUTE_TRACK_6,  IDC_TONE_MUTE_TRACK_7,  IDC_TONE_MUTE_TRACK_8,
    IDC_TONE_MUTE_TRACK_9,  IDC_TONE_MUTE_TRACK_10, IDC_TONE_MUTE_TRACK_11, IDC_TONE_MUTE_TRACK_12,
    IDC_TONE_MUTE_TRACK_13, IDC_TONE_MUTE_TRACK_14, IDC_TONE_MUTE_TRACK_15, IDC_TONE_MUTE_TRACK_16};

constexpr int ToneTrackBox(int track) { return IDC_TONE_TRACK_1 + track - 1; }
constexpr int MuteTrackBox(int track) { return kMuteBoxIds[track - 1]; }

// The shift's spin control steps the edit itself; the dialog leaves its notifications alone.
void AddShiftSpin(const WindowRef& dialog) {
    HWND spin = CreateDialogSpin(dialog, IDC_ADDON_SPIN_FIRST, {135, 15}, 16, 16);
    if (!spin) return;
    SetSpinRange(spin, -127, 127);
    SetSpinValue(spin, 0, 0);
    AttachSpinEdit(spin, dialog.Item(IDC_TONE_SHIFT_EDIT), nullptr);
}

void CheckTrackBoxes(const WindowRef& dialog, int (*boxOfTrack)(int), std::uint32_t mask) {
    for (int track = 1; track <= kTrackCount; ++track) {
        dialog.SetCheck(boxOfTrack(track), (mask & TrackBit(track)) ? BST_CHECKED : BST_UNCHECKED);
    }
}

std::uint32_t CheckedTracks(const WindowRef& dialog, int (*boxOfTrack)(int)) {
    std::uint32_t mask = 0;
    for (int track = 1; track <= kTrackCount; ++track) {
        if (IsChecked(dialog, boxOfTrack(track))) mask |= TrackBit(track);
    }
    return mask;
}

int InitToneDialog(const WindowRef& dialog) {
    const ConversionSettings& settings = conversionSettings;
    FollowScreenScale(dialog.Handle());
    SetCaptionAndCenter(dialog, "トーンの調整");
    AddShiftSpin(dialog);
    CheckTrackBoxes(dialog, ToneTrackBox, settings.toneTrackMask);
    CheckTrackBoxes(dialog, MuteTrackBox, settings.muteTrackMask);
    dialog.SetCheck(IDC_TONE_EXCLUDE_DRUMS, settings.excludeDrums ? BST_CHECKED : BST_UNCHECKED);
    // The drum box shows the exclusion, whatever the mask says about track 10.
    dialog.SetCheck(ToneTrackBox(kDrumTrack), settings.excludeDrums ? BST_UNCHECKED : BST_CHECKED);
    dialog.SetCheck(IDC_TONE_WARN_OUT_OF_RANGE, settings.warnOutOfRange ? BST_CHECKED : BST_UNCHECKED);
    LimitEdit(dialog, IDC_TONE_SHIFT_EDIT, 4);
    SetItemNumber(dialog, IDC_TONE_SHIFT_EDIT, settings.toneShift);
    AddToneHints(dialog.Handle(), ToneTrackBox, MuteTrackBox, IDC_TONE_SHIFT_EDIT);
    return 0;
}

// 1 when the shift is refused; then nothing is stored.
int ApplyToneDialog(const WindowRef& dialog) {
    ConversionSettings& settings = conversionSettings;
    const auto shift = ReadEditNumber(dialog, IDC_TONE_SHIFT_EDIT, true, IDS_NOT_DECIMAL);
    if (!shift) return 1;
    settings.toneShift = static_cast<std::int16_t>(*shift);
    settings.excludeDrums = IsChecked(dialog, IDC_TONE_EXCLUDE_DRUMS) ? 1 : 0;
    settings.warnOutOfRange = IsChecked(dialog, IDC_TONE_WARN_OUT_OF_RANGE) ? 1 : 0;
    settings.toneTrackMask = CheckedTracks(dialog, ToneTrackBox);
    settings.muteTrackMask = CheckedTracks(dialog, MuteTrackBox);
    if (settings.excludeDrums) settings.toneTrackMask &= ~TrackBit(kDrumTrack);
    LogText(IDS_TONE_APPLIED);
    return 0;
}

// Excluding the drums takes track 10 out of the shift; including them again leaves the box alone.
void OnExcludeDrumsClicked(const WindowRef& dialog) {
    if (IsChecked(dialog, IDC_TONE_EXCLUDE_DRUMS)) dialog.SetCheck(ToneTrackBox(kDrumTrack), BST_UNCHECKED);
}

// Only the control id counts, whatever the notification. TRUE when the command was handled.
INT_PTR OnToneCommand(const WindowRef& dialog, int id) {
    switch (id) {
        case IDCANCEL: PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0); return TRUE;
        case IDC_APPLY_BUTTON:
            if (ApplyToneDialog(dialog) == 0) PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
            return TRUE;
        case IDC_TONE_EXCLUDE_DRUMS: OnExcludeDrumsClicked(dialog); return TRUE;
        case IDC_HINT_LINK: ShowHint(dialog, IDS_TONE_HINT); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK ToneDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    const WindowRef dialog(window);
    switch (message) {
        case WM_INITDIALOG: return InitToneDialog(dialog);
        case WM_CLOSE: EndDialog(window, 0); return TRUE;
        case WM_COMMAND: return OnToneCommand(dialog, LOWORD(wParam));
        default: return FALSE;
    }
}
