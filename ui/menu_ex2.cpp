#include "ui/menu_ex2.h"

#include "ui/code_page.h"
#include "ui/menu_geometry.h"
#include "ui/window_dpi.h"

#include <cstring>
#include <string>
#include <new>

namespace {

// At the DPI of the look's window, whose font the text is measured and drawn in.
MenuItemMetrics MetricsOf(const MenuItemLook& look) {
    return {look.marginX, look.marginY, look.imageWidth, look.imageHeight, WindowDpi(look.window)};
}

MenuBox BoxOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT RectOf(const MenuBox& b) { return {b.left, b.top, b.right, b.bottom}; }

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)); }

// A line from `from` through `points`, in a solid 1-pixel pen of `colour` made and deleted here.
template <size_t N>
void DrawLines(HDC dc, COLORREF colour, POINT from, const POINT (&points)[N]) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, from.x, from.y, nullptr);
    for (const POINT& p : points) LineTo(dc, p.x, p.y);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

// The edge the flags ask for; without one, a checked item's picture is sunken instead of ticked.
UINT EdgeFor(std::uint32_t flags, bool hasImage, bool checked) {
    if ((flags & kLookEdges) && hasImage) {
        if (flags & kLookRaisedEdge) return EDGE_RAISED;
        if (flags & kLookSunkenEdge) return EDGE_SUNKEN;
        if (flags & kLookEtchedEdge) return EDGE_ETCHED;
        return EDGE_BUMP;
    }
    if (!(flags & kLookEdges) && checked) return EDGE_SUNKEN;
    return 0;
}

// The character after the '&' that marks a text's access key; 0 when there is none. Double-byte
// characters are stepped over whole, so a second byte is never taken for the marker.
char AccessKey(const char* text) {
    for (const char* p = text; *p; ++p) {
        if (IsDBCSLeadByteEx(932, static_cast<BYTE>(*p)) && p[1]) {
            ++p;
        } else if (*p == '&') {
            if (p[1] != '&') return p[1];
            ++p;  // "&&" shows one '&'
        }
    }
    return 0;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// An owner-drawn item keeps no text in the menu: its object draws the text and answers its access
// key. (Some menu loops, Wine's among them, would match the menu's own text first and run the item
// at once, so a key two items share could never move the highlight.) `text` is put back when the
// item is drawn by the system again.
bool SetOwnerDraw(HMENU menu, UINT commandId, bool on, const char* text) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    if (!GetMenuItemInfoW(menu, commandId, FALSE, &info)) return false;
    info.fType = on ? (info.fType | MFT_OWNERDRAW) : (info.fType & ~MFT_OWNERDRAW);
    std::wstring shown = on ? std::wstring() : Widen932(text);
    info.fMask = MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = shown.data();
    return SetMenuItemInfoW(menu, commandId, FALSE, &info) != 0;
}

}  // namespace

// ---- MenuEx2Item

int MenuEx2Item::Init(HMENU menu, const MenuItemLook& look) {
    if (look_) return kItemAlreadyReady;
    const std::uint32_t imageKind = look.flags & (kLookBitmap | kLookIcon);
    if (imageKind == (kLookBitmap | kLookIcon)) return kItemInvalid;

    std::unique_ptr<MenuItemLook> copy(new (std::nothrow) MenuItemLook(look));
    if (!copy) return kItemNoMemory;
    if (!imageKind) {
        copy->imageWidth = 0;
        copy->imageHeight = 0;
        copy->image = nullptr;
    } else {
        if (copy->imageWidth == 0 || copy->imageHeight == 0) return kItemInvalid;
        copy->image = CopyImage(look.image, imageKind == kLookBitmap ? IMAGE_BITMAP : IMAGE_ICON, copy->imageWidth,
                                copy->imageHeight, 0);
        if (!copy->image) return kItemNoMemory;
    }
    if (!(copy->flags & kLookTextColour)) copy->text = GetSysColor(COLOR_WINDOWTEXT);
    if (!(copy->flags & kLookSelectedColours)) copy->selectedText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    if (!(copy->flags & kLookBackground)) copy->background = GetSysColor(COLOR_MENU);
    if (!(copy->flags & kLookSelectedColours)) copy->selectedBackground = GetSysColor(COLOR_HIGHLIGHT);
    if (!(copy->flags & kLookMarginX)) copy->marginX = 0;

    look_ = std::move(copy);
    ReadItemText(menu, look.commandId);
    if (SetOwnerDraw(menu, look.commandId, true, text_)) return kItemReady;
    // The item stays as the system draws it; nothing of this attempt is kept.
    DeleteImage();
    look_.reset();
    return kItemInvalid;
}

int MenuEx2Item::Release(HMENU menu) {
    if (!look_) return kItemNothingToRelease;
    DeleteImage();
    if (menu) SetOwnerDraw(menu, look_->commandId, false, text_);
    look_.reset();
    return kItemReady;
}

// Read as UTF-16 and kept in code page 932, whatever code page the process's narrow calls use.
void MenuEx2Item::ReadItemText(HMENU menu, UINT commandId) {
    text_[0] = '\0';
    wchar_t wide[MAX_PATH] = {};
    const int length = GetMenuStringW(menu, commandId, wide, MAX_PATH, MF_BYCOMMAND);
    const std::string text = Narrow932(std::wstring_view(wide, static_cast<size_t>(length > 0 ? length : 0)));
    lstrcpynA(text_, text.c_str(), sizeof text_);
}

void MenuEx2Item::DeleteImage() {
    if (!look_ || !look_->image) return;
    if (look_->flags & kLookBitmap) {
        DeleteObject(look_->image);
    } else {
        DestroyIcon(static_cast<HICON>(look_->image));
    }
    look_->image = nullptr;
}

void MenuEx2Item::Measure(MEASUREITEMSTRUCT* measure) const {
    if (!look_ || measure->CtlType != ODT_MENU || measure->itemID != look_->commandId) return;
    HDC dc = GetDC(look_->window);
    HGDIOBJ previous = SelectObject(dc, FontOf(look_->window));
    SIZE text{};
    const std::wstring wide = Widen932(text_);
    if (GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &text)) {
        const MenuExtent size = MeasureMenuItem(MetricsOf(*look_), {text.cx, text.cy});
        measure->itemWidth = static_cast<UINT>(size.width);
        measure->itemHeight = static_cast<UINT>(size.height);
    }
    SelectObject(dc, previous);
    ReleaseDC(look_->window, dc);
}

void MenuEx2Item::Draw(const DRAWITEMSTRUCT* draw) const {
    if (!look_ || draw->CtlType != ODT_MENU || draw->itemID != look_->commandId) return;
    const bool selected = draw->itemState & ODS_SELECTED;
    const bool checked = draw->itemState & ODS_CHECKED;
    HDC dc = draw->hDC;

    const bool besidePicture = (look_->flags & kLookBesidePicture) && look_->image;
    const RECT background = RectOf(MenuBackgroundBox(MetricsOf(*look_), BoxOf(draw->rcItem), besidePicture));
    HBRUSH brush = CreateSolidBrush(selected ? look_->selectedBackground : look_->background);
    FillRect(dc, &background, brush);
    DeleteObject(brush);

    DrawPicture(dc, draw->rcItem);
    DrawFrame(dc, draw->rcItem, selected, checked);
    DrawText(dc, draw->rcItem, selected);
}

void MenuEx2Item::DrawPicture(HDC dc, const RECT& item) const {
    if (!look_->image) return;
    if (look_->flags & kLookIcon) {
        const MenuPoint at = MenuIconOrigin(MetricsOf(*look_), BoxOf(item));
        DrawIcon(dc, at.x, at.y, static_cast<HICON>(look_->image));
        return;
    }
    const MenuPoint at = MenuBitmapOrigin(MetricsOf(*look_), BoxOf(item));
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, look_->image);
    BitBlt(dc, at.x, at.y, look_->imageWidth, look_->imageHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

void MenuEx2Item::DrawFrame(HDC dc, const RECT& item, bool selected, bool checked) const {
    const MenuBox f = MenuPictureFrame(MetricsOf(*look_), BoxOf(item));
    if (!checked) {
        if (selected && (look_->flags & kLookHighlightFrame)) {
            DrawLines(dc, GetSysColor(COLOR_BTNHIGHLIGHT), {f.left, f.bottom},
                      {POINT{f.left, f.top}, POINT{f.right, f.top}});
            DrawLines(dc, GetSysColor(COLOR_BTNSHADOW), {f.right, f.top},
                      {POINT{f.right, f.bottom}, POINT{f.left, f.bottom}});
        } else {
            // The background colour erases the frame an earlier highlight drew.
            DrawLines(dc, look_->background, {f.left, f.bottom},
                      {POINT{f.left, f.top}, POINT{f.right, f.top}, POINT{f.right, f.bottom}, POINT{f.left, f.bottom}});
        }
    }
    if (const UINT edge = EdgeFor(look_->flags, look_->image != nullptr, checked)) {
        RECT frame = RectOf(f);
        DrawEdge(dc, &frame, edge, BF_RECT);
    }
}

void MenuEx2Item::DrawText(HDC dc, const RECT& item, bool selected) const {
    HGDIOBJ previousFont = SelectObject(dc, FontOf(look_->window));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT box = RectOf(MenuTextBox(MetricsOf(*look_), BoxOf(item), metrics.tmHeight));
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColour = SetTextColor(dc, selected ? look_->selectedText : look_->text);
    const std::wstring wide = Widen932(text_);
    ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &box, DT_LEFT | DT_TOP | DT_SINGLELINE);
    SetTextColor(dc, previousColour);
    SetBkMode(dc, previousMode);
    SelectObject(dc, previousFont);
}

// ---- MenuEx2

int MenuEx2::Attach(HWND window, HMENU menu) {
    if (window_ || !IsWindow(window)) return 0;
    SetPropA(window, kMenuEx2Property, this);
    oldProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MenuEx2WindowProc)));
    window_ = window;
    menu_ = menu;
    return 1;
}

int MenuEx2::AddItem(const MenuItemLook* look) {
    if (!window_ || !look || look->commandId == 0) return 0;
    MenuEx2Item& item = items_.emplace_back();
    if (item.Init(menu_, *look) != kItemReady) {
        items_.pop_back();
        return 0;
    }
    return 1;
}

int MenuEx2::Detach() {
    if (!window_) return 0;
    const bool windowAlive = IsWindow(window_);
    if (windowAlive) {
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProcedure_));
        RemovePropA(window_, kMenuEx2Property);
    }
    // With the window gone its menu went too: only the items' own pictures are left to free.
    for (MenuEx2Item& item : items_) item.Release(windowAlive ? menu_ : nullptr);
    items_.clear();
    window_ = nullptr;
    menu_ = nullptr;
    oldProcedure_ = nullptr;
    return 1;
}

const MenuEx2Item* MenuEx2::Find(UINT commandId) const {
    // Every item in the list was made ready, so each has its look.
    for (const MenuEx2Item& item : items_) {
        if (item.Look()->commandId == commandId) return &item;
    }
    return nullptr;
}

void MenuEx2::OnMeasureItem(MEASUREITEMSTRUCT* measure) const {
    if (const MenuEx2Item* item = Find(measure->itemID)) item->Measure(measure);
}

void MenuEx2::OnDrawItem(const DRAWITEMSTRUCT* draw) const {
    if (const MenuEx2Item* item = Find(draw->itemID)) item->Draw(draw);
}

bool MenuEx2::HasAccessKey(UINT commandId, char key) const {
    const MenuEx2Item* item = Find(commandId);
    return item && key != 0 && Lower(AccessKey(item->Text())) == Lower(key);
}

// As the system's own menus do: a key that one item marks runs it; a key that several share moves
// the highlight to the next of them after the highlighted item, round to the first.
LRESULT MenuEx2::OnMenuChar(char key, HMENU popup) const {
    const int count = GetMenuItemCount(popup);
    int first = -1;
    int afterHighlight = -1;
    int matches = 0;
    bool highlightPassed = false;
    for (int position = 0; position < count; ++position) {
        if (HasAccessKey(GetMenuItemID(popup, position), key)) {
            ++matches;
            if (first < 0) first = position;
            if (highlightPassed && afterHighlight < 0) afterHighlight = position;
        }
        if (GetMenuState(popup, static_cast<UINT>(position), MF_BYPOSITION) & MF_HILITE) highlightPassed = true;
    }
    if (matches == 0) return 0;
    if (matches == 1) return MAKELRESULT(first, MNC_EXECUTE);
    const int next = afterHighlight >= 0 ? afterHighlight : first;
    // Moved here as well as by the answer, for menu loops that do not act on MNC_SELECT.
    HiliteMenuItem(window_, popup, static_cast<UINT>(next), MF_BYPOSITION | MF_HILITE);
    return MAKELRESULT(next, MNC_SELECT);
}

LRESULT CALLBACK MenuEx2WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* menu = static_cast<MenuEx2*>(GetPropA(window, kMenuEx2Property));
    if (!menu) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_MEASUREITEM:
            menu->OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_DRAWITEM:
            menu->OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_MENUCHAR:
            if (HIWORD(wParam) & MF_POPUP) {
                const LRESULT chosen =
                    menu->OnMenuChar(static_cast<char>(LOWORD(wParam)), reinterpret_cast<HMENU>(lParam));
                if (chosen) return chosen;
            }
            break;
    }
    return CallWindowProcA(menu->oldProcedure_, window, message, wParam, lParam);
}
