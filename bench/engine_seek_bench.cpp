// Seeks through Lyrafon.dll (built beside the program) through the recording MIDI device of the test prefix in a song holding 2,000
// system-exclusive messages and 100,000 controller and parameter events before the target, and
// prints how long the restart export took to return and how long the chase took until the first
// note at the target went out. Usage: engine_seek_bench [rounds]   (5 rounds)
#include "engine/engine_exports.h"
#include "tests/common/song_builder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t kTargetPitch = 100;

// One millisecond a tick. In the first 10 s: 2,000 GS parameter messages (reverb time) and
// 100,000 controller, RPN and NRPN events over the 16 channels; at 10 s a note on channel 1.
Bytes BusySong() {
    Bytes track;
    constexpr int kSysEx = 2000;
    constexpr int kControls = 100000;
    constexpr int spacingEvery = 11;  // one tick forward every 11 events: 9,273 ticks in all
    for (int i = 0, sysEx = 0; i < kSysEx + kControls; ++i) {
        PutVarLen(track, i % spacingEvery == 0 ? 1 : 0);
        if (i % 51 == 0 && sysEx < kSysEx) {
            ++sysEx;
            const Bytes body = {0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x34, static_cast<std::uint8_t>(i % 8), 0x00, 0xF7};
            track.push_back(0xF0);
            PutVarLen(track, static_cast<std::uint32_t>(body.size()));
            track.insert(track.end(), body.begin(), body.end());
            continue;
        }
        const auto channel = static_cast<std::uint8_t>(i % 16);
        const std::uint8_t controllers[] = {1, 7, 10, 11, 91, 93, 101, 100, 6, 99, 98, 6};
        std::uint8_t controller = controllers[(i / 16) % std::size(controllers)];
        track.insert(track.end(),
                     {static_cast<std::uint8_t>(0xB0 | channel), controller, static_cast<std::uint8_t>(i % 128)});
    }
    int used = (kSysEx + kControls + spacingEvery - 1) / spacingEvery;
    PutVarLen(track, static_cast<std::uint32_t>(10000 - used));
    track.insert(track.end(), {0x90, kTargetPitch, 0x64});
    PutVarLen(track, 1000);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
    return Smf(0, 0xE728, {Track(track)});
}

std::string BesideProgram(const char* relative) {
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

double NowMs() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The capture time of the first note on of the target pitch, or -1.
double TargetNoteMs(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, " 90 %02X 64", kTargetPitch);
    for (std::string line; std::getline(in, line);) {
        if (line.find(wanted) != std::string::npos) return std::strtod(line.c_str(), nullptr);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    Bytes image = BusySong();
    std::printf("song: %.1f MB, 2000 system-exclusive and 100000 controller events before the target at 10 s\n",
                static_cast<double>(image.size()) / 1e6);
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string capturePath = std::string(folder) + "engine_seek_bench.txt";
    for (int round = 1; round <= rounds; ++round) {
        SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", capturePath.c_str());
        HMODULE library = LoadLibraryA(BesideProgram("..\\bin\\Lyrafon.dll").c_str());
        if (library == nullptr) {
            std::printf("cannot load Lyrafon.dll\n");
            return 1;
        }
        auto openDevice = Resolve<lfOpenDeviceProc>(library, "lfOpenDevice");
        auto play = Resolve<lfDirectPlayMusicProc>(library, "lfDirectPlayMusic");
        auto stop = Resolve<lfStopMusicProc>(library, "lfStopMusic");
        auto seek = Resolve<lfSeekProc>(library, "lfSeek");
        auto restart = Resolve<lfRestartProc>(library, "lfRestart");
        double openedMs = NowMs();  // the capture's times count from the opening
        if (openDevice(kMidiMapperDevice, 0, 0) != kEngineOk ||
            play(image.data(), static_cast<std::uint32_t>(image.size())) != kEngineOk) {
            std::printf("the engine did not play\n");
            return 1;
        }
        stop(100);
        seek(100);  // 10 s
        double calledMs = NowMs();
        std::int32_t restarted = restart();
        double returnedMs = NowMs();
        double noteMs = -1;
        for (int waited = 0; waited < 20000 && noteMs < 0; waited += 20) {
            Sleep(20);
            noteMs = TargetNoteMs(capturePath);
        }
        stop(100);
        FreeLibrary(library);
        DeleteFileA(capturePath.c_str());
        if (restarted != kEngineOk || noteMs < 0) {
            std::printf("the target note never came\n");
            return 1;
        }
        std::printf("round %d: restart returned in %.3f ms; chase done, first note at the target after %.1f ms\n",
                    round, returnedMs - calledMs, noteMs - (calledMs - openedMs));
    }
    return 0;
}
