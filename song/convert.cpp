#include "song/convert.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "song/song_header.h"
#include "song/song_reader.h"

namespace {

constexpr std::uint8_t kNoteOff = 0x8;
constexpr std::uint8_t kNoteOn = 0x9;
constexpr std::uint8_t kPolyPressure = 0xA;
constexpr std::uint8_t kProgramChange = 0xC;
constexpr std::uint8_t kChannelPressure = 0xD;
constexpr std::uint8_t kKeySignature = 0x59;

// Every per-channel decision of the note and program rules, worked out once per conversion so
// that the walk only looks values up. Indexed by channel, then by the byte found in the song.
struct ChannelTables {
    std::uint8_t key[kTrackCount][256];
    std::uint8_t velocity[2][kTrackCount][256];  // [0] note off, [1] note on
    bool outOfRange[256];
};

bool TrackIsSet(std::uint32_t mask, int channel) { return (mask >> channel) & 1; }

constexpr std::array<std::uint8_t, 256> kUnchanged = [] {
    std::array<std::uint8_t, 256> values{};
    for (int value = 0; value < 256; ++value) values[value] = static_cast<std::uint8_t>(value);
    return values;
}();

// Relative volume: velocities scaled and truncated, at most 127. A sounding note on never turns
// into a note off unless the percentage silences the track.
void FillRelativeVelocities(int percent, std::uint8_t (&noteOn)[256], std::uint8_t (&noteOff)[256]) {
    for (int velocity = 0; velocity < 256; ++velocity) {
        noteOff[velocity] = static_cast<std::uint8_t>(std::min(velocity * percent / 100, 127));
        noteOn[velocity] = noteOff[velocity];
    }
    if (percent == 0) return;
    for (int velocity = 1; velocity < 256 && noteOn[velocity] == 0; ++velocity) noteOn[velocity] = 1;
}

// Absolute volume: every sounding note on takes the velocity; note offs keep theirs.
void FillAbsoluteVelocities(int velocity, std::uint8_t (&noteOn)[256], std::uint8_t (&noteOff)[256]) {
    std::memset(noteOn, std::min(velocity, 127), sizeof noteOn);
    noteOn[0] = 0;
    std::memcpy(noteOff, kUnchanged.data(), sizeof noteOff);
}

void FillTables(const ConversionSettings& settings, ChannelTables& tables) {
    const int shift = settings.toneShift;
    std::uint8_t shiftedKey[256];
    for (int value = 0; value < 256; ++value) {
        tables.outOfRange[value] = value + shift < 0 || value + shift > 127;
        shiftedKey[value] = ShiftKeyIntoRange(value, settings.toneShift);
    }
    for (int channel = 0; channel < kTrackCount; ++channel) {
        std::uint8_t(&noteOn)[256] = tables.velocity[1][channel];
        std::uint8_t(&noteOff)[256] = tables.velocity[0][channel];
        if (TrackIsSet(settings.muteTrackMask, channel)) {
            std::memset(noteOn, 0, sizeof noteOn);
            std::memset(noteOff, 0, sizeof noteOff);
        } else if (settings.absoluteVolume[channel] == 0) {
            FillRelativeVelocities(settings.volume[channel], noteOn, noteOff);
        } else {
            FillAbsoluteVelocities(settings.volume[channel], noteOn, noteOff);
        }
        const bool shifted = TrackIsSet(settings.toneTrackMask, channel);
        std::memcpy(tables.key[channel], shifted ? shiftedKey : kUnchanged.data(), sizeof tables.key[channel]);
    }
}

// What the conversion does with each event the reading hands it: every change in place, at the
// event's own positions in the output.
class ConversionEvents {
public:
    ConversionEvents(const std::uint8_t* in, std::uint8_t* out, const ConversionSettings& settings,
                     ConversionReports& reports)
        : in_(in), out_(out), settings_(settings), reports_(reports) {
        FillTables(settings, tables_);
    }

    // What the running status means, worked out once when its status byte comes.
    void Status(std::uint8_t status) {
        velocityTable_ = tables_.velocity[(status >> 4) & 1][status & 0x0F];
        keyTable_ = tables_.key[status & 0x0F];
    }

    bool Message(std::uint8_t status, std::size_t data) {
        if (status < 0xA0) {  // note off or note on
            const std::uint8_t key = in_[data];
            out_[data + 1] = velocityTable_[in_[data + 1]];
            if (tables_.outOfRange[key] && !LetThrough()) return false;
            out_[data] = keyTable_[key];
        } else if (status >> 4 == kPolyPressure) {
            out_[data] = keyTable_[in_[data]];
        } else if (status >> 4 == kProgramChange) {
            Program(status & 0x0F, data);
        }
        return true;
    }

    void Meta(std::uint8_t type, std::size_t data, std::uint32_t length, std::uint64_t) {
        if (type == kKeySignature && length >= 1) KeySignature(data);
    }

    void EndOfTrack() {}
    void Exclusive() {}
    void TrackChunk(std::uint64_t) {}

    void Finish() {
        reports_.Finished(settings_.toneShift, outOfRangeCount_);
        for (int channel = 0; channel < kTrackCount; ++channel) {
            const bool chosen = settings_.instrument[channel] < kInstrumentUnchanged;
            if (chosen && !TrackIsSet(programApplied_, channel)) reports_.InstrumentNotFound(channel + 1);
        }
    }

private:
    // An out-of-range note: false when it stops the walk, otherwise reported and counted.
    bool LetThrough() {
        if (settings_.warnOutOfRange == 1) return false;
        reports_.NoteOutOfRangeLetThrough();
        if (outOfRangeCount_ != UINT32_MAX) ++outOfRangeCount_;
        return true;
    }

    void Program(int channel, std::size_t data) {
        const std::uint8_t chosen = settings_.instrument[channel];
        if (chosen >= kInstrumentUnchanged) return;
        out_[data] = chosen;
        programApplied_ |= 1u << channel;
    }

    void KeySignature(std::size_t data) {
        const std::int8_t sf = static_cast<std::int8_t>(in_[data]);
        const std::int8_t shifted = ShiftKeySignature(sf, settings_.toneShift);
        out_[data] = static_cast<std::uint8_t>(shifted);
        reports_.KeySignatureShifted(sf, shifted, sf + settings_.toneShift);
    }

    const std::uint8_t* in_;
    std::uint8_t* out_;
    const ConversionSettings& settings_;
    ConversionReports& reports_;
    ChannelTables tables_;
    const std::uint8_t* velocityTable_ = nullptr;
    const std::uint8_t* keyTable_ = nullptr;
    std::uint32_t outOfRangeCount_ = 0;
    std::uint32_t programApplied_ = 0;
};

ConversionResult ResultOf(SongDamage damage) {
    if (damage == SongDamage::None) return ConversionResult::Converted;
    if (damage == SongDamage::Refused) return ConversionResult::OutOfRange;
    return IsBrokenFormat(damage) ? ConversionResult::BadFormat : ConversionResult::Unsupported;
}

}  // namespace

WalkOutcome ConvertSongBytes(std::span<const std::uint8_t> song, const ConversionSettings& settings,
                             std::span<std::uint8_t> output, ConversionReports& reports) {
    if (song.size() < kSongHeaderSize || output.size() < song.size()) return {ConversionResult::BadFormat, 0};
    // Every byte keeps its position, so the walk copies everything first and changes in place.
    std::memcpy(output.data(), song.data(), song.size());
    if (!ScaleDivision(output.data(), settings.tempoPercent)) reports.DivisionRefused();
    ConversionEvents events(song.data(), output.data(), settings, reports);
    const ReadEnd end = SongReader(song.data(), song.size(), events).Run();
    const ConversionResult result = ResultOf(end.damage);
    if (result != ConversionResult::Converted) return {result, 0};
    events.Finish();
    return {result, end.position};
}

bool ScaleDivision(std::uint8_t* header, std::uint16_t percent) {
    const std::uint16_t division = SongDivision(header);
    if (division & 0x8000) {
        const std::uint32_t ticksPerFrame = std::uint32_t{header[13]} * percent / 100;
        if (ticksPerFrame == 0 || ticksPerFrame > 0xFF) return false;
        header[13] = static_cast<std::uint8_t>(ticksPerFrame);
        return true;
    }
    // A tick count keeps the top bit clear: with it set the header would read as time-code.
    const std::uint32_t scaled = std::uint32_t{division} * percent / 100;
    if (scaled == 0 || scaled > 0x7FFF) return false;
    header[12] = static_cast<std::uint8_t>(scaled >> 8);
    header[13] = static_cast<std::uint8_t>(scaled);
    return true;
}

std::int8_t ShiftKeySignature(std::int8_t sf, std::int16_t shift) {
    if (shift % 12 == 0) return sf;
    int steps = (sf + 7 * shift) % 12;
    if (steps < 0) steps += 12;
    return static_cast<std::int8_t>(steps > 6 ? steps - 12 : steps);
}

std::uint8_t ShiftKeyIntoRange(int key, std::int16_t shift) {
    int moved = key + shift;
    if (moved < 0) moved += 12 * ((-moved + 11) / 12);
    if (moved > 127) moved -= 12 * ((moved - 127 + 11) / 12);
    return static_cast<std::uint8_t>(moved);
}
