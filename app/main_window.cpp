#include "app/main_window.h"

#include "app/about_box.h"
#include "app/help_window.h"
#include "app/slider_math.h"
#include "log/app_globals.h"
#include "log/log_window.h"
#include "playback/playback_driver.h"
#include "playback/preview.h"
#include "res/resource.h"
#include "settings/settings_dialogs.h"
#include "song/song_commands.h"
#include "ui/dialog_rescale.h"
#include "ui/file_handle.h"
#include "ui/display_scale.h"
#include "ui/menu_images.h"
#include "ui/messages.h"
#include "ui/window_dpi.h"
#include "ui/window_ref.h"

namespace {

// The clip drawn for the screen's scale, relative to the current folder as the 100 % one is.
const char* ClipPathFor(int dpi) {
    switch (ClipScale(dpi)) {
        case 150: return ".\\VederAze150.avi";
        case 200: return ".\\VederAze200.avi";
        default: return ".\\VederAze.avi";
    }
}

// The clip of the screen's scale, or the 100 % one where that is missing; one that was playing
// plays on. False when no clip opened.
bool OpenClip(HWND window, int dpi) {
    const AnimationControl clip(GetDlgItem(window, IDC_ANIMATION));
    const bool playing = clip.IsPlaying();
    const bool opened = clip.Open(ClipPathFor(dpi)) || clip.Open(".\\VederAze.avi");
    if (opened && playing) clip.Play(0, 0xFFFF, 0xFFFF);
    return opened;
}

void RunDialog(int templateId, DLGPROC procedure) {
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(templateId), mainWindow.load(), procedure, 0);
}

void RunSettings(int templateId, DLGPROC procedure) {
    RunSettingsDialog(appInstance, templateId, procedure, mainWindow.load());
}

void SendResetWhenBound(int kind) {
    if (PlaybackDriver* driver = playbackDriver.load()) driver->SendReset(kind);
}

void RouteCommand(int id) {
    switch (id) {
        case IDC_BROWSE_BUTTON:
        case IDM_OPEN: OpenSong(); break;
        case IDC_TONE_BUTTON:
        case IDM_TONE: RunSettings(IDD_TONE, ToneDialogProc); break;
        case IDC_VOLUME_BUTTON:
        case IDM_VOLUME: RunSettings(IDD_VOLUME, VolumeDialogProc); break;
        case IDC_INSTRUMENT_BUTTON:
        case IDM_INSTRUMENT: RunSettings(IDD_INSTRUMENT, InstrumentDialogProc); break;
        case IDC_TEMPO_BUTTON:
        case IDM_TEMPO: RunSettings(IDD_TEMPO, TempoDialogProc); break;
        case IDC_CONVERT_BUTTON:
        case IDM_CONVERT:
            if (CheckBeforeConversion() == 0) ConvertSong();
            break;
        case IDC_SAVE_BUTTON:
        case IDM_SAVE: SaveWithDialog(); break;
        case IDM_SAVE_UNDER_SONG_NAME: SaveUnderSongName(); break;
        case IDC_PLAY_BUTTON:
        case IDM_PLAY: PreviewPlay(SongToPlay()); break;
        case IDC_STOP_BUTTON:
        case IDM_STOP: PreviewStop(); break;
        case IDM_GM_RESET: SendResetWhenBound(0); break;
        case IDM_GS_RESET: SendResetWhenBound(1); break;
        case IDM_XG_RESET: SendResetWhenBound(2); break;
        case IDM_TOGGLE_LOG: ToggleLogWindow(); break;
        case IDM_HELP: OpenHelp(); break;
        case IDM_HOME_PAGE: OpenHomePage(); break;
        case IDM_ABOUT: RunDialog(IDD_ABOUT, AboutDialogProc); break;
        case IDC_EXIT_BUTTON:
        case IDM_QUIT: PostMessageA(mainWindow.load(), WM_CLOSE, 0, 0); break;
        default: break;  // includes IDOK and IDCANCEL: Enter and Esc never close the window
    }
}

void MoveSlider(WPARAM wParam, HWND slider) {
    const int code = LOWORD(wParam);
    const int current = GetScrollPos(slider, SB_CTL);
    PlaybackDriver* driver = playbackDriver.load();
    const std::int32_t length = driver ? driver->GetLength() : -1;
    const std::int32_t position = NextSliderPosition(current, code, HIWORD(wParam), length);
    sliderPosition = position;
    SetScrollPos(slider, SB_CTL, position, TRUE);
    if (code == kEndScrollCode) {
        SeekFromSlider(position);
        sliderDragging = false;
    } else {
        sliderDragging = true;
    }
}

// The modal loop shows the window only when its queue first runs empty, which is after the posted
// open; a box about the song would come up alone. Shown and painted now, it stands behind the box.
void ShowBeforeStartSong(HWND window) {
    if (IsWindowVisible(window)) return;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    mainWindow = window;
    switch (message) {
        case WM_INITDIALOG:
            InitMainWindow(window);
            DragAcceptFiles(window, TRUE);
            // Posted, so that the song opens once the window is set up.
            if (lParam) PostMessageA(window, kOpenStartSongMessage, 0, lParam);
            return 1;
        case kOpenStartSongMessage:
            ShowBeforeStartSong(window);
            OpenSongAtStart(reinterpret_cast<const char*>(lParam));
            return 1;
        case WM_CLOSE:
            CloseMainWindow(window);
            // The modal loop's own value for a quit differs between platforms (Wine gives IDOK);
            // ending the dialog with 0 makes a normal close end the process with exit code 0.
            EndDialog(window, 0);
            PostQuitMessage(0);
            return 1;
        case WM_COMMAND: RouteCommand(LOWORD(wParam)); return 1;
        case kEngineFailureMessage: ReportEngineFailure(static_cast<std::int32_t>(wParam)); return 1;
        case WM_HSCROLL: MoveSlider(wParam, reinterpret_cast<HWND>(lParam)); return 1;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(window, IDC_PATH_FIELD)) {
                return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_DROPFILES: OpenDroppedSong(reinterpret_cast<HDROP>(wParam)); return 1;
        case WM_HELP: OpenHelp(); return 1;  // F1, as the help menu's command
        case kScreenScaleChangedMessage:
            // The window and its controls are rescaled; its menus and clip follow here.
            RescaleMenuImages(window);
            OpenClip(window, static_cast<int>(wParam));
            return 1;
    }
    return 0;
}

int InitMainWindow(HWND window) {
    WindowRef main(window);
    FollowScreenScale(window);
    main.SetText("曲替丸");
    main.Center(nullptr);
    main.SetIcon(ICON_SMALL, appIcon);
    main.SetIcon(ICON_BIG, appIcon);
    if (!OpenClip(window, WindowDpi(window))) LogText(IDS_CLIP_NOT_LOADED);
    SetUpMenuImages(window);

    SCROLLINFO slider{};
    slider.cbSize = sizeof slider;
    slider.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    slider.nMin = 0;
    slider.nMax = 0;
    slider.nPage = kSliderPage;
    slider.nPos = 0;
    SetScrollInfo(main.Item(IDC_POSITION_SLIDER), SB_CTL, &slider, TRUE);
    return 0;
}

int CloseMainWindow(HWND window) {
    AnimationControl(GetDlgItem(window, IDC_ANIMATION)).Open(nullptr);
    PreviewStop();
    DetachMenuImages(window);
    return 0;
}

int OpenHelp() {
    WaitCursor wait;
    wait.Set(IDC_WAIT);
    // Under Wine the help file's viewer cannot render its pages: the same pages beside the program
    // go to the desktop's browser, or our own viewer, instead.
    char pages[MAX_PATH];
    ProgramDirFile(pages, "help\\index.html");
    if (RunningUnderWine() && FileHandle::Exists(pages) && ShowHelpPages(pages)) return 0;
    char path[MAX_PATH];
    ProgramDirFile(path, "KADENZO.CHM");
    const INT_PTR result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) WindowRef(mainWindow.load()).ShowMessage(LoadText(appInstance, IDS_CANNOT_START_PROGRAM), MB_OK);
    return 0;
}

int OpenHomePage() {
    const int answer = MessageBoxA(mainWindow.load(), LoadText(appInstance, IDS_HOME_PAGE_QUESTION), kProductCaption,
                                   MB_YESNO | MB_ICONEXCLAMATION);
    if (answer != IDYES) return 0;  // also a box that could not be shown
    ShellExecuteA(nullptr, "Open", kHomePageAddress, nullptr, nullptr, SW_SHOW);
    return 0;
}
