// Where a settings dialog puts an add-on spin control. The dialogs give each control's place in
// pixels as it stands beside its edit when the dialog font's base units are 7 x 12 pixels
// ("ＭＳ Ｐゴシック" 9 pt on a 96-dpi screen). With other base units the dialog's controls grow or
// shrink with the font, and the spin controls move with them, so each stays beside its own edit.
// Portable: no Windows headers.
#pragma once

struct SpinPlace {
    int x;
    int y;
    bool operator==(const SpinPlace&) const = default;
};

inline constexpr int kReferenceBaseX = 7;
inline constexpr int kReferenceBaseY = 12;

// Rounded to the nearest pixel; the given place itself under the reference base units.
constexpr int ScaleToBase(int pixels, int base, int referenceBase) {
    return (pixels * base + referenceBase / 2) / referenceBase;
}

constexpr SpinPlace PlaceForFont(SpinPlace given, int baseX, int baseY) {
    return {ScaleToBase(given.x, baseX, kReferenceBaseX), ScaleToBase(given.y, baseY, kReferenceBaseY)};
}
