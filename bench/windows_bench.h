// What the Windows benchmarks share: where the program's libraries are, their exports, the clock.
#pragma once
#include <windows.h>

#include <string>

// A path relative to the benchmark's own folder, made absolute.
inline std::string BesideProgram(const char* relative) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1) + relative;
    char full[MAX_PATH];
    GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
    return full;
}

template <typename Proc>
Proc Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

inline double NowMs() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}
