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

UINT ReadInstrumentNamesFrom(const char* path, std::vector<std::string>& names) {
    if (!FileHandle::Exists(path)) return IDS_FILE_NOT_FOUND;
    // Read access only: a names file that is read-only or that another program reads is still
    // read.
    FileHandle file;
    if (file.OpenForReading(path) == INVALID_HANDLE_VALUE) return IDS_CANNOT_OPEN_FILE_EN;
    const DWORD size = file.Size();
    if (size == INVALID_FILE_SIZE) return IDS_CANNOT_OPEN_FILE_EN;
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[std::size_t{size} + 1]());
    if (!bytes) return IDS_OUT_OF_MEMORY;
    if (file.Read(bytes.get(), size) < 0 || file.LastCount() != size) return IDS_CANNOT_OPEN_FILE_EN;
    names = CutInstrumentNames({bytes.get(), size});
    return 0;
}

std::string InstrumentFilePath() {
    char path[MAX_PATH];
    ProgramDirFile(path, kInstrumentFileName);
    return path;
}

}  // namespace

int LoadInstrumentNames(HWND list) { return LoadInstrumentNamesFrom(list, InstrumentFilePath().c_str()); }

int LoadInstrumentNamesFrom(HWND list, const char* path) {
    const ListBoxRef entries(list);
    std::vector<std::string> names;
    if (const UINT failure = ReadInstrumentNamesFrom(path, names); failure != 0) {
        entries.InsertString(-1, LoadText(appInstance, failure));
        return 1;
    }
    for (const std::string& name : names) entries.InsertString(-1, name.c_str());
    return 0;
}

UINT ReadInstrumentNames(std::vector<std::string>& names) {
    return ReadInstrumentNamesFrom(InstrumentFilePath().c_str(), names);
}
