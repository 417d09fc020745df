// The conversion walk: a loaded song's bytes and the settings give the converted bytes, in place
// at the same positions, and the reports a log would show. Portable: no windows, no string table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "settings/conversion_settings.h"

enum class ConversionResult { Converted = 0, BadFormat = 1, Unsupported = 2, OutOfRange = 3 };

// What a conversion has to tell, called in the order it arises. The window side and the command
// line turn each call into its text; the numbers name those texts.
class ConversionReports {
public:
    virtual ~ConversionReports() = default;
    virtual void DivisionRefused() {}                                             // text 41
    virtual void NoteOutOfRangeLetThrough() {}                                    // text 26
    virtual void Finished(std::int16_t toneShift, std::uint32_t outOfRangeCount)  // 23, or 39
    {
        (void)toneShift;
        (void)outOfRangeCount;
    }
    virtual void InstrumentNotFound(int track) { (void)track; }  // text 40, track 1..16
    // The developer's trace line "%d, %d, %d" of each key signature: old sf, new sf, sf + shift.
    virtual void KeySignatureShifted(int sf, int result, int sum) {
        (void)sf;
        (void)result;
        (void)sum;
    }
};

struct WalkOutcome {
    ConversionResult result;
    std::size_t length;  // bytes produced; meaningful on Converted only
};

// Walks `song` (header first) into `output`, which must hold at least song.size() bytes; every
// byte lands at its own position and nothing is read or written beyond either span. Bytes of
// `output` beyond the produced length mean nothing.
WalkOutcome ConvertSongBytes(std::span<const std::uint8_t> song, const ConversionSettings& settings,
                             std::span<std::uint8_t> output, ConversionReports& reports);

// Scales the division in header bytes 12-13 by percent/100. A time-code division (top bit set)
// keeps its frame rate and scales its ticks per frame. Returns false, leaving the header as it
// was, when the scaled value is 0 or does not fit (a tick count above 0x7FFF would read as a
// time-code division).
bool ScaleDivision(std::uint8_t* header, std::uint16_t percent);

// A key signature moved by `shift` semitones: 7 steps around the circle of fifths per semitone,
// taken in -5..6; a shift by whole octaves leaves sf as it is.
std::int8_t ShiftKeySignature(std::int8_t sf, std::int16_t shift);

// A note key moved by `shift`, brought back into 0..127 by whole octaves when it falls outside.
std::uint8_t ShiftKeyIntoRange(int key, std::int16_t shift);
