// Plays a dense song through Lyrafon.dll (built beside the program) through the recording MIDI device of the test prefix and prints
// how late each message was sent against its time in the song: median, 99th percentile, maximum.
// Usage: engine_lateness_bench [rounds [song.mid]]   (3 rounds; without a song: 16 channels of
// notes under changing tempo, 15.6 s)
// Times are compared from the first message on, and measured against the most punctual message.
#include "engine/engine_exports.h"
#include "engine/smf_reader.h"
#include "tests/common/song_builder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Format 1, 480 ticks a quarter, the tempo changing every four beats between 100 and 160 bpm;
// channel c plays a note every 24 ticks, starting c ticks in, held 12 ticks.
Bytes DenseSong() {
    const int beats = 32;
    const std::uint32_t ticks = beats * 480;
    Bytes image = Header(1, 17, 480);
    auto putTrack = [&image](const Bytes& body) {
        const Bytes chunk = Track(body);
        image.insert(image.end(), chunk.begin(), chunk.end());
    };
    Bytes conductor;
    for (int bar = 0; bar < beats / 4; ++bar) {
        std::uint32_t tempo = 60000000 / (bar % 2 == 0 ? 100 : 160);
        PutVarLen(conductor, bar == 0 ? 0 : 4 * 480);
        conductor.insert(conductor.end(), {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(tempo >> 16),
                                           static_cast<std::uint8_t>(tempo >> 8), static_cast<std::uint8_t>(tempo)});
    }
    PutVarLen(conductor, 4 * 480);
    conductor.insert(conductor.end(), {0xFF, 0x2F, 0x00});
    putTrack(conductor);
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        Bytes track;
        std::uint32_t at = channel;
        std::uint32_t last = 0;
        for (int k = 0; at + 12 < ticks; ++k, at += 24) {
            std::uint8_t pitch = static_cast<std::uint8_t>(36 + (k * 7 + channel) % 60);
            PutVarLen(track, at - last);
            track.insert(track.end(), {static_cast<std::uint8_t>(0x90 | channel), pitch, 0x60});
            PutVarLen(track, 12);
            track.insert(track.end(), {static_cast<std::uint8_t>(0x80 | channel), pitch, 0x00});
            last = at + 12;
        }
        PutVarLen(track, ticks - last);
        track.insert(track.end(), {0xFF, 0x2F, 0x00});
        putTrack(track);
    }
    return image;
}

Bytes ReadWholeFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

struct Captured {
    double ms;
    Bytes bytes;
};

std::vector<Captured> ReadCapture(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<Captured> messages;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        Captured message{};
        fields >> message.ms;
        for (std::string hex; fields >> hex && hex.size() == 2;)
            message.bytes.push_back(static_cast<std::uint8_t>(std::strtoul(hex.c_str(), nullptr, 16)));
        if (!message.bytes.empty()) messages.push_back(message);  // not a word such as "open" or "reset"
    }
    return messages;
}

double Percentile(const std::vector<double>& sorted, double fraction) {
    std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[index];
}

template <typename Proc>
Proc Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct Figures {
    double median = 0;
    double p99 = 0;
    double max = 0;
    std::size_t captured = 0;
    std::size_t differing = 0;
};

// Plays the song once through the engine; false when the engine could not play it.
bool PlayOnce(const Bytes& image, const lyra::Song& song, Figures& figures) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string capturePath = std::string(folder) + "engine_lateness_bench.txt";
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", capturePath.c_str());

    std::string libraryPath = BesideProgram("..\\bin\\Lyrafon.dll");
    HMODULE library = LoadLibraryA(libraryPath.c_str());
    if (library == nullptr) {
        std::printf("cannot load %s\n", libraryPath.c_str());
        return false;
    }
    auto openDevice = Resolve<lfOpenDeviceProc>(library, "lfOpenDevice");
    auto play = Resolve<lfDirectPlayMusicProc>(library, "lfDirectPlayMusic");
    auto getStatus = Resolve<lfGetStatusProc>(library, "lfGetStatus");
    bool played = openDevice(kMidiMapperDevice, 0, 0) == kEngineOk &&
                  play(image.data(), static_cast<std::uint32_t>(image.size())) == kEngineOk;
    LyrafonStatus status{};
    for (status.playState = played ? 1 : 0; status.playState == 1; getStatus(&status)) Sleep(50);
    FreeLibrary(library);
    std::vector<Captured> captured = ReadCapture(capturePath);
    DeleteFileA(capturePath.c_str());
    if (!played || captured.empty()) {
        std::printf("the engine did not play\n");
        return false;
    }

    // Before the song: the first load's clean state (9 messages a channel) and the volume and pan
    // defaults of the play (2 a channel).
    constexpr std::size_t kLeading = 16 * 9 + 16 * 2;
    if (captured.size() <= kLeading) {
        std::printf("the engine sent nothing of the song\n");
        return false;
    }
    captured.erase(captured.begin(), captured.begin() + kLeading);
    std::vector<lyra::OwnedEvent> events = lyra::CollectEvents(song);
    std::size_t count = std::min(captured.size(), events.size());
    std::vector<double> lateness;
    figures.differing = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const lyra::OwnedEvent& event = events[i];
        if (captured[i].bytes != event.bytes) ++figures.differing;
        double scheduledMs = static_cast<double>(event.timeUs - events[0].timeUs) / 1000.0;
        lateness.push_back((captured[i].ms - captured[0].ms) - scheduledMs);
    }
    // The sequencer never sends early, so the most punctual message is taken as on time.
    std::sort(lateness.begin(), lateness.end());
    double origin = lateness.front();
    for (double& value : lateness) value -= origin;
    figures.median = Percentile(lateness, 0.5);
    figures.p99 = Percentile(lateness, 0.99);
    figures.max = lateness.back();
    figures.captured = captured.size();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    Bytes image = argc > 2 ? ReadWholeFile(argv[2]) : DenseSong();
    lyra::Song song;
    if (lyra::ReadSong(image.data(), image.size(), song) != lyra::ReadResult::ok || lyra::CollectEvents(song).empty()) {
        std::printf("not a song that plays\n");
        return 1;
    }
    std::printf("song: %.1f s, %zu events\n", static_cast<double>(song.lengthUs) / 1e6,
                lyra::CollectEvents(song).size());
    for (int round = 1; round <= rounds; ++round) {
        Figures figures;
        if (!PlayOnce(image, song, figures)) return 1;
        std::printf("round %d: lateness (ms) median %.3f  p99 %.3f  max %.3f   (%zu captured, %zu differing)\n", round,
                    figures.median, figures.p99, figures.max, figures.captured, figures.differing);
    }
    return 0;
}
