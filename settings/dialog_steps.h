// Small steps the four settings dialogs share.
#pragma once
#include "log/app_globals.h"
#include "playback/addon.h"
#include "res/resource.h"
#include "settings/spin_place.h"
#include "spin/spin_contract.h"
#include "spin/spin_value.h"
#include "ui/code_page.h"
#include "ui/dialog_rescale.h"
#include "ui/display_scale.h"
#include "ui/messages.h"
#include "ui/text_utils.h"
#include "ui/window_dpi.h"
#include "ui/window_ref.h"

#include <cstdint>
#include <optional>
#include <string>

// The settings dialogs are Unicode windows (see RunSettingsDialog): the program's code-page-932
// texts cross into them converted, and what the user typed comes back converted.

// Every dialog opens with its own caption, centred on the screen.
inline void SetCaptionAndCenter(const WindowRef& dialog, const char* caption) {
    SetWindowTextW(dialog.Handle(), Widen932(caption).c_str());
    dialog.Center(nullptr);
}

inline std::wstring WideWindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A rejected entry: the text in a box owned by the dialog, under the dialog's own caption.
inline void RejectEntry(const WindowRef& dialog, UINT textId) {
    const std::wstring text = Widen932(LoadText(appInstance, textId));
    MessageBoxW(dialog.Handle(), text.c_str(), WideWindowText(dialog.Handle()).c_str(), MB_OK);
}

// A refused edit: the reason in a box, then the edit takes the focus with its text selected, so the
// user sees which one it was.
inline void RefuseEdit(const WindowRef& dialog, int edit, UINT textId) {
    RejectEntry(dialog, textId);
    SendMessageA(dialog.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(dialog.Item(edit)), TRUE);
    dialog.SendItem(edit, EM_SETSEL, 0, -1);
}

// The whole text of an edit. Typing stops at each edit's limit, but a text put there otherwise may
// be longer, and what is applied is what the edit shows, not its first bytes.
inline std::string EditText(const WindowRef& dialog, int edit) { return Narrow932(WideWindowText(dialog.Item(edit))); }

// The number typed in an edit (see ReadTypedNumber). Without one the edit is refused: an empty edit
// with `emptyTextId`, any other text with "文字列が10進表記と判断できませんでした。".
inline std::optional<std::int32_t> ReadEditNumber(const WindowRef& dialog, int edit, bool signedNumber,
                                                  UINT emptyTextId) {
    const std::string text = EditText(dialog, edit);
    if (const auto number = ReadTypedNumber(text.c_str(), signedNumber)) return number;
    RefuseEdit(dialog, edit, IsBlankText(text.c_str()) ? emptyTextId : IDS_NOT_DECIMAL);
    return std::nullopt;
}

// The "ヒント..." text: the product's caption and the information icon.
inline void ShowHint(const WindowRef& dialog, UINT textId) {
    const std::wstring text = Widen932(LoadText(appInstance, textId));
    MessageBoxW(dialog.Handle(), text.c_str(), Widen932(kProductCaption).c_str(), MB_ICONINFORMATION | MB_OK);
}

inline void SetItemNumber(const WindowRef& dialog, int id, std::int32_t value) {
    SetDlgItemInt(dialog.Handle(), id, static_cast<UINT>(value), TRUE);
}

inline bool IsChecked(const WindowRef& dialog, int id) { return dialog.GetCheck(id) == BST_CHECKED; }

// In characters: the dialogs' edits are Unicode, so a full-width digit counts once.
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
// answered with the number the user sees at the start of the edit, the same in every dialog ("5 "
// is 5, "12x" is 12, "１２" is 12); an edit without one leaves the control's own value. A step's
// new value goes into the edit.
inline void AnswerEditSpin(const WindowRef& dialog, int edit, WORD code, LPARAM lParam) {
    switch (code) {
        case kSpinAskValueCode: {
            auto* standing = reinterpret_cast<std::int32_t*>(lParam);
            if (const auto seen = ReadSpinNumber(EditText(dialog, edit).c_str()); seen && standing) *standing = *seen;
            break;
        }
        case kSpinSteppedUpCode:
        case kSpinSteppedDownCode: SetItemNumber(dialog, edit, static_cast<std::int32_t>(lParam)); break;
        default: break;
    }
}

// Track k's bit in the track masks.
constexpr std::uint32_t TrackBit(int track) { return 1u << (track - 1); }
