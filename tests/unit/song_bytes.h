// Songs for tests, written as bytes: a header chunk and track chunks around events.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "song/convert.h"

using Bytes = std::vector<std::uint8_t>;

inline Bytes SongHeader(std::uint16_t trackCount = 1, std::uint16_t division = 480, std::uint16_t format = 1)
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6,
            static_cast<std::uint8_t>(format >> 8), static_cast<std::uint8_t>(format),
            static_cast<std::uint8_t>(trackCount >> 8), static_cast<std::uint8_t>(trackCount),
            static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)};
}

inline Bytes TrackChunk(const Bytes& events)
{
    const auto size = static_cast<std::uint32_t>(events.size());
    Bytes chunk{'M', 'T', 'r', 'k', static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    chunk.insert(chunk.end(), events.begin(), events.end());
    return chunk;
}

// A one-track song: header, "MTrk", the events as given.
inline Bytes OneTrackSong(const Bytes& events, std::uint16_t division = 480)
{
    Bytes song = SongHeader(1, division);
    const Bytes chunk = TrackChunk(events);
    song.insert(song.end(), chunk.begin(), chunk.end());
    return song;
}

// Every report as a line, in the order the walk gave them.
class RecordedReports : public ConversionReports {
public:
    void DivisionRefused() override { lines.push_back("division refused"); }
    void NoteOutOfRangeLetThrough() override { lines.push_back("out of range"); }
    void Finished(std::int16_t toneShift, std::uint32_t outOfRangeCount) override
    {
        lines.push_back("finished " + std::to_string(toneShift) + " " + std::to_string(outOfRangeCount));
    }
    void InstrumentNotFound(int track) override { lines.push_back("no instrument " + std::to_string(track)); }
    void KeySignatureShifted(int sf, int result, int sum) override
    {
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

inline Converted Convert(const Bytes& song, const ConversionSettings& settings)
{
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
inline Bytes EventsOf(const Bytes& song)
{
    return song.size() < 22 ? Bytes{} : Bytes(song.begin() + 22, song.end());
}
