// Running the conversion walk on songs built with tests/common/song_builder.h, and reading back what it made.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "song/convert.h"
#include "tests/common/song_builder.h"

// Every report as a line, in the order the walk gave them.
class RecordedReports : public ConversionReports {
public:
    void DivisionRefused() override { lines.push_back("division refused"); }
    void NoteOutOfRangeLetThrough() override { lines.push_back("out of range"); }
    void Finished(std::int16_t toneShift, std::uint32_t outOfRangeCount) override {
        lines.push_back("finished " + std::to_string(toneShift) + " " + std::to_string(outOfRangeCount));
    }
    void InstrumentNotFound(int track) override { lines.push_back("no instrument " + std::to_string(track)); }
    void KeySignatureShifted(int sf, int result, int sum) override {
        traces.push_back(std::to_string(sf) + ", " + std::to_string(result) + ", " + std::to_string(sum));
    }

    std::vector<std::string> lines;
    std::vector<std::string> traces;
};

struct Converted {
    ConversionResult result;
    Bytes bytes;  // the produced bytes on Converted, empty otherwise
    RecordedReports reports;
};

inline Converted Convert(const Bytes& song, const ConversionSettings& settings) {
    Converted converted;
    Bytes output(song.size() + 256, 0);
    const WalkOutcome outcome = ConvertSongBytes(song, settings, output, converted.reports);
    converted.result = outcome.result;
    if (outcome.result == ConversionResult::Converted) {
        output.resize(outcome.length);
        converted.bytes = output;
    }
    return converted;
}

// The events of a converted one-track song: everything after the header and the chunk header.
inline Bytes EventsOf(const Bytes& song) { return song.size() < 22 ? Bytes{} : Bytes(song.begin() + 22, song.end()); }
