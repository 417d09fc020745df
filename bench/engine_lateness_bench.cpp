// Plays songs through both export sets (Lyrafon.dll and Lfon.dll, built beside the program) into
// the recording MIDI device of the test prefix, through the MIDI mapper, and prints how late each
// note reached the device against its time in the song: median, 99th percentile, maximum.
// Usage: engine_lateness_bench [rounds [song.mid]]   (3 rounds; without a song, two of our own:
// "resets", about 190 notes that begin right after a GS, a GM and an XG reset, the first of them
// the song's first notes; and "dense", 16 channels of notes under changing tempo, 15.6 s)
//
// A note's due time counts from where the song's clock starts on the device: the first notes from
// the last message the play sent before the song (the clean state and defaults), the notes after
// a reset from the end of its pause, 50 ms after the device had the whole reset. So the first
// notes and the notes after a reset are measured as every other note is.
#include "bench/windows_bench.h"
#include "engine/engine_exports.h"
#include "engine/midi_messages.h"
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

// One tick a millisecond. Three parts of 1.6 s, each opening with a reset (GS, GM, XG) and a chord
// of four notes at the reset's own time, then a note every 25 ms, each held 12 ms.
Bytes ResetsSong() {
    Bytes track;
    std::uint32_t last = 0;
    auto put = [&](std::uint32_t at, const Bytes& event) {
        PutVarLen(track, at - last);
        track.insert(track.end(), event.begin(), event.end());
        last = at;
    };
    const lyra::ResetKind resets[] = {lyra::ResetKind::gs, lyra::ResetKind::gm, lyra::ResetKind::xg};
    for (int part = 0; part < 3; ++part) {
        const std::uint32_t start = 1600u * static_cast<std::uint32_t>(part);
        std::span<const std::uint8_t> reset = lyra::ResetMessage(resets[part]);
        Bytes event = {0xF0};
        PutVarLen(event, static_cast<std::uint32_t>(reset.size() - 1));
        event.insert(event.end(), reset.begin() + 1, reset.end());
        put(start, event);
        for (std::uint8_t channel = 0; channel < 4; ++channel) {
            put(start, {static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(60 + channel), 0x50});
        }
        put(start + 12, {0x80, 60, 0});
        for (std::uint32_t k = 1; k < 62; ++k) {
            const auto pitch = static_cast<std::uint8_t>(40 + k % 40);
            put(start + 25 * k, {static_cast<std::uint8_t>(0x90 | (k % 4)), pitch, 0x60});
            put(start + 25 * k + 12, {static_cast<std::uint8_t>(0x80 | (k % 4)), pitch, 0x00});
        }
    }
    put(last + 100, {0xFF, 0x2F, 0x00});
    return Smf(0, 0xE728, {Track(track)});
}

Bytes ReadWholeFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TempPath(const std::string& name) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    return std::string(folder) + name;
}

// The test device writes its record on the sending thread, as each message goes out, and a disk's
// writeback can hold such a write for milliseconds: that would count as the engine's lateness.
// Under Wine the record goes to memory (/dev/shm) where there is one.
std::string RecordPath(const std::string& name) {
    const std::string memoryFolder = "Z:\\dev\\shm\\";
    const DWORD attributes = GetFileAttributesA(memoryFolder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return memoryFolder + name;
    }
    return TempPath(name);
}

struct Captured {
    double ms;
    Bytes bytes;
};

// The device's record; the mapper's 16 copies of a system message count as one, at the last copy.
std::vector<Captured> ReadCapture(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<Captured> messages;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        Captured message{};
        fields >> message.ms;
        for (std::string hex; fields >> hex && hex.size() == 2;)
            message.bytes.push_back(static_cast<std::uint8_t>(std::strtoul(hex.c_str(), nullptr, 16)));
        if (message.bytes.empty()) continue;  // a word such as "open" or "reset"
        if (!messages.empty() && message.bytes[0] >= 0xF0 && messages.back().bytes == message.bytes) {
            messages.back().ms = message.ms;
        } else {
            messages.push_back(message);
        }
    }
    return messages;
}

double Percentile(const std::vector<double>& sorted, double fraction) {
    std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[index];
}

// Plays the song once through one export set; false when it could not.
bool PlayOnce(const Bytes& image, bool lfon, const std::string& capturePath) {
    SetEnvironmentVariableA("KADENZO_MIDI_DEVICE_RECORD", capturePath.c_str());
    HMODULE library = LoadLibraryA(BesideProgram(lfon ? "..\\bin\\Lfon.dll" : "..\\bin\\Lyrafon.dll").c_str());
    if (library == nullptr) return false;
    bool played = false;
    bool busy = true;
    if (lfon) {
        const std::string songPath = TempPath("engine_lateness_bench.mid");
        std::ofstream(songPath, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
        auto getStatus = Resolve<LFGetStatusProc>(library, "LFGetStatus");
        played = Resolve<LFOpenDeviceProc>(library, "LFOpenDevice")(kMidiMapperDevice, 0) == kEngineOk &&
                 Resolve<LFLoadMusicProc>(library, "LFLoadMusic")(songPath.c_str()) == kEngineOk &&
                 Resolve<LFPlayMusicProc>(library, "LFPlayMusic")() == kEngineOk;
        for (; played && busy; Sleep(50)) {
            LfonStatus status{};
            status.size = sizeof status;
            getStatus(&status);
            busy = status.playState == 1 || status.sending == 1;
        }
        DeleteFileA(songPath.c_str());
    } else {
        auto getStatus = Resolve<lfGetStatusProc>(library, "lfGetStatus");
        played = Resolve<lfOpenDeviceProc>(library, "lfOpenDevice")(kMidiMapperDevice, 0, 0) == kEngineOk &&
                 Resolve<lfDirectPlayMusicProc>(library, "lfDirectPlayMusic")(
                     image.data(), static_cast<std::uint32_t>(image.size())) == kEngineOk;
        for (; played && busy; Sleep(50)) {
            LyrafonStatus status{};
            getStatus(&status);
            busy = status.playState == 1 || status.sending == 1;
        }
    }
    FreeLibrary(library);
    return played;
}

struct Figures {
    std::vector<double> lateness;  // of each note, in ms, sorted
    std::size_t differing = 0;     // messages that are not the song's, in order
    double latestAtMs = 0;         // the latest note's time in the song
};

// Lateness of each note on, against the song's clock as it starts on the device.
Figures Measure(const std::vector<Captured>& captured, const std::vector<lyra::OwnedEvent>& events) {
    // Before the song: the first load's clean state (9 messages a channel) and the volume and pan
    // defaults of the play (2 a channel).
    constexpr std::size_t kLeading = 16 * 9 + 16 * 2;
    Figures figures;
    if (captured.size() <= kLeading) return figures;
    double anchorDeviceMs = captured[kLeading - 1].ms;
    double anchorSongMs = 0;
    double latest = 0;
    for (std::size_t i = 0; i < events.size() && kLeading + i < captured.size(); ++i) {
        const Captured& got = captured[kLeading + i];
        const lyra::OwnedEvent& event = events[i];
        if (got.bytes != event.bytes) ++figures.differing;
        const double songMs = static_cast<double>(event.timeUs) / 1000.0;
        if (lyra::IsResetMessage(event.bytes.data(), event.bytes.size())) {
            anchorDeviceMs = got.ms + static_cast<double>(lyra::kResetPauseUs) / 1000.0;
            anchorSongMs = songMs;
        } else if ((event.bytes[0] & 0xF0) == 0x90 && event.bytes[2] != 0) {
            const double late = got.ms - (anchorDeviceMs + songMs - anchorSongMs);
            if (figures.lateness.empty() || late > latest) {
                latest = late;
                figures.latestAtMs = songMs;
            }
            figures.lateness.push_back(late);
        }
    }
    std::sort(figures.lateness.begin(), figures.lateness.end());
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    struct Named {
        const char* name;
        Bytes image;
    };
    std::vector<Named> songs;
    if (argc > 2) {
        songs.push_back({argv[2], ReadWholeFile(argv[2])});
    } else {
        songs.push_back({"resets", ResetsSong()});
        songs.push_back({"dense", DenseSong()});
    }
    for (const Named& named : songs) {
        lyra::Song song;
        if (lyra::ReadSong(named.image.data(), named.image.size(), song) != lyra::ReadResult::ok) {
            std::printf("%s: not a song that plays\n", named.name);
            return 1;
        }
        const std::vector<lyra::OwnedEvent> events = lyra::CollectEvents(song);
        std::printf("song %s: %.1f s, %zu events\n", named.name, static_cast<double>(song.lengthUs) / 1e6,
                    events.size());
        for (bool lfon : {false, true}) {
            for (int round = 1; round <= rounds; ++round) {
                const std::string capturePath = RecordPath("engine_lateness_bench_" + std::to_string(round) + ".txt");
                DeleteFileA(capturePath.c_str());
                if (!PlayOnce(named.image, lfon, capturePath)) {
                    std::printf("the engine did not play\n");
                    return 1;
                }
                const Figures figures = Measure(ReadCapture(capturePath), events);
                DeleteFileA(capturePath.c_str());
                if (figures.lateness.empty()) {
                    std::printf("no note reached the device\n");
                    return 1;
                }
                const std::vector<double>& late = figures.lateness;
                std::printf(
                    "  %-7s round %d: note lateness (ms) median %.3f  p99 %.3f  max %.3f (at %.0f ms)  min %.3f   "
                    "(%zu notes, %zu messages differing)\n",
                    lfon ? "Lfon" : "Lyrafon", round, Percentile(late, 0.5), Percentile(late, 0.99), late.back(),
                    figures.latestAtMs, late.front(), late.size(), figures.differing);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
