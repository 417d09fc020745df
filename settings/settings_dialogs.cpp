#include "settings/settings_dialogs.h"

INT_PTR RunSettingsDialog(HINSTANCE instance, int templateId, DLGPROC procedure, HWND owner) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, procedure, 0);
}
