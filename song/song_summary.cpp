#include "song/song_summary.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>

#include "settings/conversion_settings.h"

namespace {

constexpr std::uint8_t kProgramChange = 0xC;
constexpr std::uint8_t kNoteOn = 0x9;
constexpr std::uint8_t kTrackName = 0x03;
constexpr std::uint8_t kSetTempo = 0x51;
constexpr double kDefaultTempo = 500000;  // microseconds a quarter note: 120 beats a minute
constexpr int kKeyCount = 128;

// How ticks become seconds: a tempo for a metrical division, frames for time code.
class TickClock {
public:
    explicit TickClock(std::uint16_t division) {
        if (division & 0x8000) {
            const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
            const double frames = framesPerSecond == 29 ? 30000.0 / 1001 : framesPerSecond;
            ticksPerSecond_ = frames * (division & 0xFF);
        } else {
            ticksPerQuarter_ = division;
        }
    }

    bool FollowsTempo() const { return ticksPerQuarter_ != 0; }

    // Seconds that `ticks` last at `tempo`; 0 for a division of 0 ticks.
    double Seconds(std::uint64_t ticks, double tempo) const {
        if (ticksPerQuarter_ != 0) return static_cast<double>(ticks) * tempo / ticksPerQuarter_ / 1e6;
        return ticksPerSecond_ > 0 ? static_cast<double>(ticks) / ticksPerSecond_ : 0;
    }

private:
    double ticksPerQuarter_ = 0;
    double ticksPerSecond_ = 0;
};

struct TempoChange {
    std::uint64_t tick;
    double tempo;
};

// A track's program numbers, each once, in the order they first appear.
struct ProgramList {
    std::uint8_t count = 0;
    std::array<std::uint8_t, kKeyCount> order;
    std::array<bool, kKeyCount> seen;
};

// What the summary takes from each event the reading hands it. Ticks count from each track
// chunk's header; the chunk's messages tell which tracks its name belongs to.
class SummaryEvents {
public:
    SummaryEvents(std::span<const std::uint8_t> song, std::uint16_t format, std::uint16_t division)
        : in_(song.data()), size_(song.size()), patterns_(format == 2), clock_(division) {}

    // Every status byte but a last one cut off by the end of the data begins at least one whole
    // message: the track it names is known to hold one once the next status byte comes.
    // The counts its notes go to are worked out here, once for the running status.
    void Status(std::uint8_t status) {
        chunkChannels_ |= pendingChannel_;
        pendingChannel_ = 1u << (status & 0x0F);
        noteCounts_ = keyCounts_[status & 0x0F][0].data();
        soundingOffset_ = status >> 4 == kNoteOn ? 256 : 0;
    }

    bool Message(std::uint8_t status, std::size_t data) {
        if (status < 0xA0) {
            const std::size_t sounding = in_[data + 1] != 0 ? soundingOffset_ : 0;
            ++noteCounts_[sounding + in_[data]];
        } else if (status >> 4 == kProgramChange) {
            Program(programs_[status & 0x0F], in_[data]);
        }
        return true;
    }

    void Meta(std::uint8_t type, std::size_t data, std::uint32_t length, std::uint64_t tick) {
        if (type == kTrackName && chunkName_.empty() && length > 0) {
            chunkName_ = std::string_view(reinterpret_cast<const char*>(in_ + data), length);
        } else if (type == kSetTempo && length >= 3) {
            Tempo(tick, in_[data] << 16 | in_[data + 1] << 8 | in_[data + 2]);
        }
    }

    void EndOfTrack() {}
    void Exclusive() {}

    void TrackChunk(std::uint64_t lastEventTick) {
        CloseChunk(lastEventTick);
        ++chunks_;
    }

    std::uint32_t Chunks() const { return chunks_; }

    void Finish(const ReadEnd& end, SongSummary& summary) {
        if (end.damage == SongDamage::EventCutOff && end.position < size_ && in_[end.position] >= 0x80 &&
            in_[end.position] < 0xF0) {
            pendingChannel_ = 0;  // a status byte whose message was cut off
        }
        CloseChunk(end.lastEventTick);
        summary.seconds = patterns_ ? patternsSeconds_ : SecondsAt(lastTick_);
        for (int channel = 0; channel < kTrackCount; ++channel) {
            if (usedChannels_ & (1u << channel)) summary.tracks.push_back(TrackOf(channel));
        }
        ShiftOf(summary);
    }

private:
    // A data byte above 127 after a status byte is no program; the conversion still walks it.
    static void Program(ProgramList& list, std::uint8_t program) {
        if (program >= kKeyCount || list.seen[program]) return;
        list.seen[program] = true;
        list.order[list.count++] = program;
    }

    // Formats 0 and 1 share one time line: the tempo map is put together at the end. A format 2
    // song plays its chunks one after another, the tempo carrying on from one to the next.
    void Tempo(std::uint64_t tick, double tempo) {
        if (!clock_.FollowsTempo()) return;
        if (!patterns_) {
            tempoMap_.push_back({tick, tempo});
            return;
        }
        patternSeconds_ += clock_.Seconds(tick - tempoTick_, tempo_);
        tempoTick_ = tick;
        tempo_ = tempo;
    }

    void CloseChunk(std::uint64_t chunkLastTick) {
        chunkChannels_ |= pendingChannel_;
        pendingChannel_ = 0;
        usedChannels_ |= chunkChannels_;
        if (!chunkName_.empty() && chunkChannels_ != 0) AddName(chunkName_, chunkChannels_);
        if (patterns_) {
            patternsSeconds_ +=
                patternSeconds_ + clock_.Seconds(std::max(chunkLastTick, tempoTick_) - tempoTick_, tempo_);
            patternSeconds_ = 0;
            tempoTick_ = 0;
        }
        lastTick_ = std::max(lastTick_, chunkLastTick);
        chunkChannels_ = 0;
        chunkName_ = {};
    }

    void AddName(std::string_view name, std::uint32_t channels) {
        const auto [found, added] = nameIds_.try_emplace(name, static_cast<std::uint32_t>(names_.size()));
        if (added) {
            names_.push_back(name);
            nameChannels_.push_back(0);
        }
        const std::uint32_t id = found->second;
        for (int channel = 0; channel < kTrackCount; ++channel) {
            const std::uint32_t bit = 1u << channel;
            if (!(channels & bit) || (nameChannels_[id] & bit)) continue;
            nameChannels_[id] |= bit;
            channelNames_[channel].push_back(id);
        }
    }

    double SecondsAt(std::uint64_t tick) {
        std::stable_sort(tempoMap_.begin(), tempoMap_.end(),
                         [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        double seconds = 0;
        std::uint64_t from = 0;
        double tempo = kDefaultTempo;
        for (const TempoChange& change : tempoMap_) {
            if (change.tick > tick) break;
            seconds += clock_.Seconds(change.tick - from, tempo);
            from = change.tick;
            tempo = change.tempo;
        }
        return seconds + clock_.Seconds(tick - from, tempo);
    }

    TrackSummary TrackOf(int channel) const {
        TrackSummary track;
        track.track = channel + 1;
        const auto& counts = keyCounts_[channel][1];
        for (int key = 0; key < 256; ++key) {
            if (counts[key] == 0) continue;
            if (track.notes == 0) track.lowest = static_cast<std::uint8_t>(key);
            track.highest = static_cast<std::uint8_t>(key);
            track.notes += counts[key];
        }
        const ProgramList& programs = programs_[channel];
        track.programs.assign(programs.order.begin(), programs.order.begin() + programs.count);
        for (const std::uint32_t id : channelNames_[channel]) track.names.emplace_back(names_[id]);
        track.drums = channel + 1 == kDrumTrack;
        return track;
    }

    // Every note message counts for the shift range, velocity 0 and note offs too.
    void ShiftOf(SongSummary& summary) const {
        int lowest = 256;
        int highest = -1;
        for (const auto& channel : keyCounts_) {
            for (const auto& counts : channel) {
                for (int key = 0; key < 256; ++key) {
                    if (counts[key] == 0) continue;
                    lowest = std::min(lowest, key);
                    highest = std::max(highest, key);
                }
            }
        }
        if (highest >= 0) summary.shift = ShiftRange{-lowest, 127 - highest};
    }

    const std::uint8_t* in_;
    const std::size_t size_;
    const bool patterns_;
    const TickClock clock_;
    // Note messages by [channel][sounding note on or not][key]; the tracks' notes and key ranges
    // and the shift range are read off at the end.
    std::array<std::array<std::array<std::uint32_t, 256>, 2>, kTrackCount> keyCounts_{};
    std::uint32_t* noteCounts_ = nullptr;  // the running status's channel
    std::size_t soundingOffset_ = 0;       // of its note ons with a velocity above 0
    std::array<ProgramList, kTrackCount> programs_{};
    std::array<std::vector<std::uint32_t>, kTrackCount> channelNames_;  // ids of the distinct names
    std::uint32_t usedChannels_ = 0;

    // The track chunk being read.
    std::uint32_t chunks_ = 0;
    std::uint32_t chunkChannels_ = 0;   // tracks with a message in this chunk
    std::uint32_t pendingChannel_ = 0;  // the track of the running status, once its message is whole
    std::string_view chunkName_;

    // Time.
    std::uint64_t lastTick_ = 0;
    std::vector<TempoChange> tempoMap_;
    double tempo_ = kDefaultTempo;  // format 2: the tempo now, since tempoTick_ of this chunk
    std::uint64_t tempoTick_ = 0;
    double patternSeconds_ = 0;   // format 2: this chunk up to tempoTick_
    double patternsSeconds_ = 0;  // format 2: the chunks before

    // The distinct chunk names, and the tracks each one was given to.
    std::vector<std::string_view> names_;
    std::unordered_map<std::string_view, std::uint32_t> nameIds_;
    std::vector<std::uint32_t> nameChannels_;
};

}  // namespace

SongSummary SummarizeSong(std::span<const std::uint8_t> song) {
    SongSummary summary;
    if (song.size() < kSongHeaderSize) {
        summary.damage = SongDamage::EventCutOff;
        return summary;
    }
    summary.format = static_cast<std::uint16_t>(song[8] << 8 | song[9]);
    summary.trackChunks = SongTrackCount(song.data());
    summary.division = SongDivision(song.data());
    SummaryEvents events(song, summary.format, summary.division);
    const ReadEnd end = SongReader(song.data(), song.size(), events).Run();
    if (end.damage != SongDamage::None) {
        summary.damage = end.damage;
        summary.stoppedAt = end.position;
        summary.stoppedInChunk = events.Chunks();
    }
    events.Finish(end, summary);
    return summary;
}

std::string NoteName(int key) {
    static constexpr const char* kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    if (key < 0 || key > 127) return "?";
    return kNames[key % 12] + std::to_string(key / 12 - 1);
}
