#include "ui/menu_images.h"

#include "res/resource.h"
#include "ui/display_scale.h"
#include "ui/gdi_bitmap.h"
#include "ui/menu_ex2.h"
#include "ui/window_dpi.h"

namespace {

// One menu object for the whole process: the main window's.
MenuEx2 mainMenuImages;

// The gap around each picture at 96 DPI.
constexpr int kPictureMargin = 2;

// The commands in the order of their pictures in the strip.
constexpr std::uint16_t kPictureCommands[] = {
    IDM_OPEN,      IDM_CONVERT,    IDM_SAVE,     IDM_SAVE_UNDER_SONG_NAME,
    IDM_QUIT,      IDM_TONE,       IDM_VOLUME,   IDM_INSTRUMENT,
    IDM_TEMPO,     IDM_TOGGLE_LOG, IDM_PLAY,     IDM_STOP,
    IDM_GM_RESET,  IDM_GS_RESET,   IDM_XG_RESET, IDM_HELP,
    IDM_HOME_PAGE, IDM_ABOUT,
};

HINSTANCE ProgramInstance() { return GetModuleHandleA(nullptr); }

// Each picture size has its own strip, drawn for that size.
int StripFor(int pictureSize) {
    switch (pictureSize) {
        case 24: return IDB_MENU_PICTURES_24;
        case 32: return IDB_MENU_PICTURES_32;
        default: return IDB_MENU_PICTURES;
    }
}

// The strip laid onto the menu colour, its key-coloured pixels showing the menu.
bool PrepareStrip(int pictureSize, GdiBitmap* prepared) {
    GdiBitmap strip;
    if (!strip.LoadFromResource(ProgramInstance(), StripFor(pictureSize))) return false;
    return prepared->CreateLike(strip.Handle()) && prepared->Fill(GetSysColor(COLOR_MENU)) &&
           prepared->CopyTransparent(strip.Handle(), kKeyBottomLeft);
}

}  // namespace

void SetUpMenuImages(HWND window) {
    if (!mainMenuImages.Attach(window, GetMenu(window))) return;
    const int dpi = WindowDpi(window);
    const int pictureSize = MenuPictureSize(dpi);
    const auto margin = static_cast<std::uint8_t>(ScaleForDpi(kPictureMargin, dpi));
    GdiBitmap prepared;
    if (!PrepareStrip(pictureSize, &prepared)) return;
    int left = 0;
    for (const std::uint16_t command : kPictureCommands) {
        GdiBitmap picture(prepared.Cut(left, 0, left + pictureSize, pictureSize));
        left += pictureSize;
        MenuItemLook look;
        look.flags = kLookMarginX | kLookBitmap | kLookBesidePicture | kLookHighlightFrame;
        look.window = window;
        look.commandId = command;
        look.marginX = margin;
        look.marginY = margin;
        look.image = picture.Handle();
        look.imageWidth = static_cast<std::int16_t>(pictureSize);
        look.imageHeight = static_cast<std::int16_t>(pictureSize);
        mainMenuImages.AddItem(&look);  // a refused item stays as the system draws it
    }
}

void DetachMenuImages(HWND) { mainMenuImages.Detach(); }

void RescaleMenuImages(HWND window) {
    // Registered anew, the items take the strip and margins of the new DPI; the system measures
    // items again once they have changed.
    mainMenuImages.Detach();
    SetUpMenuImages(window);
    DrawMenuBar(window);
}
