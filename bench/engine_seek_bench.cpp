// Seeks through Lyrafon.dll (built beside the program), playing into the test prefix's recording
// MIDI device (port 0, not the mapper), to a target at 10 s, in one of three songs: "busy", 2,000
// system-exclusive messages and 100,000 controller and parameter events before the target; "short",
// 400,000 ten-byte GS parameter messages (5 MiB); or N MiB of 4-KiB system-exclusive messages.
// Prints how long the seek's three exports (stop, seek, restart) took to return, how long after the
// stop's clean state the first note at the target reached the port, and the most memory the
// process took above what it held before the engine had the song. Without a song named, runs itself once for each of
// busy, short and 16, so that each peak is its own process's.
// Usage: engine_seek_bench [rounds [busy|short|N]]   (3 rounds)
#include "bench/windows_bench.h"
#include "engine/engine_exports.h"
#include "tests/common/song_builder.h"

#include <windows.h>
#include <psapi.h>

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

// `count` system-exclusive messages, `perTick` of them a millisecond, then the target note at 10 s:
// `mebibytes` of 4-KiB non-commercial messages, or 400,000 GS part levels over the 16 parts. Built
// in place: a copy on the way would raise the peak before the engine has the song.
Bytes SysExRichSong(int mebibytes) {
    const bool gs = mebibytes == 0;
    const int count = gs ? 400000 : mebibytes * 256;
    const int perTick = gs ? 100 : 1;
    Bytes song = Header(0, 1, 0xE728);
    song.reserve(static_cast<std::size_t>(count) * (gs ? 13 : 4100) + 64);
    song.insert(song.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
    for (int i = 0; i < count; ++i) {
        PutVarLen(song, i > 0 && i % perTick == 0 ? 1 : 0);
        song.push_back(0xF0);
        if (gs) {
            auto part = static_cast<std::uint8_t>(0x10 | (i % 16)), level = static_cast<std::uint8_t>(i % 128);
            auto sum = static_cast<std::uint8_t>((256 - 0x40 - part - 0x19 - level) % 128);
            song.insert(song.end(), {10, 0x41, 0x10, 0x42, 0x12, 0x40, part, 0x19, level, sum, 0xF7});
            continue;
        }
        PutVarLen(song, 4095);
        song.push_back(0x7D);  // non-commercial
        song.insert(song.end(), 4093, static_cast<std::uint8_t>(i % 128));
        song.push_back(0xF7);
    }
    PutVarLen(song, static_cast<std::uint32_t>(10000 - (count - 1) / perTick));
    song.insert(song.end(), {0x90, kTargetPitch, 0x64});
    PutVarLen(song, 1000);
    song.insert(song.end(), {0xFF, 0x2F, 0x00});
    const std::size_t length = song.size() - 22;
    for (int i = 0; i < 4; ++i) song[18 + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    return song;
}

std::size_t WorkingSet(bool peak) {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize;
}

// On the device's clock, from the stop's clean state (its first message, All Sound Off on channel
// 1, the last before the note) to the first note on of the target pitch; -1 before that note.
double TargetNoteMs(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, " 90 %02X 64", kTargetPitch);
    double stoppedMs = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.find(" B0 78 00") != std::string::npos) stoppedMs = std::strtod(line.c_str(), nullptr);
        if (line.find(wanted) != std::string::npos) return std::strtod(line.c_str(), nullptr) - stoppedMs;
    }
    return -1;
}

// Runs this program once more for each song, one after another.
int RunEachSong(int rounds) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    for (const char* song : {"busy", "short", "16"}) {
        std::string command = "\"" + std::string(self) + "\" " + std::to_string(rounds) + " " + song;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            return 1;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (argc < 3) return RunEachSong(rounds);
    const std::string which = argv[2];
    int mebibytes = which == "busy" ? -1 : which == "short" ? 0 : std::max(1, std::atoi(argv[2]));
    Bytes image = mebibytes >= 0 ? SysExRichSong(mebibytes) : BusySong();
    if (mebibytes > 0) {
        std::printf("song: %.1f MiB of 4-KiB system-exclusive messages before the target at 10 s\n",
                    static_cast<double>(image.size()) / 1048576.0);
    } else if (mebibytes == 0) {
        std::printf("song: %.1f MiB, 400000 ten-byte GS messages before the target at 10 s\n",
                    static_cast<double>(image.size()) / 1048576.0);
    } else {
        std::printf("song: %.1f MB, 2000 system-exclusive and 100000 controller events before the target at 10 s\n",
                    static_cast<double>(image.size()) / 1e6);
    }
    std::fflush(stdout);
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    for (int round = 1; round <= rounds; ++round) {
        std::string capturePath = std::string(folder) + "engine_seek_bench_" + std::to_string(round) + ".txt";
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
        if (openDevice(0, 0, 0) != kEngineOk) {
            std::printf("the device did not open\n");
            return 1;
        }
        const std::size_t held = WorkingSet(false);
        if (play(image.data(), static_cast<std::uint32_t>(image.size())) != kEngineOk) {
            std::printf("the engine did not play\n");
            return 1;
        }
        Sleep(50);  // playing
        double calledMs = NowMs();
        stop(100);  // what the program does when the slider is let go
        double stoppedMs = NowMs();
        seek(100);  // 10 s
        double soughtMs = NowMs();
        std::int32_t restarted = restart();
        double returnedMs = NowMs();
        double noteMs = -1;
        for (int waited = 0; waited < 20000 && noteMs < 0; waited += 100) {
            Sleep(100);
            noteMs = TargetNoteMs(capturePath);
        }
        stop(100);
        FreeLibrary(library);
        DeleteFileA(capturePath.c_str());
        if (restarted != kEngineOk || noteMs < 0) {
            std::printf("the target note never came\n");
            return 1;
        }
        std::printf(
            "round %d: stop, seek, restart returned in %.3f, %.3f, %.3f ms; first note at the target %.1f ms "
            "after the stop at the device; peak %.1f MiB above the play (%.2f songs; from round 2 on, the "
            "largest so far)\n",
            round, stoppedMs - calledMs, soughtMs - stoppedMs, returnedMs - soughtMs, noteMs,
            static_cast<double>(WorkingSet(true) - held) / 1048576.0,
            static_cast<double>(WorkingSet(true) - held) / static_cast<double>(image.size()));
        std::fflush(stdout);
    }
    return 0;
}
