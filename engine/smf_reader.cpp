#include "engine/smf_reader.h"

#include <algorithm>
#include <cstring>

namespace lyra {
namespace {

constexpr std::uint32_t kDefaultTempo = 500000;  // microseconds a quarter note: 120 beats a minute
// Deltas add up to at most this many ticks in a track, which keeps every time product in 64 bits.
constexpr std::uint64_t kTickLimit = 0xFFFFFFFFu;
// Times stop growing here (about 146,000 years), so that sums of track times cannot overflow.
constexpr std::int64_t kTimeLimitUs = std::int64_t{1} << 62;
// The message pool is addressed by 32-bit offsets and an event's size has 28 bits.
constexpr std::size_t kPoolLimit = 0xFFFFFFF0u;
constexpr std::uint32_t kMessageSizeLimit = (1u << 28) - 2;

std::int64_t SaturatedSum(std::int64_t base, std::uint64_t extra) {
    if (extra >= static_cast<std::uint64_t>(kTimeLimitUs) || base >= kTimeLimitUs - static_cast<std::int64_t>(extra)) {
        return kTimeLimitUs;
    }
    return base + static_cast<std::int64_t>(extra);
}

struct Header {
    std::uint16_t format = 0;
    std::uint16_t trackCount = 0;
    std::uint16_t division = 0;
};

enum class ItemKind { message, tempo, endOfTrack };

// One event of one track, before the tracks are laid out in time.
struct TrackItem {
    std::uint64_t tick = 0;
    ItemKind kind = ItemKind::message;
    EventKind eventKind = EventKind::channel;
    std::uint32_t offset = 0;  // message bytes in the song's pool
    std::uint32_t size = 0;
    std::uint32_t tempo = 0;
};

std::uint32_t ReadBigEndian(const std::uint8_t* p, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | p[i];
    return value;
}

class TrackCursor {
public:
    TrackCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool AtEnd() const { return pos_ >= size_; }
    bool Has(std::size_t count) const { return size_ - pos_ >= count; }
    std::uint8_t Peek() const { return data_[pos_]; }
    std::uint8_t Take() { return data_[pos_++]; }
    const std::uint8_t* Here() const { return data_ + pos_; }
    void Skip(std::size_t count) { pos_ += count; }

    // A variable-length quantity of at most four bytes.
    bool TakeVarLen(std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (AtEnd()) return false;
            std::uint8_t byte = Take();
            value = (value << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0) return true;
        }
        return false;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

int DataByteCount(std::uint8_t status) {
    std::uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

class TrackReader {
public:
    TrackReader(std::vector<std::uint8_t>& pool, std::vector<TrackItem>& items) : pool_(pool), items_(items) {}

    void Read(const std::uint8_t* data, std::size_t size) {
        TrackCursor cursor(data, size);
        std::uint64_t tick = 0;
        std::uint8_t runningStatus = 0;
        while (!cursor.AtEnd()) {
            std::uint32_t delta = 0;
            if (!cursor.TakeVarLen(delta) || cursor.AtEnd()) break;
            tick += delta;
            if (tick > kTickLimit) break;
            bool goOn = true;
            std::uint8_t lead = cursor.Peek();
            if (lead == 0xFF) {
                cursor.Take();
                goOn = ReadMeta(cursor, tick);
                if (ended_) return;
            } else if (lead == 0xF0 || lead == 0xF7) {
                cursor.Take();
                goOn = ReadSysEx(cursor, tick, lead);
            } else {
                goOn = ReadChannelMessage(cursor, tick, runningStatus);
            }
            if (!goOn) break;
        }
        // A track without its end-of-track event ends at its last event.
        items_.push_back({lastTick_, ItemKind::endOfTrack, EventKind::channel, 0, 0, 0});
    }

private:
    bool ReadMeta(TrackCursor& cursor, std::uint64_t tick) {
        if (cursor.AtEnd()) return false;
        std::uint8_t type = cursor.Take();
        std::uint32_t length = 0;
        if (!cursor.TakeVarLen(length) || !cursor.Has(length)) return false;
        if (type == 0x2F) {
            items_.push_back({tick, ItemKind::endOfTrack, EventKind::channel, 0, 0, 0});
            ended_ = true;
            return true;
        }
        if (type == 0x51 && length >= 3) {
            std::uint32_t tempo = ReadBigEndian(cursor.Here(), 3);
            if (tempo > 0) Push(tick, ItemKind::tempo, EventKind::channel, nullptr, 0, tempo);
        }
        cursor.Skip(length);
        lastTick_ = tick;
        return true;
    }

    // F0 events are sent with their F0; F7 events send their bytes as they stand. An F0 event
    // without a closing F7 opens a divided message that the track's next F7 events continue.
    bool ReadSysEx(TrackCursor& cursor, std::uint64_t tick, std::uint8_t lead) {
        std::uint32_t length = 0;
        if (!cursor.TakeVarLen(length) || !cursor.Has(length) || length > kMessageSizeLimit) return false;
        if (pool_.size() + length + 1 > kPoolLimit) return false;
        std::uint32_t offset = static_cast<std::uint32_t>(pool_.size());
        if (lead == 0xF0) pool_.push_back(0xF0);
        pool_.insert(pool_.end(), cursor.Here(), cursor.Here() + length);
        cursor.Skip(length);
        std::uint32_t size = static_cast<std::uint32_t>(pool_.size()) - offset;
        bool closed = length > 0 && pool_.back() == 0xF7;
        EventKind kind = EventKind::escape;
        if (lead == 0xF0) {
            kind = closed ? EventKind::sysEx : EventKind::sysExStart;
            dividedOpen_ = !closed;
        } else if (dividedOpen_) {
            kind = closed ? EventKind::sysExEnd : EventKind::sysExPart;
            dividedOpen_ = !closed;
        }
        if (size > 0) items_.push_back({tick, ItemKind::message, kind, offset, size, 0});
        lastTick_ = tick;
        return true;
    }

    bool ReadChannelMessage(TrackCursor& cursor, std::uint64_t tick, std::uint8_t& runningStatus) {
        std::uint8_t status = runningStatus;
        if (cursor.Peek() & 0x80) {
            status = cursor.Take();
            if (status >= 0xF0) return false;  // no other system message belongs in a track
            runningStatus = status;
        }
        if (status == 0) return false;  // a data byte with no status to run on
        int count = DataByteCount(status);
        if (!cursor.Has(count)) return false;
        std::uint8_t message[3] = {status, 0, 0};
        for (int i = 1; i <= count; ++i) {
            message[i] = cursor.Take();
            if (message[i] & 0x80) return false;
        }
        if (pool_.size() + 3 > kPoolLimit) return false;
        Push(tick, ItemKind::message, EventKind::channel, message, static_cast<std::uint32_t>(count + 1), 0);
        return true;
    }

    void Push(std::uint64_t tick, ItemKind kind, EventKind eventKind, const std::uint8_t* bytes, std::uint32_t size,
              std::uint32_t tempo) {
        std::uint32_t offset = static_cast<std::uint32_t>(pool_.size());
        if (size > 0) pool_.insert(pool_.end(), bytes, bytes + size);
        items_.push_back({tick, kind, eventKind, offset, size, tempo});
        lastTick_ = tick;
    }

    std::vector<std::uint8_t>& pool_;
    std::vector<TrackItem>& items_;
    std::uint64_t lastTick_ = 0;
    bool ended_ = false;
    bool dividedOpen_ = false;
};

// Turns ticks into microseconds: by the tempo for a metrical division, by frames for time code.
class TickClock {
public:
    explicit TickClock(std::uint16_t division) {
        if (division & 0x8000) {
            int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
            ticksPerFrame_ = division & 0xFF;
            framesNumerator_ = framesPerSecond == 29 ? 30000 : framesPerSecond * 1000;
            framesDenominator_ = framesPerSecond == 29 ? 1001 : 1000;
        } else {
            ticksPerQuarter_ = division;
        }
    }

    std::int64_t TimeAt(std::uint64_t tick) const {
        std::uint64_t ticks = tick - baseTick_;
        if (ticksPerQuarter_ != 0) return SaturatedSum(baseUs_, ticks * tempo_ / ticksPerQuarter_);
        std::uint64_t scaled = ticks * 1000000u * framesDenominator_;
        return SaturatedSum(baseUs_, scaled / (framesNumerator_ * ticksPerFrame_));
    }

    void SetTempo(std::uint64_t tick, std::uint32_t tempo) {
        if (ticksPerQuarter_ == 0) return;  // time code does not follow the tempo
        Rebase(tick, TimeAt(tick));
        tempo_ = tempo;
    }

    // Starts counting ticks anew from `tick` at `timeUs` (the next track of a format 2 song).
    void Rebase(std::uint64_t tick, std::int64_t timeUs) {
        baseTick_ = tick;
        baseUs_ = timeUs;
    }

private:
    std::uint64_t ticksPerQuarter_ = 0;
    std::uint64_t ticksPerFrame_ = 0;
    std::uint64_t framesNumerator_ = 0;
    std::uint64_t framesDenominator_ = 0;
    std::uint64_t tempo_ = kDefaultTempo;
    std::uint64_t baseTick_ = 0;
    std::int64_t baseUs_ = 0;
};

bool ReadHeader(const std::uint8_t* data, std::size_t size, Header& header, std::size_t& tracksStart) {
    if (size < 14 || std::memcmp(data, "MThd", 4) != 0) return false;
    std::uint32_t length = ReadBigEndian(data + 4, 4);
    if (length < 6 || length > size - 8) return false;
    header.format = static_cast<std::uint16_t>(ReadBigEndian(data + 8, 2));
    header.trackCount = static_cast<std::uint16_t>(ReadBigEndian(data + 10, 2));
    header.division = static_cast<std::uint16_t>(ReadBigEndian(data + 12, 2));
    tracksStart = 8 + static_cast<std::size_t>(length);
    if (header.format > 2 || header.division == 0) return false;
    if (header.division & 0x8000) {
        int framesPerSecond = -static_cast<std::int8_t>(header.division >> 8);
        bool knownRate = framesPerSecond == 24 || framesPerSecond == 25 || framesPerSecond == 29 || framesPerSecond == 30;
        if (!knownRate || (header.division & 0xFF) == 0) return false;
    }
    return true;
}

struct TrackChunk {
    const std::uint8_t* data;
    std::size_t size;
};

// The track chunks in file order, other chunks skipped; a chunk cut off by the end of the file
// keeps what is there.
std::vector<TrackChunk> FindTracks(const std::uint8_t* data, std::size_t size, std::size_t pos, std::uint16_t count) {
    std::vector<TrackChunk> tracks;
    while (tracks.size() < count && size - pos >= 8) {
        std::size_t length = ReadBigEndian(data + pos + 4, 4);
        std::size_t available = std::min(length, size - pos - 8);
        if (std::memcmp(data + pos, "MTrk", 4) == 0) tracks.push_back({data + pos + 8, available});
        pos += 8 + available;
    }
    return tracks;
}

void LayOut(const std::vector<TrackItem>& items, TickClock& clock, Song& song, std::int64_t& endUs) {
    for (const TrackItem& item : items) {
        std::int64_t time = clock.TimeAt(item.tick);
        endUs = std::max(endUs, time);
        if (item.kind == ItemKind::tempo) clock.SetTempo(item.tick, item.tempo);
        if (item.kind == ItemKind::message) {
            song.events.push_back({time, item.offset, item.size, static_cast<std::uint32_t>(item.eventKind)});
        }
    }
}

}  // namespace

ReadResult ReadSong(const std::uint8_t* data, std::size_t size, Song& song) {
    Header header;
    std::size_t tracksStart = 0;
    if (data == nullptr || !ReadHeader(data, size, header, tracksStart)) return ReadResult::notASong;
    std::vector<TrackChunk> tracks = FindTracks(data, size, tracksStart, header.trackCount);
    if (tracks.empty()) return ReadResult::notASong;

    Song result;
    TickClock clock(header.division);
    std::int64_t endUs = 0;
    if (header.format == 2) {
        // One pattern after another; the tempo carries on from the pattern before.
        for (const TrackChunk& track : tracks) {
            std::vector<TrackItem> items;
            TrackReader(result.bytes, items).Read(track.data, track.size);
            clock.Rebase(0, endUs);
            LayOut(items, clock, result, endUs);
        }
    } else {
        std::vector<TrackItem> items;
        for (const TrackChunk& track : tracks) TrackReader(result.bytes, items).Read(track.data, track.size);
        std::stable_sort(items.begin(), items.end(),
                         [](const TrackItem& a, const TrackItem& b) { return a.tick < b.tick; });
        LayOut(items, clock, result, endUs);
    }
    result.lengthUs = endUs;
    song = std::move(result);
    return ReadResult::ok;
}

}  // namespace lyra
