// Peak memory of the engine's song reader and a load into the sequencer, against the song's size,
// for a dense generated song (16 tracks of notes under running status, default about 100 MB).
// Linux only: the peak comes from /proc/self/status. Usage: engine_memory_bench [megabytes]
#include "engine/sequencer.h"
#include "engine/smf_reader.h"
#include "tests/common/song_builder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Each track: a note on with its status, then running-status pairs "delta pitch velocity", one
// tick apart, alternating on and off (velocity 0): 3 bytes an event.
Bytes DenseSong(std::size_t megabytes) {
    const std::size_t perTrack = megabytes * 1000000 / 16 / 3;
    Bytes image = Header(1, 16, 480);
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        std::size_t body = 4 + 3 * perTrack + 4;
        // The chunk header alone: the events go straight into the image, not through a copy.
        const Bytes chunk = ChunkWithLength("MTrk", static_cast<std::uint32_t>(body), {});
        image.insert(image.end(), chunk.begin(), chunk.end());
        image.insert(image.end(), {0x00, static_cast<std::uint8_t>(0x90 | channel), 60, 100});
        for (std::size_t i = 0; i < perTrack; ++i) {
            image.insert(image.end(),
                         {0x01, static_cast<std::uint8_t>(36 + i % 48), static_cast<std::uint8_t>(i % 2 ? 0 : 90)});
        }
        image.insert(image.end(), {0x01, 0xFF, 0x2F, 0x00});
    }
    return image;
}

// The process's resident peak in kB; the peak is reset first when `reset`.
long PeakKb(bool reset) {
    if (reset) std::ofstream("/proc/self/clear_refs") << "5";
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

class NoClock final : public lyra::Clock {
public:
    std::int64_t NowUs() const override { return 0; }
};
class NoSink final : public lyra::MidiSink {
public:
    void Send(const std::uint8_t*, std::size_t) override {}
};

}  // namespace

int main(int argc, char** argv) {
    std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    Bytes image = DenseSong(megabytes);
    long baseKb = PeakKb(true);
    NoClock clock;
    NoSink sink;
    lyra::Sequencer sequencer(clock, sink);
    {
        lyra::Song song;
        if (lyra::ReadSong(image.data(), image.size(), song) != lyra::ReadResult::ok) return 1;
        std::printf("song: %.1f MB, %.1f s\n", static_cast<double>(image.size()) / 1e6,
                    static_cast<double>(song.lengthUs) / 1e6);
        sequencer.Load(std::move(song));
    }
    long peakKb = PeakKb(false);
    double engineMb = static_cast<double>(peakKb - baseKb) / 1024.0;
    double songMb = static_cast<double>(image.size()) / (1024.0 * 1024.0);
    std::printf("peak engine memory: %.1f MiB for a %.1f MiB song (%.2f times the song; the bound is %.1f MiB)\n",
                engineMb, songMb, engineMb / songMb, 2 * songMb + 16);
    return 0;
}
