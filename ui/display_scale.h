// Lengths at the screen's scale. The program's geometry is given for a 96-DPI screen; at any other
// DPI it grows or shrinks in proportion. Portable: plain arithmetic.
#pragma once

inline constexpr int kBaseDpi = 96;

// `length` (given at 96 DPI) at `dpi`, rounded to the nearest pixel, halves away from zero, as
// the system's MulDiv rounds; a DPI of 0 or less (none known) leaves the length as given.
int ScaleForDpi(int length, int dpi);

// The sizes the menu pictures are drawn at, smallest first: one strip each.
inline constexpr int kMenuPictureSizes[] = {16, 24, 32};

// The menu picture size for `dpi`: the smallest drawn size that covers the 16-pixel picture
// scaled to `dpi`, the largest when none does. Never a stretched picture, never a cut one.
int MenuPictureSize(int dpi);

// The scales the animation clip is drawn at, in percent, smallest first: one clip each.
inline constexpr int kClipScales[] = {100, 150, 200};

// The clip for `dpi`: the largest drawn for a scale not above the screen's, so that it never
// outgrows its place; the smallest below 100 %.
int ClipScale(int dpi);
