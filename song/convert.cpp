#include "song/convert.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "song/song_header.h"

namespace {

constexpr std::uint8_t kNoteOff = 0x8;
constexpr std::uint8_t kNoteOn = 0x9;
constexpr std::uint8_t kPolyPressure = 0xA;
constexpr std::uint8_t kProgramChange = 0xC;
constexpr std::uint8_t kChannelPressure = 0xD;
constexpr std::uint8_t kSystemExclusive = 0xF0;
constexpr std::uint8_t kEndOfExclusive = 0xF7;
constexpr std::uint8_t kMetaEvent = 0xFF;
constexpr std::uint8_t kEndOfTrack = 0x2F;
constexpr std::uint8_t kKeySignature = 0x59;
constexpr std::uint8_t kNoRunningStatus = 0;
constexpr std::size_t kChunkHeaderSize = 8;  // type and 32-bit length

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

// Data bytes that follow a status byte of each message type; 0 for system messages.
constexpr std::size_t kDataBytes[16] = {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 1, 1, 2, 0};

class SongWalk {
public:
    SongWalk(const std::uint8_t* in, std::uint8_t* out, std::size_t end, const ConversionSettings& settings,
             ConversionReports& reports)
        : in_(in), out_(out), end_(end), settings_(settings), reports_(reports) {
        FillTables(settings, tables_);
    }

    // Returns Converted with the produced length, or the reason the walk stopped. Channel
    // messages, nearly every event of a song, are handled here in the loop with the state in
    // locals, so that the next position depends on as few loaded bytes as possible; everything
    // else goes through Event.
    WalkOutcome Run() {
        const std::uint8_t* const in = in_;
        std::uint8_t* const out = out_;
        const std::size_t end = end_;
        std::size_t position = kSongHeaderSize;
        std::uint8_t runningStatus = kNoRunningStatus;
        // What the running status means, worked out when its status byte comes.
        std::size_t runningDataBytes = 0;
        const std::uint8_t* velocityTable = nullptr;
        const std::uint8_t* keyTable = nullptr;
        while (position < end) {
            const std::uint8_t first = in[position];
            std::size_t data = position;
            if (first < 0x80 && runningStatus != kNoRunningStatus &&
                !(first == 'M' && StartsChunkSignature(position))) {
                // running status: the event is its data bytes
            } else if (first >= 0x80 && first < kSystemExclusive) {
                runningStatus = first;
                betweenChunks_ = false;
                runningDataBytes = kDataBytes[first >> 4];
                velocityTable = tables_.velocity[(first >> 4) & 1][first & 0x0F];
                keyTable = tables_.key[first & 0x0F];
                data = position + 1;
            } else {
                bool deltaTimeFollows = true;
                const ConversionResult result = Event(position, runningStatus, deltaTimeFollows);
                if (result != ConversionResult::Converted) return {result, 0};
                if (deltaTimeFollows && !SkipDeltaTime(position)) return {ConversionResult::BadFormat, 0};
                if (tracksDone_ == SongTrackCount(in)) break;
                continue;
            }
            if (end - data < runningDataBytes) return {ConversionResult::BadFormat, 0};
            position = data + runningDataBytes;
            if (runningStatus < 0xA0) {  // note off or note on
                const std::uint8_t key = in[data];
                out[data + 1] = velocityTable[in[data + 1]];
                if (tables_.outOfRange[key] && !LetThrough()) return {ConversionResult::OutOfRange, 0};
                out[data] = keyTable[key];
            } else if (runningStatus >> 4 == kPolyPressure) {
                out[data] = keyTable[in[data]];
            } else if (runningStatus >> 4 == kProgramChange) {
                Program(runningStatus & 0x0F, data);
            }
            if (position < end && in[position] < 0x80) {
                ++position;  // a one-byte delta time
            } else if (!SkipDeltaTime(position)) {
                return {ConversionResult::BadFormat, 0};
            }
        }
        Finish();
        return {ConversionResult::Converted, position};
    }

private:
    // One event or chunk at `position` other than a channel message with a status byte or in
    // running status; moves `position` past it. A chunk other than a track is followed by the
    // next chunk, not by a delta time.
    ConversionResult Event(std::size_t& position, std::uint8_t& runningStatus, bool& deltaTimeFollows) {
        const std::uint8_t first = in_[position];
        if (first >= 0x80) {
            // Running status carries on across meta and exclusive events; a chunk header and
            // an End of Track end it.
            betweenChunks_ = false;
            if (first == kSystemExclusive) return SystemExclusive(position);
            if (first == kMetaEvent) return MetaEvent(position, runningStatus);
            return ConversionResult::Unsupported;
        }
        switch (ChunkSignatureAt(position)) {
            case ChunkSignature::Track:
                if (end_ - position < kChunkHeaderSize) return ConversionResult::BadFormat;
                position += kChunkHeaderSize;  // "MTrk" and the chunk length, copied as they are
                runningStatus = kNoRunningStatus;
                betweenChunks_ = false;
                return ConversionResult::Converted;
            case ChunkSignature::Header:
            case ChunkSignature::CutOff: return ConversionResult::BadFormat;
            case ChunkSignature::None: break;
        }
        if (!betweenChunks_) return ConversionResult::Unsupported;  // a data byte with no running status
        deltaTimeFollows = false;
        return OtherChunk(position);
    }

    enum class ChunkSignature { None, Track, Header, CutOff };

    // "MTrk", "MHdr" or "MThd" where an event may begin, or the start of one of them cut off by
    // the end of the data.
    ChunkSignature ChunkSignatureAt(std::size_t position) const {
        if (in_[position] != 'M') return ChunkSignature::None;
        const std::size_t available = std::min<std::size_t>(end_ - position, 4);
        const auto startsWith = [&](const char* signature) {
            return std::memcmp(in_ + position, signature, available) == 0;
        };
        const bool track = startsWith("MTrk");
        const bool header = startsWith("MHdr") || startsWith("MThd");
        if (available < 4) return track || header ? ChunkSignature::CutOff : ChunkSignature::None;
        if (track) return ChunkSignature::Track;
        return header ? ChunkSignature::Header : ChunkSignature::None;
    }

    bool StartsChunkSignature(std::size_t position) const { return ChunkSignatureAt(position) != ChunkSignature::None; }

    // A chunk of another type, where a chunk may begin: readers skip it, so it is copied as it
    // is and does not count as a track. Its type is four printable characters.
    ConversionResult OtherChunk(std::size_t& position) const {
        const std::size_t available = std::min<std::size_t>(end_ - position, 4);
        for (std::size_t i = 0; i < available; ++i) {
            if (in_[position + i] < 0x20 || in_[position + i] > 0x7E) return ConversionResult::Unsupported;
        }
        if (end_ - position < kChunkHeaderSize) return ConversionResult::BadFormat;
        const std::uint8_t* size = in_ + position + 4;
        const std::uint32_t length =
            std::uint32_t{size[0]} << 24 | std::uint32_t{size[1]} << 16 | std::uint32_t{size[2]} << 8 | size[3];
        if (end_ - position - kChunkHeaderSize < length) return ConversionResult::BadFormat;
        position += kChunkHeaderSize + length;
        return ConversionResult::Converted;
    }

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

    ConversionResult SystemExclusive(std::size_t& position) {
        const void* last = std::memchr(in_ + position + 1, kEndOfExclusive, end_ - position - 1);
        if (last == nullptr) return ConversionResult::BadFormat;
        position = static_cast<const std::uint8_t*>(last) - in_ + 1;
        return ConversionResult::Converted;
    }

    ConversionResult MetaEvent(std::size_t& position, std::uint8_t& runningStatus) {
        if (end_ - position < 2) return ConversionResult::BadFormat;
        const std::uint8_t type = in_[position + 1];
        if (type == kEndOfTrack) {
            // Its length byte is read next, as the delta time that follows; then a chunk may begin.
            position += 2;
            ++tracksDone_;
            runningStatus = kNoRunningStatus;
            betweenChunks_ = true;
            return ConversionResult::Converted;
        }
        std::size_t data = position + 2;
        std::uint32_t length = 0;
        if (!ReadShortQuantity(data, length) || end_ - data < length) return ConversionResult::BadFormat;
        if (type == kKeySignature && length >= 1) KeySignature(data);
        position = data + length;
        return ConversionResult::Converted;
    }

    void KeySignature(std::size_t data) {
        const std::int8_t sf = static_cast<std::int8_t>(in_[data]);
        const std::int8_t shifted = ShiftKeySignature(sf, settings_.toneShift);
        out_[data] = static_cast<std::uint8_t>(shifted);
        reports_.KeySignatureShifted(sf, shifted, sf + settings_.toneShift);
    }

    // A variable-length quantity of at most three bytes; false when it is longer or cut off.
    bool ReadShortQuantity(std::size_t& position, std::uint32_t& value) const {
        value = 0;
        for (int count = 0; count < 3; ++count) {
            if (position >= end_) return false;
            const std::uint8_t byte = in_[position++];
            value = (value << 7) | (byte & 0x7F);
            if (byte < 0x80) return true;
        }
        return false;
    }

    bool SkipDeltaTime(std::size_t& position) const {
        if (position < end_ && in_[position] < 0x80) {
            ++position;
            return true;
        }
        std::uint32_t ignored = 0;
        return ReadShortQuantity(position, ignored);
    }

    void Finish() {
        reports_.Finished(settings_.toneShift, outOfRangeCount_);
        for (int channel = 0; channel < kTrackCount; ++channel) {
            const bool chosen = settings_.instrument[channel] < kInstrumentUnchanged;
            if (chosen && !TrackIsSet(programApplied_, channel)) reports_.InstrumentNotFound(channel + 1);
        }
    }

    const std::uint8_t* in_;
    std::uint8_t* out_;
    std::size_t end_;
    const ConversionSettings& settings_;
    ConversionReports& reports_;
    ChannelTables tables_;
    std::uint16_t tracksDone_ = 0;  // End of Track events so far
    bool betweenChunks_ = true;     // after the header, an End of Track or a skipped chunk
    std::uint32_t outOfRangeCount_ = 0;
    std::uint32_t programApplied_ = 0;
};

}  // namespace

WalkOutcome ConvertSongBytes(std::span<const std::uint8_t> song, const ConversionSettings& settings,
                             std::span<std::uint8_t> output, ConversionReports& reports) {
    if (song.size() < kSongHeaderSize || output.size() < song.size()) return {ConversionResult::BadFormat, 0};
    // Every byte keeps its position, so the walk copies everything first and changes in place.
    std::memcpy(output.data(), song.data(), song.size());
    if (!ScaleDivision(output.data(), settings.tempoPercent)) reports.DivisionRefused();
    SongWalk walk(song.data(), output.data(), song.size(), settings, reports);
    return walk.Run();
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
