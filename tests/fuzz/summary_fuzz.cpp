// libFuzzer target of the song summary: any bytes. Besides the sanitizers' watch over every
// access, the summary must agree with the conversion walk: it stops when the walk fails, for the
// same kind of reason, and its shift range is exactly what the walk accepts.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "song/convert.h"
#include "song/song_summary.h"

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "summary invariant broken: %s\n", what);
    std::abort();
}

ConversionResult ConvertWithShift(std::span<const std::uint8_t> song, int shift) {
    ConversionSettings settings;
    settings.toneShift = static_cast<std::int16_t>(shift);
    std::unique_ptr<std::uint8_t[]> output(new std::uint8_t[song.size()]);
    ConversionReports ignored;
    return ConvertSongBytes(song, settings, {output.get(), song.size()}, ignored).result;
}

ConversionResult ExpectedResult(const SongSummary& summary) {
    if (summary.damage == SongDamage::None) return ConversionResult::Converted;
    return IsBrokenFormat(summary.damage) ? ConversionResult::BadFormat : ConversionResult::Unsupported;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < 14) return 0;
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);  // exactly sized: one byte too far is caught
    std::memcpy(copy.get(), bytes, size);
    const std::span<const std::uint8_t> song(copy.get(), size);

    const SongSummary summary = SummarizeSong(song);
    Require(summary.damage != SongDamage::Refused && summary.stoppedAt <= size, "stopped outside the song");
    const ConversionResult read = ExpectedResult(summary);
    const ConversionResult plain = ConvertWithShift(song, 0);  // out of range: a key above 127
    Require(plain == read || plain == ConversionResult::OutOfRange, "the walk and the summary disagree");
    if (!summary.shift) {
        Require(plain == read && ConvertWithShift(song, -300) == read, "a shift mattered without notes");
        return 0;
    }
    const auto [lowest, highest] = *summary.shift;
    const ConversionResult atTheEnds = lowest > highest ? ConversionResult::OutOfRange : read;  // an empty range
    Require(ConvertWithShift(song, lowest) == atTheEnds, "the lowest shift");
    Require(ConvertWithShift(song, highest) == atTheEnds, "the highest shift");
    Require(ConvertWithShift(song, lowest - 1) == ConversionResult::OutOfRange, "below the range was accepted");
    Require(ConvertWithShift(song, highest + 1) == ConversionResult::OutOfRange, "above the range was accepted");
    return 0;
}
