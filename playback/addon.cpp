#include "playback/addon.h"

#include "log/app_globals.h"
#include "res/resource.h"
#include "spin/spin_contract.h"
#include "ui/messages.h"
#include "ui/text_utils.h"

namespace {

constexpr UINT kMinimumAddOnVersion = 0x14;
constexpr DWORD kSpinStyle = WS_CHILD | WS_VISIBLE;

// The bound library and its two entry points, all null when nothing is bound. Not an owner that
// frees in its destructor: the library stays loaded until the process ends, and only UnbindAddOn
// releases it earlier.
struct AddOnLibrary {
    HMODULE module = nullptr;
    CreateRFK32Function createSpin = nullptr;
    GetRFK32VersionFunction version = nullptr;
};

AddOnLibrary addOn;

template <typename Function>
Function ResolveExport(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void LogAddOnVersion(unsigned version) {
    char line[256];
    FormatTrace(line, sizeof line, LoadText(appInstance, IDS_ADDON_LOADED), version);
    Log(line);
}

}  // namespace

int BindAddOn() {
    UnbindAddOn();
    addOn.module = LoadLibraryA("rfk32.dll");
    if (!addOn.module) {
        LogText(IDS_ADDON_NOT_FOUND);
        return 0;
    }
    addOn.createSpin = ResolveExport<CreateRFK32Function>(addOn.module, "CreateRFK32");
    addOn.version = ResolveExport<GetRFK32VersionFunction>(addOn.module, "GetRFK32Version");
    if (!addOn.createSpin || !addOn.version) {
        UnbindAddOn();
        LogText(IDS_ADDON_NO_ENTRY);
        return 0;
    }
    const unsigned version = addOn.version();
    if (version >= kMinimumAddOnVersion) {
        LogAddOnVersion(version);
        return 1;
    }
    LogText(IDS_ADDON_TOO_OLD);
    UnbindAddOn();
    return 0;
}

void UnbindAddOn() {
    if (!addOn.module) return;
    FreeLibrary(addOn.module);
    addOn = AddOnLibrary{};
    LogText(IDS_ADDON_UNLOADED);
}

unsigned AddOnVersion() { return addOn.version ? addOn.version() : 0; }

bool AddOnOffersSpin() { return addOn.createSpin != nullptr; }

HWND CreateAddOnSpin(HWND parent, int id, int x, int y, int width, int height) {
    if (!addOn.createSpin) return nullptr;
    return addOn.createSpin(parent, id, kSpinStyle, x, y, width, height, 0, 0);
}

void SetSpinRange(HWND spin, std::int32_t minimum, std::int32_t maximum) {
    SendMessageA(spin, kSpinSetRangeMessage, static_cast<WPARAM>(minimum), maximum);
}

void SetSpinValue(HWND spin, std::int32_t value, LPARAM detail) {
    SendMessageA(spin, kSpinSetValueMessage, static_cast<WPARAM>(value), detail);
}

void AttachSpinEdit(HWND spin, HWND editInWParam, HWND editInLParam) {
    SendMessageA(spin, kSpinAttachEditMessage, reinterpret_cast<WPARAM>(editInWParam),
                 reinterpret_cast<LPARAM>(editInLParam));
}
