// Small steps the four settings dialogs share.
#pragma once
#include "log/app_globals.h"
#include "playback/addon.h"
#include "settings/spin_place.h"
#include "spin/spin_contract.h"
#include "spin/spin_value.h"
#include "ui/display_scale.h"
#include "ui/messages.h"
#include "ui/window_dpi.h"
#include "ui/window_ref.h"

#include <algorithm>
#include <array>
#include <cstdint>

// Every dialog opens with its own caption, centred on the screen.
inline void SetCaptionAndCenter(const WindowRef& dialog, const char* caption) {
    dialog.SetText(caption);
    dialog.Center(nullptr);
}

// A rejected entry: the text in a box owned by the dialog, under the dialog's own caption.
inline void RejectEntry(const WindowRef& dialog, UINT textId) {
    dialog.ShowMessage(LoadText(appInstance, textId), MB_OK);
}

// The "ヒント..." text: the product's caption and the information icon.
inline void ShowHint(const WindowRef& dialog, UINT textId) {
    dialog.ShowMessage(LoadText(appInstance, textId), MB_ICONINFORMATION | MB_OK, kProductCaption);
}

inline void SetItemNumber(const WindowRef& dialog, int id, std::int32_t value) {
    SetDlgItemInt(dialog.Handle(), id, static_cast<UINT>(value), TRUE);
}

inline bool IsChecked(const WindowRef& dialog, int id) { return dialog.GetCheck(id) == BST_CHECKED; }

inline void LimitEdit(const WindowRef& dialog, int id, int characters) {
    dialog.SendItem(id, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

// An add-on spin control at its given place and size (settings/spin_place.h), null without the add-on.
inline HWND CreateDialogSpin(const WindowRef& dialog, int id, SpinPlace given, int width, int height) {
    RECT base{0, 0, 4, 8};  // one base unit across, one down
    MapDialogRect(dialog.Handle(), &base);
    const SpinPlace place = PlaceForFont(given, base.right, base.bottom);
    const int dpi = WindowDpi(dialog.Handle());  // its size is the screen's: as given at 96 DPI
    return CreateAddOnSpin(dialog.Handle(), id, place.x, place.y, ScaleForDpi(width, dpi), ScaleForDpi(height, dpi));
}

// A spin control that steps the number in `edit`. Its question for the value now standing is
// answered with the number the user sees at the start of the edit's first `capacity` - 1
// characters, the same in every dialog ("5 " is 5, "12x" is 12); an edit without one leaves the
// control's own value. A step's new value goes into the edit.
inline void AnswerEditSpin(const WindowRef& dialog, int edit, WORD code, LPARAM lParam, int capacity) {
    switch (code) {
        case kSpinAskValueCode: {
            std::array<char, 16> text{};
            dialog.GetItemText(edit, text.data(), std::min(capacity, static_cast<int>(text.size())));
            auto* standing = reinterpret_cast<std::int32_t*>(lParam);
            if (const auto seen = ReadSpinNumber(text.data()); seen && standing) *standing = *seen;
            break;
        }
        case kSpinSteppedUpCode:
        case kSpinSteppedDownCode: SetItemNumber(dialog, edit, static_cast<std::int32_t>(lParam)); break;
        default: break;
    }
}

// Track k's bit in the track masks.
constexpr std::uint32_t TrackBit(int track) { return 1u << (track - 1); }
