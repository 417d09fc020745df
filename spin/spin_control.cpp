#include "spin/spin_control.h"

#include "spin/spin_contract.h"
#include "spin/spin_value.h"

#include <windowsx.h>

#include <cstdio>
#include <new>

namespace {

constexpr char kSpinClassName[] = "KadenzoSpin";
// An attached edit keeps its control and its own window procedure in these properties while the
// control hears its arrow keys and wheel.
constexpr char kEditSpinProperty[] = "KadenzoSpinOfEdit";
constexpr char kEditProcedureProperty[] = "KadenzoSpinEditProcedure";
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatDelay = 400;  // ms before a held arrow starts repeating
constexpr UINT kRepeatDelay = 100;
constexpr UINT kFastRepeatDelay = 50;  // after kFastAfterRepeats steps the repeat speeds up
constexpr int kFastAfterRepeats = 10;

enum class Arrow { None, Up, Down };

struct SpinState {
    HWND parent = nullptr;
    int id = 0;
    SpinRange range;
    int32_t value = 0;
    HWND edit = nullptr;
    Arrow held = Arrow::None;  // the arrow the mouse button went down on
    bool mouseOnHeld = false;  // the pressed look and the repeat need the mouse over it
    int repeats = 0;
    int wheelRemainder = 0;
};

SpinState* StateOf(HWND spin) { return reinterpret_cast<SpinState*>(GetWindowLongPtrA(spin, GWLP_USERDATA)); }

// The up arrow takes the upper half; with an odd height the lower arrow gets the extra row.
RECT ArrowRect(HWND spin, Arrow arrow) {
    RECT client{};
    GetClientRect(spin, &client);
    const int split = client.bottom / 2;
    if (arrow == Arrow::Up)
        client.bottom = split;
    else
        client.top = split;
    return client;
}

Arrow ArrowAt(HWND spin, POINT point) {
    RECT client{};
    GetClientRect(spin, &client);
    if (!PtInRect(&client, point)) return Arrow::None;
    return point.y < client.bottom / 2 ? Arrow::Up : Arrow::Down;
}

void DrawArrow(HWND spin, HDC dc, const SpinState& state, Arrow arrow) {
    RECT rect = ArrowRect(spin, arrow);
    UINT look = arrow == Arrow::Up ? DFCS_SCROLLUP : DFCS_SCROLLDOWN;
    if (!IsWindowEnabled(spin))
        look |= DFCS_INACTIVE;
    else if (state.held == arrow && state.mouseOnHeld)
        look |= DFCS_PUSHED;
    DrawFrameControl(dc, &rect, DFC_SCROLL, look);
}

void Paint(HWND spin, HDC dc, const SpinState& state) {
    DrawArrow(spin, dc, state, Arrow::Up);
    DrawArrow(spin, dc, state, Arrow::Down);
}

// The value a step starts from before the parent has its say: the attached edit's number when it
// holds one, else the control's own value.
// The edit's text is read as UTF-16 and turned into code page 932 here, whatever the edit's own
// character set and the process's code page.
int32_t PresetValue(const SpinState& state) {
    if (state.edit != nullptr && IsWindow(state.edit)) {
        wchar_t wide[32] = L"";
        const int length = GetWindowTextW(state.edit, wide, 32);
        char text[2 * 32 + 1] = "";
        WideCharToMultiByte(932, 0, wide, length, text, sizeof text - 1, nullptr, nullptr);
        if (const auto number = ReadSpinNumber(text)) return *number;
    }
    return state.value;
}

void ShowInEdit(const SpinState& state, int32_t value) {
    if (state.edit == nullptr || !IsWindow(state.edit)) return;
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    SetWindowTextA(state.edit, text);
}

LRESULT Notify(const SpinState& state, WORD code, LPARAM detail) {
    return SendMessageA(state.parent, kSpinNotifyMessage, MAKEWPARAM(code, state.id), detail);
}

// Asks the parent for the standing value, moves it by one inside the range, shows and reports it.
// The parent may destroy the control while it answers; then the step ends there.
void Step(HWND spin, Arrow arrow) {
    SpinState* state = StateOf(spin);
    int32_t standing = PresetValue(*state);
    Notify(*state, kSpinAskValueCode, reinterpret_cast<LPARAM>(&standing));
    if (!IsWindow(spin) || StateOf(spin) != state) return;
    const SpinDirection direction = arrow == Arrow::Up ? SpinDirection::Up : SpinDirection::Down;
    const int32_t next = StepInRange(standing, direction, state->range);
    if (next == standing) return;  // at the end of the range, or outside it behind the arrow, nothing moved
    state->value = next;
    ShowInEdit(*state, state->value);
    Notify(*state, arrow == Arrow::Up ? kSpinSteppedUpCode : kSpinSteppedDownCode, state->value);
}

void Redraw(HWND spin) { InvalidateRect(spin, nullptr, FALSE); }

void EndPress(HWND spin, SpinState& state) {
    if (state.held == Arrow::None) return;
    state.held = Arrow::None;
    state.mouseOnHeld = false;
    KillTimer(spin, kRepeatTimer);
    Redraw(spin);
}

void OnButtonDown(HWND spin, POINT point) {
    SpinState* state = StateOf(spin);
    const Arrow arrow = ArrowAt(spin, point);
    if (arrow == Arrow::None || !IsWindowEnabled(spin)) return;
    // The number being stepped is where the keyboard goes next, as with the system's up-down control;
    // a dialog that returns after being left in the background brings the focus back to it.
    if (state->edit != nullptr && IsWindow(state->edit)) SetFocus(state->edit);
    SetCapture(spin);
    state->held = arrow;
    state->mouseOnHeld = true;
    state->repeats = 0;
    Redraw(spin);
    Step(spin, arrow);
    // The parent's answer may have taken the capture (a message box) or destroyed the control.
    if (!IsWindow(spin) || StateOf(spin) != state || state->held == Arrow::None) return;
    SetTimer(spin, kRepeatTimer, kFirstRepeatDelay, nullptr);
}

void OnMouseMove(HWND spin, SpinState& state, POINT point) {
    if (state.held == Arrow::None) return;
    const bool onHeld = ArrowAt(spin, point) == state.held;
    if (onHeld == state.mouseOnHeld) return;
    state.mouseOnHeld = onHeld;
    Redraw(spin);
}

void OnButtonUp(HWND spin, SpinState& state) {
    EndPress(spin, state);
    if (GetCapture() == spin) ReleaseCapture();
}

void OnRepeatTimer(HWND spin, SpinState& state) {
    if (state.held == Arrow::None) {
        KillTimer(spin, kRepeatTimer);
        return;
    }
    ++state.repeats;
    SetTimer(spin, kRepeatTimer, state.repeats > kFastAfterRepeats ? kFastRepeatDelay : kRepeatDelay, nullptr);
    if (state.mouseOnHeld) Step(spin, state.held);
}

// Each notch (WHEEL_DELTA) is one step; finer wheels add up until they make a notch.
void OnWheel(HWND spin, int delta) {
    SpinState* state = StateOf(spin);
    if (!IsWindowEnabled(spin)) return;
    state->wheelRemainder += delta;
    while (state->wheelRemainder >= WHEEL_DELTA || state->wheelRemainder <= -WHEEL_DELTA) {
        const Arrow arrow = state->wheelRemainder > 0 ? Arrow::Up : Arrow::Down;
        state->wheelRemainder += arrow == Arrow::Up ? -WHEEL_DELTA : WHEEL_DELTA;
        Step(spin, arrow);
        if (!IsWindow(spin) || StateOf(spin) != state) return;
    }
}

// The control the edit is attached to, null when it is attached to none.
HWND SpinOfEdit(HWND edit) {
    HWND spin = static_cast<HWND>(GetPropA(edit, kEditSpinProperty));
    if (spin == nullptr || !IsWindow(spin)) return nullptr;
    const SpinState* state = StateOf(spin);
    return state != nullptr && state->edit == edit ? spin : nullptr;
}

LRESULT CALLBACK AttachedEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);

// The edit's procedure is read and replaced in the edit's own character set: crossing it would have
// the system translate every character message on the way, and a Unicode edit typed into with an
// input method must get its characters as they were typed.
LONG_PTR EditProcedure(HWND edit) {
    return IsWindowUnicode(edit) ? GetWindowLongPtrW(edit, GWLP_WNDPROC) : GetWindowLongPtrA(edit, GWLP_WNDPROC);
}

LONG_PTR ReplaceEditProcedure(HWND edit, LONG_PTR procedure) {
    return IsWindowUnicode(edit) ? SetWindowLongPtrW(edit, GWLP_WNDPROC, procedure)
                                 : SetWindowLongPtrA(edit, GWLP_WNDPROC, procedure);
}

// Puts the edit back on its own procedure when nobody replaced ours since; otherwise ours stays
// in the chain and only passes messages on.
void ReleaseEdit(HWND edit) {
    const auto own = reinterpret_cast<LONG_PTR>(GetPropA(edit, kEditProcedureProperty));
    RemovePropA(edit, kEditSpinProperty);
    if (own == 0) return;
    if (EditProcedure(edit) != reinterpret_cast<LONG_PTR>(AttachedEditProc)) return;
    ReplaceEditProcedure(edit, own);
    RemovePropA(edit, kEditProcedureProperty);
}

// As the system's up-down control does with its buddy: Up and Down in the edit and the wheel over
// it step the number.
LRESULT CALLBACK AttachedEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto own = reinterpret_cast<WNDPROC>(GetPropA(edit, kEditProcedureProperty));
    if (HWND spin = SpinOfEdit(edit)) {
        if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN)) {
            if (IsWindowEnabled(spin)) Step(spin, wParam == VK_UP ? Arrow::Up : Arrow::Down);
            return 0;
        }
        if (message == WM_MOUSEWHEEL) {
            OnWheel(spin, GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;
        }
    }
    if (message == WM_NCDESTROY) {
        RemovePropA(edit, kEditSpinProperty);
        RemovePropA(edit, kEditProcedureProperty);
    }
    if (IsWindowUnicode(edit)) {
        return own != nullptr ? CallWindowProcW(own, edit, message, wParam, lParam)
                              : DefWindowProcW(edit, message, wParam, lParam);
    }
    return own != nullptr ? CallWindowProcA(own, edit, message, wParam, lParam)
                          : DefWindowProcA(edit, message, wParam, lParam);
}

// An edit that another control took over since stays with that one.
void DetachEdit(HWND spin, SpinState& state) {
    if (state.edit != nullptr && IsWindow(state.edit) && GetPropA(state.edit, kEditSpinProperty) == spin) {
        ReleaseEdit(state.edit);
    }
    state.edit = nullptr;
}

void AttachEdit(HWND spin, SpinState& state, HWND edit) {
    DetachEdit(spin, state);
    if (edit == nullptr || !IsWindow(edit)) return;
    state.edit = edit;
    SetPropA(edit, kEditSpinProperty, spin);
    if (GetPropA(edit, kEditProcedureProperty) != nullptr) return;  // ours is still in its chain
    const LONG_PTR own = ReplaceEditProcedure(edit, reinterpret_cast<LONG_PTR>(AttachedEditProc));
    SetPropA(edit, kEditProcedureProperty, reinterpret_cast<HANDLE>(own));
}

HWND EditFromParameters(WPARAM wParam, LPARAM lParam) {
    return reinterpret_cast<HWND>(wParam != 0 ? static_cast<LPARAM>(wParam) : lParam);
}

bool CreateState(HWND spin, const CREATESTRUCTA& create) {
    auto* state = new (std::nothrow) SpinState;
    if (state == nullptr) return false;
    state->parent = create.hwndParent;
    state->id = static_cast<int>(reinterpret_cast<INT_PTR>(create.hMenu));
    SetWindowLongPtrA(spin, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    return true;
}

void DestroyState(HWND spin) {
    delete StateOf(spin);
    SetWindowLongPtrA(spin, GWLP_USERDATA, 0);
}

LRESULT CALLBACK SpinProc(HWND spin, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        if (!CreateState(spin, *reinterpret_cast<const CREATESTRUCTA*>(lParam))) return FALSE;
        return DefWindowProcA(spin, message, wParam, lParam);
    }
    SpinState* state = StateOf(spin);
    if (state == nullptr) return DefWindowProcA(spin, message, wParam, lParam);

    switch (message) {
        case kSpinSetValueMessage: state->value = ClampToRange(static_cast<int32_t>(wParam), state->range); return 0;
        case kSpinSetRangeMessage:
            state->range = MakeSpinRange(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
            state->value = ClampToRange(state->value, state->range);
            return 0;
        case kSpinAttachEditMessage: AttachEdit(spin, *state, EditFromParameters(wParam, lParam)); return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(spin, &paint);
            Paint(spin, dc, *state);
            EndPaint(spin, &paint);
            return 0;
        }
        case WM_PRINTCLIENT: Paint(spin, reinterpret_cast<HDC>(wParam), *state); return 0;
        case WM_ERASEBKGND: return 1;  // the two arrows cover the whole control
        case WM_LBUTTONDOWN: OnButtonDown(spin, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
        case WM_MOUSEMOVE: OnMouseMove(spin, *state, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
        case WM_LBUTTONUP: OnButtonUp(spin, *state); return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != spin) EndPress(spin, *state);
            return 0;
        case WM_CANCELMODE: OnButtonUp(spin, *state); return 0;
        case WM_TIMER:
            if (wParam == kRepeatTimer) OnRepeatTimer(spin, *state);
            return 0;
        case WM_MOUSEWHEEL: OnWheel(spin, GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
        case WM_ENABLE:
            if (!wParam) OnButtonUp(spin, *state);
            Redraw(spin);
            return 0;
        case WM_NCDESTROY:
            KillTimer(spin, kRepeatTimer);
            DetachEdit(spin, *state);
            DestroyState(spin);
            break;
    }
    return DefWindowProcA(spin, message, wParam, lParam);
}

bool RegisterSpinClass(HINSTANCE module) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(module, kSpinClassName, &existing)) return true;
    WNDCLASSEXA spinClass{};
    spinClass.cbSize = sizeof spinClass;
    spinClass.style = CS_HREDRAW | CS_VREDRAW;
    spinClass.lpfnWndProc = SpinProc;
    spinClass.hInstance = module;
    spinClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    spinClass.lpszClassName = kSpinClassName;
    return RegisterClassExA(&spinClass) != 0;
}

}  // namespace

HWND CreateSpinControl(HINSTANCE module, HWND parent, int id, DWORD style, int x, int y, int width, int height) {
    if (!RegisterSpinClass(module)) return nullptr;
    return CreateWindowExA(0, kSpinClassName, "", style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
}

void UnregisterSpinClass(HINSTANCE module) { UnregisterClassA(kSpinClassName, module); }
