// Walks a generated 16 MiB song with every setting active, summarises the same song and copies
// its bytes with memcpy in the same run; prints the speed of each. Figures only: nothing passes
// or fails.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "song/convert.h"
#include "song/song_summary.h"
#include "tests/common/song_builder.h"

namespace {

constexpr std::size_t kSongSize = 16u << 20;
constexpr int kRounds = 30;

void Append(std::vector<std::uint8_t>& song, std::initializer_list<std::uint8_t> bytes) {
    song.insert(song.end(), bytes);
}

// One track of chords on every channel: a status byte, then running status for the rest of the
// chord and its note offs; now and then a program change and a key signature.
std::vector<std::uint8_t> DenseSong() {
    constexpr std::size_t kChunkHeaders = 14 + 8;  // "MThd" and its body, "MTrk" and its length
    std::vector<std::uint8_t> track;
    track.reserve(kSongSize);
    for (std::uint32_t block = 0; kChunkHeaders + track.size() < kSongSize - 64; ++block) {
        const std::uint8_t channel = block % 16;
        const std::uint8_t key = 36 + block % 48;
        const std::uint8_t velocity = 1 + block % 127;
        if (block % 256 == 0) Append(track, {0x00, 0xFF, 0x59, 0x02, static_cast<std::uint8_t>(block % 8), 0x00});
        if (block % 64 == 0) Append(track, {0x00, static_cast<std::uint8_t>(0xC0 | channel), 5});
        Append(track, {0x00, static_cast<std::uint8_t>(0x90 | channel), key, velocity});
        Append(track, {0x00, static_cast<std::uint8_t>(key + 4), velocity, 0x00, static_cast<std::uint8_t>(key + 7),
                       velocity});
        Append(track, {0x60, key, 0x00, 0x00, static_cast<std::uint8_t>(key + 4), 0x00, 0x00,
                       static_cast<std::uint8_t>(key + 7), 0x00});
    }
    Append(track, {0x00, 0xFF, 0x2F, 0x00});
    return Smf(0, 480, {Track(track)});
}

ConversionSettings EverySetting() {
    ConversionSettings settings;
    settings.toneShift = 3;
    settings.warnOutOfRange = 0;
    settings.tempoPercent = 150;
    settings.muteTrackMask = 1u << 15;
    for (int channel = 0; channel < kTrackCount; ++channel) {
        settings.absoluteVolume[channel] = channel % 3 == 0;
        settings.volume[channel] = channel % 3 == 0 ? 90 : 80;
        settings.instrument[channel] = static_cast<std::uint8_t>(channel * 5);
    }
    return settings;
}

template <typename Work>
double BestSeconds(Work work) {
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

}  // namespace

int main() {
    const std::vector<std::uint8_t> song = DenseSong();
    const ConversionSettings settings = EverySetting();
    std::vector<std::uint8_t> output(song.size());
    ConversionReports reports;

    WalkOutcome outcome{};
    const double convertSeconds = BestSeconds([&] { outcome = ConvertSongBytes(song, settings, output, reports); });
    if (outcome.result != ConversionResult::Converted || outcome.length != song.size()) {
        std::printf("the generated song did not convert whole (result %d)\n", static_cast<int>(outcome.result));
        return 1;
    }
    SongSummary summary;
    const double summarySeconds = BestSeconds([&] { summary = SummarizeSong(song); });
    if (summary.damage != SongDamage::None || summary.tracks.size() != kTrackCount) {
        std::printf("the generated song was not summarised whole\n");
        return 1;
    }
    const double copySeconds = BestSeconds([&] {
        std::memcpy(output.data(), song.data(), song.size());
        asm volatile("" : : "r"(output.data()) : "memory");  // keep the copy
    });

    const double megabytes = static_cast<double>(song.size()) / 1e6;
    const double convertRate = megabytes / convertSeconds;
    const double copyRate = megabytes / copySeconds;
    std::printf("song: %zu bytes, best of %d rounds each\n", song.size(), kRounds);
    std::printf("convert: %.0f MB/s, memcpy: %.0f MB/s, ratio: %.3f\n", convertRate, copyRate, convertRate / copyRate);
    std::printf("summary: %.2f ms (%.0f MB/s), conversion walk: %.2f ms, summary/walk: %.2f\n", summarySeconds * 1e3,
                megabytes / summarySeconds, convertSeconds * 1e3, summarySeconds / convertSeconds);
    return 0;
}
