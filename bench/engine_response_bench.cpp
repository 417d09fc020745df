// How long each export takes to return while the device is slow: through both export sets, on
// port 0 of the test prefix's recording MIDI device in the modes "late=1500" (long messages
// completed 1.5 s late), "never-done" (never completed) and "slow" (a 31250-baud port that keeps
// the sender 1.3 s on a 4-KiB message). The song opens with a 4-KiB system exclusive, then plays
// a note every 20 ms; each round plays it, stops, plays again, seeks as the program does (stop,
// seek, restart), sends a GS reset and stops; the last round closes the device. Prints the median
// and the longest return of each call. Usage: engine_response_bench [rounds]   (5 rounds)
#include "bench/windows_bench.h"
#include "engine/engine_exports.h"
#include "tests/common/song_builder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

Bytes SlowSong() {
    Bytes track = {0x00, 0xF0};
    PutVarLen(track, 4095);
    track.push_back(0x7D);  // non-commercial
    track.insert(track.end(), 4093, 0x11);
    track.push_back(0xF7);
    for (int k = 0; k < 200; ++k) track.insert(track.end(), {20, 0x90, static_cast<std::uint8_t>(30 + k % 60), 0x64});
    track.insert(track.end(), {20, 0xFF, 0x2F, 0x00});
    return Smf(0, 0xE728, {Track(track)});  // one tick a millisecond
}

// The calls the program makes, on one export set.
struct Calls {
    std::function<void()> open, play, stop, seek, restart, reset, close;
};

Calls LyrafonCalls(HMODULE library, const Bytes& song) {
    auto stop = Resolve<lfStopMusicProc>(library, "lfStopMusic");
    auto play = Resolve<lfDirectPlayMusicProc>(library, "lfDirectPlayMusic");
    auto open = Resolve<lfOpenDeviceProc>(library, "lfOpenDevice");
    auto seek = Resolve<lfSeekProc>(library, "lfSeek");
    return {[=] { open(0, 0, 0); },
            [=, &song] { play(song.data(), static_cast<std::uint32_t>(song.size())); },
            [=] { stop(100); },
            [=] { seek(20); },
            Resolve<lfRestartProc>(library, "lfRestart"),
            Resolve<lfGSResetProc>(library, "lfGSReset"),
            Resolve<lfCloseDeviceProc>(library, "lfCloseDevice")};
}

// The program writes the song to a file and loads it before each play.
Calls LfonCalls(HMODULE library, const std::string& songPath) {
    auto load = Resolve<LFLoadMusicProc>(library, "LFLoadMusic");
    auto play = Resolve<LFPlayMusicProc>(library, "LFPlayMusic");
    auto open = Resolve<LFOpenDeviceProc>(library, "LFOpenDevice");
    auto seek = Resolve<LFSeekProc>(library, "LFSeek");
    auto reset = Resolve<LFSendSysExProc>(library, "LFSendSysEx");
    return {[=] { open(0, 0); },
            [=] {
                load(songPath.c_str());
                play();
            },
            Resolve<LFStopMusicProc>(library, "LFStopMusic"),
            [=] { seek(20); },
            Resolve<LFRestartMusicProc>(library, "LFRestartMusic"),
            [=] { reset(kLfonSysExGsReset, 0); },
            Resolve<LFCloseDeviceProc>(library, "LFCloseDevice")};
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const Bytes song = SlowSong();
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string songPath = std::string(folder) + "engine_response_bench.mid";
    std::ofstream(songPath, std::ios::binary).write(reinterpret_cast<const char*>(song.data()), song.size());
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", (std::string(folder) + "engine_response_bench.txt").c_str());
    for (const char* mode : {"late=1500", "never-done", "slow"}) {
        SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_MODE", mode);
        for (bool lfon : {false, true}) {
            HMODULE library = LoadLibraryA(BesideProgram(lfon ? "..\\bin\\Lfon.dll" : "..\\bin\\Lyrafon.dll").c_str());
            if (library == nullptr) {
                std::printf("cannot load the engine\n");
                return 1;
            }
            const Calls calls = lfon ? LfonCalls(library, songPath) : LyrafonCalls(library, song);
            std::map<std::string, std::vector<double>> returns;
            auto timed = [&](const char* name, const std::function<void()>& call) {
                const double start = NowMs();
                call();
                returns[name].push_back(NowMs() - start);
            };
            calls.open();
            for (int round = 1; round <= rounds; ++round) {
                timed("play", calls.play);
                Sleep(100);  // the device has the long message
                timed("stop", calls.stop);
                timed("play", calls.play);
                Sleep(100);
                timed("stop", calls.stop);  // the program's seek
                timed("seek", calls.seek);
                timed("restart", calls.restart);
                Sleep(100);
                timed("reset", calls.reset);
                timed("stop", calls.stop);
            }
            timed("close", calls.close);
            std::printf("%-10s %-7s", mode, lfon ? "Lfon" : "Lyrafon");
            for (auto& [name, times] : returns) {
                std::sort(times.begin(), times.end());
                std::printf("  %s %.3f/%.3f", name.c_str(), times[times.size() / 2], times.back());
            }
            std::printf("   (ms, median/longest)\n");
            std::fflush(stdout);
            FreeLibrary(library);
            Sleep(3000);  // the engine's thread finishes with the device and lets the library go
        }
    }
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_MODE", nullptr);
    DeleteFileA(songPath.c_str());
    DeleteFileA((std::string(folder) + "engine_response_bench.txt").c_str());
    return 0;
}
