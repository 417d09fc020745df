#include "settings/track_hints.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vsstyle.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "log/app_globals.h"
#include "ui/code_page.h"
#include "ui/display_scale.h"
#include "ui/window_dpi.h"

namespace {

std::optional<SongHints> songHints;

constexpr UINT_PTR kHintsSubclass = 0x4B48;  // "KH"
constexpr wchar_t kHintsProperty[] = L"KadenzoTrackHints";
constexpr int kTipWidth = 480;  // pixels at 96 DPI before a tooltip breaks a line
constexpr int kTipShownMs = 30000;

// One dialog's hints: its tooltip and the controls drawn dimmed. Lives as long as the dialog.
struct DialogHints {
    HWND tooltip = nullptr;
    std::vector<HWND> dimmed;

    bool IsDimmed(HWND control) const { return std::find(dimmed.begin(), dimmed.end(), control) != dimmed.end(); }
};

bool IsCheckBox(HWND control) {
    const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
}

std::wstring WindowTextW(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A check box drawn as the button draws itself, with its text in the colour of dimmed text. A
// check box drawn with visual styles takes no text colour from its parent, so it is drawn here
// whole, the box by the theme when there is one.
LRESULT DrawDimmedCheckBox(const NMCUSTOMDRAW& draw) {
    if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
    const HWND box = draw.hdr.hwndFrom;
    const HDC dc = draw.hdc;
    RECT client;
    GetClientRect(box, &client);
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(box), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));

    const bool checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const bool pressed = draw.uItemState & CDIS_SELECTED;
    const HTHEME theme = GetWindowTheme(box);
    const int raised = pressed ? 2 : (draw.uItemState & CDIS_HOT) ? 1 : 0;  // the theme's states follow in this order
    const int state = (checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL) + raised;
    // What the theme leaves for the box and its text, and the box's size.
    RECT content = client;
    SIZE glyph{};
    if (theme) GetThemeBackgroundContentRect(theme, dc, BP_CHECKBOX, state, &client, &content);
    if (!theme || FAILED(GetThemePartSize(theme, dc, BP_CHECKBOX, state, &content, TS_DRAW, &glyph))) {
        glyph.cx = glyph.cy = ScaleForDpi(12, WindowDpi(box)) + 1;
    }
    int zeroWidth = 0;
    GetCharWidth32W(dc, L'0', L'0', &zeroWidth);

    // The text with a pixel's margin around it, centred in the rest of the box; the glyph centred
    // on it.
    const std::wstring text = WindowTextW(box);
    RECT label = content;
    label.left += glyph.cx + zeroWidth / 2;
    RECT textRect{};
    DrawTextW(dc, text.c_str(), -1, &textRect, DT_SINGLELINE | DT_CALCRECT);
    const int top = label.top + (label.bottom - label.top - textRect.bottom - 2) / 2;
    RECT around{label.left, top, label.left + textRect.right + 2, top + textRect.bottom + 2};
    textRect = {around.left + 1, around.top + 1, around.right - 1, around.bottom - 1};
    const int slack = around.bottom - around.top - glyph.cy;
    RECT glyphRect{content.left, around.top, content.left + glyph.cx, 0};
    if (slack > 0) glyphRect.top = around.bottom - (slack / 2 + 1) - glyph.cy;
    if (slack < 0) glyphRect.top = around.top - (-slack / 2 + 1);
    glyphRect.bottom = glyphRect.top + glyph.cy;
    if (theme) {
        DrawThemeBackground(theme, dc, BP_CHECKBOX, state, &glyphRect, nullptr);
    } else {
        DrawFrameControl(dc, &glyphRect, DFC_BUTTON,
                         DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0) | (pressed ? DFCS_PUSHED : 0));
    }

    const LRESULT cues = SendMessageW(box, WM_QUERYUISTATE, 0, 0);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, text.c_str(), -1, &textRect, DT_SINGLELINE | (cues & UISF_HIDEACCEL ? DT_HIDEPREFIX : 0));
    if ((draw.uItemState & CDIS_FOCUS) && !(cues & UISF_HIDEFOCUS)) {
        InflateRect(&around, 1, 0);
        IntersectRect(&around, &around, &label);
        DrawFocusRect(dc, &around);
    }
    return CDRF_SKIPDEFAULT;
}

// In front of the dialog's own procedure: the dimmed controls' colours, and the end of the hints.
LRESULT CALLBACK HintsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    auto* hints = reinterpret_cast<DialogHints*>(data);
    switch (message) {
        case WM_CTLCOLORSTATIC: {
            const LRESULT brush = DefSubclassProc(dialog, message, wParam, lParam);
            if (hints->IsDimmed(reinterpret_cast<HWND>(lParam)))
                SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_GRAYTEXT));
            return brush;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == NM_CUSTOMDRAW && hints->IsDimmed(header->hwndFrom) && IsCheckBox(header->hwndFrom))
                return DrawDimmedCheckBox(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam));
            break;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(dialog, HintsProc, id);
            RemovePropW(dialog, kHintsProperty);
            delete hints;
            break;
        default: break;
    }
    return DefSubclassProc(dialog, message, wParam, lParam);
}

// The dialog's hints, made on first use; its tooltip is owned by the dialog and goes with it.
DialogHints& HintsOf(HWND dialog) {
    if (auto* hints = static_cast<DialogHints*>(GetPropW(dialog, kHintsProperty))) return *hints;
    auto* hints = new DialogHints;
    SetPropW(dialog, kHintsProperty, hints);
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    hints->tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, appInstance, nullptr);
    // A width lets the texts' line breaks through.
    SendMessageW(hints->tooltip, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(kTipWidth, WindowDpi(dialog)));
    SendMessageW(hints->tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, kTipShownMs);
    SetWindowSubclass(dialog, HintsProc, kHintsSubclass, reinterpret_cast<DWORD_PTR>(hints));
    return *hints;
}

// `text` (code page 932) as the tooltip of `control`, a child of `dialog`.
void AddTip(const DialogHints& hints, HWND dialog, HWND control, const std::string& text) {
    if (!control || !hints.tooltip) return;
    std::wstring wide = Widen932(text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    SendMessageW(hints.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// Track k's control: dimmed when the track plays no note, its summary as its tooltip.
void AddTrackHint(HWND dialog, HWND control, int track) {
    DialogHints& hints = HintsOf(dialog);
    AddTip(hints, dialog, control, songHints->trackTexts[track - 1]);
    if (!(songHints->silentTracks & (1u << (track - 1))) || !control) return;
    hints.dimmed.push_back(control);
    InvalidateRect(control, nullptr, TRUE);
}

}  // namespace

void SetSongHints(const SongHints& hints) { songHints = hints; }

void ClearSongHints() { songHints.reset(); }

void AddToneHints(HWND dialog, TrackControl toneBox, TrackControl muteBox, int shiftEdit) {
    if (!songHints) return;
    for (int track = 1; track <= kTrackCount; ++track) {
        AddTrackHint(dialog, GetDlgItem(dialog, toneBox(track)), track);
        AddTrackHint(dialog, GetDlgItem(dialog, muteBox(track)), track);
    }
    AddTip(HintsOf(dialog), dialog, GetDlgItem(dialog, shiftEdit), songHints->shiftText);
}

void AddTrackLabelHints(HWND dialog, TrackControl edit) {
    if (!songHints) return;
    for (int track = 1; track <= kTrackCount; ++track) {
        const HWND label = GetWindow(GetDlgItem(dialog, edit(track)), GW_HWNDPREV);
        char kind[16] = "";
        if (!label || !GetClassNameA(label, kind, sizeof kind) || lstrcmpiA(kind, "Static") != 0) continue;
        // A label lets the pointer through to the dialog; one that notifies keeps it, so that its
        // tooltip sees the pointer rest on it.
        SetWindowLongPtrW(label, GWL_STYLE, GetWindowLongPtrW(label, GWL_STYLE) | SS_NOTIFY);
        AddTrackHint(dialog, label, track);
    }
}
