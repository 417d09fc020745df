// Helpers for the engine's Windows tests: the built libraries by full path, and what the tests
// that listen to the engine share.
#pragma once
#include "capture_support.h"
#include "engine/engine_exports.h"

#include <windows.h>
#include <psapi.h>

#include <string>

// Loads a library by full path; released when it goes out of scope.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    ~LoadedLibrary() { Release(); }

    bool Loaded() const { return module_ != nullptr; }
    void Release() {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = nullptr;
    }
    template <typename Proc>
    Proc Resolve(const char* name) const {
        return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// The process's memory in use now, and the most it has used.
inline std::size_t WorkingSetBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}
inline std::size_t PeakWorkingSetBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}
