// The tempo dialog: the factor in percent by which the conversion speeds the song up or slows it
// down. Unlike the other settings dialogs it adds no log line.
#include "log/app_globals.h"
#include "playback/addon.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "settings/dialog_steps.h"
#include "settings/settings_dialogs.h"
#include "spin/spin_contract.h"

namespace {

constexpr int kTempoLimit = 250;

// The edit is attached so that its arrow keys and wheel step it and a press on an arrow puts the
// focus there; the dialog still answers the control's notifications itself.
void AddTempoSpin(const WindowRef& dialog) {
    HWND spin = CreateDialogSpin(dialog, IDC_ADDON_SPIN_FIRST, {160, 20}, 15, 15);
    if (!spin) return;
    SetSpinRange(spin, 20, kTempoLimit);
    SetSpinValue(spin, 200, 0);
    AttachSpinEdit(spin, nullptr, dialog.Item(IDC_TEMPO_EDIT));
}

int InitTempoDialog(const WindowRef& dialog) {
    FollowScreenScale(dialog.Handle());
    SetCaptionAndCenter(dialog, "テンポの調整");
    SetItemNumber(dialog, IDC_TEMPO_EDIT, conversionSettings.tempoPercent);
    LimitEdit(dialog, IDC_TEMPO_EDIT, 4);
    AddTempoSpin(dialog);
    return 0;
}

// A number from 1 to 250; an empty edit is refused as an invalid number, like 0.
int ApplyTempoDialog(const WindowRef& dialog) {
    const auto value = ReadEditNumber(dialog, IDC_TEMPO_EDIT, false, IDS_BAD_NUMBER);
    if (!value) return 1;
    if (*value == 0 || *value > kTempoLimit) {
        RefuseEdit(dialog, IDC_TEMPO_EDIT, IDS_BAD_NUMBER);
        return 1;
    }
    conversionSettings.tempoPercent = static_cast<std::uint16_t>(*value);
    return 0;
}

// Whichever control sends it, the answer comes from the tempo edit.
void OnSpinNotification(const WindowRef& dialog, WPARAM wParam, LPARAM lParam) {
    AnswerEditSpin(dialog, IDC_TEMPO_EDIT, LOWORD(wParam), lParam);
}

INT_PTR OnTempoCommand(const WindowRef& dialog, int id) {
    switch (id) {
        case IDCANCEL: PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0); return TRUE;
        case IDC_APPLY_BUTTON:
            if (ApplyTempoDialog(dialog) == 0) PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK TempoDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowRef dialog(window);
    switch (message) {
        case WM_INITDIALOG: return InitTempoDialog(dialog);
        case WM_CLOSE: EndDialog(window, 0); return TRUE;
        case WM_COMMAND: return OnTempoCommand(dialog, LOWORD(wParam));
        case kSpinNotifyMessage: OnSpinNotification(dialog, wParam, lParam); return TRUE;
        default: return FALSE;
    }
}
