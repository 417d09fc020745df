// The volume dialog: per track a number and a "絶対音量" box. Unchecked, the number is a
// percentage 0..200 of the song's velocities; checked, the velocity 0..127 that replaces them.
#include "log/app_globals.h"
#include "playback/addon.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "settings/dialog_steps.h"
#include "settings/settings_dialogs.h"
#include "settings/track_hints.h"
#include "spin/spin_contract.h"

namespace {

constexpr int kPercentLimit = 200;
constexpr int kVelocityLimit = 127;

// The ids do not follow the track order; every step goes through these tables.
constexpr int kEditIds[kTrackCount] = {IDC_VOLUME_EDIT_1,  IDC_VOLUME_EDIT_2,  IDC_VOLUME_EDIT_3,  IDC_VOLUME_EDIT_4,
                                       IDC_VOLUME_EDIT_5,  IDC_VOLUME_EDIT_6,  IDC_VOLUME_EDIT_7,  IDC_VOLUME_EDIT_8,
                                       IDC_VOLUME_EDIT_9,  IDC_VOLUME_EDIT_10, IDC_VOLUME_EDIT_11, IDC_VOLUME_EDIT_12,
                                       IDC_VOLUME_EDIT_13, IDC_VOLUME_EDIT_14, IDC_VOLUME_EDIT_15, IDC_VOLUME_EDIT_16};
constexpr int kAbsoluteBoxIds[kTrackCount] = {
    IDC_VOLUME_ABSOLUTE_1,  IDC_VOLUME_ABSOLUTE_2,  IDC_VOLUME_ABSOLUTE_3,  IDC_VOLUME_ABSOLUTE_4,
    IDC_VOLUME_ABSOLUTE_5,  IDC_VOLUME_ABSOLUTE_6,  IDC_VOLUME_ABSOLUTE_7,  IDC_VOLUME_ABSOLUTE_8,
    IDC_VOLUME_ABSOLUTE_9,  IDC_VOLUME_ABSOLUTE_10, IDC_VOLUME_ABSOLUTE_11, IDC_VOLUME_ABSOLUTE_12,
    IDC_VOLUME_ABSOLUTE_13, IDC_VOLUME_ABSOLUTE_14, IDC_VOLUME_ABSOLUTE_15, IDC_VOLUME_ABSOLUTE_16};

constexpr int VolumeEdit(int track) { return kEditIds[track - 1]; }
constexpr int AbsoluteBox(int track) { return kAbsoluteBoxIds[track - 1]; }

// Two columns of eight, beside each track's edit. Each track's edit is attached so that its arrow
// keys and wheel step it and a press on an arrow puts the focus there; the dialog still answers
// the controls' notifications itself.
void AddVolumeSpins(const WindowRef& dialog) {
    for (int index = 0; index < kTrackCount; ++index) {
        const SpinPlace place{150 + 272 * (index / 8), 24 + 22 * (index % 8)};
        HWND spin = CreateDialogSpin(dialog, IDC_ADDON_SPIN_FIRST + index, place, 15, 15);
        if (!spin) continue;
        SetSpinRange(spin, 0, kPercentLimit);
        SetSpinValue(spin, 100, 100);
        AttachSpinEdit(spin, nullptr, dialog.Item(VolumeEdit(index + 1)));
    }
}

int InitVolumeDialog(const WindowRef& dialog) {
    const ConversionSettings& settings = conversionSettings;
    FollowScreenScale(dialog.Handle());
    SetCaptionAndCenter(dialog, "音量の調整");
    AddVolumeSpins(dialog);
    for (int track = 1; track <= kTrackCount; ++track) LimitEdit(dialog, VolumeEdit(track), 4);
    for (int track = 1; track <= kTrackCount; ++track) {
        SetItemNumber(dialog, VolumeEdit(track), settings.volume[track - 1]);
        dialog.SetCheck(AbsoluteBox(track), settings.absoluteVolume[track - 1] ? BST_CHECKED : BST_UNCHECKED);
    }
    AddTrackLabelHints(dialog.Handle(), VolumeEdit);
    return 0;
}

// Stores one track; 1 when its entry is rejected. The absolute flag is stored before the range
// check, so a track rejected for its range already has its new flag.
int ApplyVolumeTrack(const WindowRef& dialog, int track) {
    ConversionSettings& settings = conversionSettings;
    // An empty edit is refused: read as 0 it would silence the track.
    const auto value = ReadEditNumber(dialog, VolumeEdit(track), false, IDS_BAD_NUMBER);
    if (!value) return 1;
    const bool absolute = IsChecked(dialog, AbsoluteBox(track));
    settings.absoluteVolume[track - 1] = absolute ? 1 : 0;
    if (*value > (absolute ? kVelocityLimit : kPercentLimit)) {
        RefuseEdit(dialog, VolumeEdit(track), IDS_BAD_NUMBER);
        return 1;
    }
    settings.volume[track - 1] = static_cast<std::uint8_t>(*value);
    return 0;
}

// Tracks in order up to the first rejected one; what was stored before it stays stored.
int ApplyVolumeDialog(const WindowRef& dialog) {
    for (int track = 1; track <= kTrackCount; ++track) {
        if (ApplyVolumeTrack(dialog, track) != 0) return 1;
    }
    LogText(IDS_VOLUME_APPLIED);
    return 0;
}

void SetAllAbsoluteVolume(const WindowRef& dialog) {
    const LRESULT state = dialog.GetCheck(IDC_VOLUME_ALL_ABSOLUTE);
    for (int track = 1; track <= kTrackCount; ++track) dialog.SetCheck(AbsoluteBox(track), state);
}

// Each track's spin control steps that track's edit.
void OnSpinNotification(const WindowRef& dialog, WPARAM wParam, LPARAM lParam) {
    const int index = HIWORD(wParam) - IDC_ADDON_SPIN_FIRST;
    if (index < 0 || index >= kTrackCount) return;
    AnswerEditSpin(dialog, VolumeEdit(index + 1), LOWORD(wParam), lParam);
}

INT_PTR OnVolumeCommand(const WindowRef& dialog, int id) {
    switch (id) {
        case IDC_APPLY_BUTTON:
            if (ApplyVolumeDialog(dialog) == 0) PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
            return TRUE;
        case IDCANCEL: PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0); return TRUE;
        case IDC_VOLUME_ALL_ABSOLUTE: SetAllAbsoluteVolume(dialog); return TRUE;
        case IDC_HINT_LINK: ShowHint(dialog, IDS_VOLUME_HINT); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK VolumeDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowRef dialog(window);
    switch (message) {
        case WM_INITDIALOG: return InitVolumeDialog(dialog);
        case WM_CLOSE: EndDialog(window, 0); return TRUE;
        case WM_COMMAND: return OnVolumeCommand(dialog, LOWORD(wParam));
        case kSpinNotifyMessage: OnSpinNotification(dialog, wParam, lParam); return TRUE;
        default: return FALSE;
    }
}
