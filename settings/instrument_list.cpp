#include "settings/instrument_list.h"

#include "log/app_globals.h"
#include "res/resource.h"
#include "settings/instrument_names.h"
#include "ui/file_handle.h"
#include "ui/messages.h"
#include "ui/window_ref.h"

#include <memory>
#include <new>

namespace {

constexpr char kInstrumentFileName[] = "Instrmnt.txt";

int AppendReason(const ListBoxRef& list, UINT textId) {
    list.InsertString(-1, LoadText(appInstance, textId));
    return 1;
}

}  // namespace

int LoadInstrumentNames(HWND list) {
    char path[MAX_PATH];
    ProgramDirFile(path, kInstrumentFileName);
    return LoadInstrumentNamesFrom(list, path);
}

int LoadInstrumentNamesFrom(HWND list, const char* path) {
    const ListBoxRef names(list);
    if (!FileHandle::Exists(path)) return AppendReason(names, IDS_FILE_NOT_FOUND);
    // Read access only: a names file that is read-only or that another program reads is still
    // read.
    FileHandle file;
    if (file.OpenForReading(path) == INVALID_HANDLE_VALUE) return AppendReason(names, IDS_CANNOT_OPEN_FILE_EN);
    const DWORD size = file.Size();
    if (size == INVALID_FILE_SIZE) return AppendReason(names, IDS_CANNOT_OPEN_FILE_EN);
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[std::size_t{size} + 1]());
    if (!bytes) return AppendReason(names, IDS_OUT_OF_MEMORY);
    if (file.Read(bytes.get(), size) < 0 || file.LastCount() != size) {
        return AppendReason(names, IDS_CANNOT_OPEN_FILE_EN);
    }
    for (const std::string& name : CutInstrumentNames({bytes.get(), size})) names.InsertString(-1, name.c_str());
    return 0;
}
