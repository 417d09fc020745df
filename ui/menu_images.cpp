#include "ui/menu_images.h"

#include "res/resource.h"
#include "ui/gdi_bitmap.h"
#include "ui/menu_ex2.h"

namespace {

// One menu object for the whole process: the main window's.
MenuEx2 mainMenuImages;

constexpr int kPictureSize = 16;

// The commands in the order of their pictures in the strip.
constexpr std::uint16_t kPictureCommands[] = {
    IDM_OPEN,      IDM_CONVERT,    IDM_SAVE,     IDM_SAVE_UNDER_SONG_NAME,
    IDM_QUIT,      IDM_TONE,       IDM_VOLUME,   IDM_INSTRUMENT,
    IDM_TEMPO,     IDM_TOGGLE_LOG, IDM_PLAY,     IDM_STOP,
    IDM_GM_RESET,  IDM_GS_RESET,   IDM_XG_RESET, IDM_HELP,
    IDM_HOME_PAGE, IDM_ABOUT,
};

HINSTANCE ProgramInstance() { return GetModuleHandleA(nullptr); }

// The strip laid onto the menu colour, its key-coloured pixels showing the menu.
bool PrepareStrip(GdiBitmap* prepared) {
    GdiBitmap strip;
    if (!strip.LoadFromResource(ProgramInstance(), IDB_MENU_PICTURES)) return false;
    return prepared->CreateLike(strip.Handle()) && prepared->Fill(GetSysColor(COLOR_MENU)) &&
           prepared->CopyTransparent(strip.Handle(), kKeyBottomLeft);
}

}  // namespace

void SetUpMenuImages(HWND window) {
    if (!mainMenuImages.Attach(window, GetMenu(window))) return;
    GdiBitmap prepared;
    if (!PrepareStrip(&prepared)) return;
    int left = 0;
    for (const std::uint16_t command : kPictureCommands) {
        GdiBitmap picture(prepared.Cut(left, 0, left + kPictureSize, kPictureSize));
        left += kPictureSize;
        MenuItemLook look;
        look.flags = kLookMarginX | kLookBitmap | kLookBesidePicture | kLookHighlightFrame;
        look.window = window;
        look.commandId = command;
        look.marginX = 2;
        look.marginY = 2;
        look.image = picture.Handle();
        look.imageWidth = kPictureSize;
        look.imageHeight = kPictureSize;
        mainMenuImages.AddItem(&look);  // a refused item stays as the system draws it
    }
}

void DetachMenuImages(HWND) { mainMenuImages.Detach(); }
