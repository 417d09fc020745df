// libFuzzer target of the conversion walk: any settings, any bytes. Besides the sanitizers'
// watch over every access, a finished conversion must be no longer than the song and may differ
// from it only in note keys and velocities, poly-pressure keys, program numbers, key-signature sf
// bytes and the division.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "song/convert.h"
#include "tests/unit/byte_roles.h"

namespace {

ConversionSettings FuzzedSettings(FuzzedDataProvider& data) {
    ConversionSettings settings;
    settings.toneShift = data.ConsumeIntegral<std::int16_t>();
    const auto absolute = data.ConsumeIntegral<std::uint16_t>();
    for (int channel = 0; channel < kTrackCount; ++channel) {
        settings.absoluteVolume[channel] = (absolute >> channel) & 1;
        settings.volume[channel] = data.ConsumeIntegral<std::uint8_t>();
        settings.instrument[channel] = data.ConsumeIntegral<std::uint8_t>();
    }
    settings.warnOutOfRange = data.ConsumeIntegralInRange<std::int16_t>(0, 1);
    settings.tempoPercent = data.ConsumeIntegral<std::uint16_t>();
    settings.toneTrackMask = data.ConsumeIntegral<std::uint16_t>();
    settings.muteTrackMask = data.ConsumeIntegral<std::uint16_t>();
    return settings;
}

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "conversion invariant broken: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const ConversionSettings settings = FuzzedSettings(data);
    const std::vector<std::uint8_t> rest = data.ConsumeRemainingBytes<std::uint8_t>();
    // Exactly sized heap copies, so that one byte too far is caught.
    const std::size_t length = rest.size();
    std::unique_ptr<std::uint8_t[]> song(new std::uint8_t[length]);
    std::unique_ptr<std::uint8_t[]> output(new std::uint8_t[length]);
    if (length > 0) std::memcpy(song.get(), rest.data(), length);

    ConversionReports ignored;
    const WalkOutcome outcome = ConvertSongBytes({song.get(), length}, settings, {output.get(), length}, ignored);
    Require(length == 0 || std::memcmp(song.get(), rest.data(), length) == 0, "the song was changed");
    if (outcome.result != ConversionResult::Converted) return 0;

    Require(outcome.length <= length, "longer than the song");
    const auto roles = ByteRoles(song.get(), outcome.length);
    Require(roles.has_value(), "the walked bytes do not read as a song");
    Require(!ForbiddenChange(song.get(), output.get(), *roles).has_value(), "a byte changed that must be copied");
    for (std::size_t i = 0; i < roles->size(); ++i) {
        if ((*roles)[i] != ByteRole::KeySignature || song[i] == output[i]) continue;
        const auto sf = static_cast<std::int8_t>(output[i]);
        Require(sf >= -7 && sf <= 7, "a key signature outside -7..7");
    }
    return 0;
}
