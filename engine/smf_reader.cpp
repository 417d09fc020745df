#include "engine/smf_reader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <queue>
#include <utility>

namespace lyra {
namespace {

constexpr std::uint32_t kDefaultTempo = 500000;  // microseconds a quarter note: 120 beats a minute
// Deltas add up to at most this many ticks in a track, which keeps every time product in 64 bits.
constexpr std::uint64_t kTickLimit = 0xFFFFFFFFu;
// Times stop growing here (about 146,000 years), so that sums of track times cannot overflow.
constexpr std::int64_t kTimeLimitUs = std::int64_t{1} << 62;

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

enum class ItemKind { message, tempo, endOfTrack };

// One track read in place, one item ahead: a message, a tempo change, or the track's end (at its
// end-of-track event, or at its last event when it has none or breaks off).
class TrackWalk {
public:
    TrackWalk(const std::uint8_t* data, std::size_t size) : cursor_(data, size) {}

    // Reads the next item; false once the end was given.
    bool Advance() {
        if (ended_) return false;
        while (!cursor_.AtEnd()) {
            std::uint32_t delta = 0;
            if (!cursor_.TakeVarLen(delta) || cursor_.AtEnd()) break;
            tick_ += delta;
            if (tick_ > kTickLimit) break;
            std::uint8_t lead = cursor_.Peek();
            bool item = false;
            bool goOn = true;
            if (lead == 0xFF) {
                cursor_.Take();
                goOn = ReadMeta(item);
                if (ended_) return true;
            } else if (lead == 0xF0 || lead == 0xF7) {
                cursor_.Take();
                goOn = ReadSysEx(lead, item);
            } else {
                goOn = ReadChannelMessage(item);
            }
            if (!goOn) break;
            if (item) return true;
        }
        End(lastTick_);
        return true;
    }

    ItemKind kind = ItemKind::message;
    EventKind eventKind = EventKind::channel;
    std::uint64_t itemTick = 0;
    std::uint32_t tempo = 0;
    std::uint8_t lead = 0;               // F0 for a system-exclusive event, whose bytes follow it
    const std::uint8_t* body = nullptr;  // the message's bytes in the image (after the lead)
    std::uint32_t bodySize = 0;
    std::uint8_t shortMessage[3] = {};  // a channel message with its status, running or not
    std::uint32_t shortSize = 0;

private:
    void End(std::uint64_t tick) {
        kind = ItemKind::endOfTrack;
        itemTick = tick;
        ended_ = true;
    }

    bool ReadMeta(bool& item) {
        if (cursor_.AtEnd()) return false;
        std::uint8_t type = cursor_.Take();
        std::uint32_t length = 0;
        if (!cursor_.TakeVarLen(length) || !cursor_.Has(length)) return false;
        if (type == 0x2F) {
            End(tick_);
            return true;
        }
        if (type == 0x51 && length >= 3) {
            std::uint32_t value = ReadBigEndian(cursor_.Here(), 3);
            if (value > 0) {
                kind = ItemKind::tempo;
                itemTick = tick_;
                tempo = value;
                item = true;
            }
        }
        cursor_.Skip(length);
        lastTick_ = tick_;
        return true;
    }

    // F0 events are sent with their F0; F7 events send their bytes as they stand. An F0 event
    // without a closing F7 opens a divided message that the track's next F7 events continue.
    bool ReadSysEx(std::uint8_t eventLead, bool& item) {
        std::uint32_t length = 0;
        if (!cursor_.TakeVarLen(length) || !cursor_.Has(length)) return false;
        const std::uint8_t* bytes = cursor_.Here();
        cursor_.Skip(length);
        lastTick_ = tick_;
        bool closed = length > 0 && bytes[length - 1] == 0xF7;
        EventKind message = EventKind::escape;
        if (eventLead == 0xF0) {
            message = closed ? EventKind::sysEx : EventKind::sysExStart;
            dividedOpen_ = !closed;
        } else if (dividedOpen_) {
            message = closed ? EventKind::sysExEnd : EventKind::sysExPart;
            dividedOpen_ = !closed;
        }
        if (eventLead == 0xF7 && length == 0) return true;  // nothing to send
        kind = ItemKind::message;
        eventKind = message;
        itemTick = tick_;
        lead = eventLead == 0xF0 ? 0xF0 : 0;
        body = bytes;
        bodySize = length;
        item = true;
        return true;
    }

    bool ReadChannelMessage(bool& item) {
        std::uint8_t status = runningStatus_;
        if (cursor_.Peek() & 0x80) {
            status = cursor_.Take();
            if (status >= 0xF0) return false;  // no other system message belongs in a track
            runningStatus_ = status;
        }
        if (status == 0) return false;  // a data byte with no status to run on
        int count = DataByteCount(status);
        if (!cursor_.Has(count)) return false;
        shortMessage[0] = status;
        for (int i = 1; i <= count; ++i) {
            shortMessage[i] = cursor_.Take();
            if (shortMessage[i] & 0x80) return false;
        }
        kind = ItemKind::message;
        eventKind = EventKind::channel;
        itemTick = tick_;
        shortSize = static_cast<std::uint32_t>(count + 1);
        lastTick_ = tick_;
        item = true;
        return true;
    }

    TrackCursor cursor_;
    std::uint64_t tick_ = 0;
    std::uint64_t lastTick_ = 0;
    std::uint8_t runningStatus_ = 0;
    bool dividedOpen_ = false;
    bool ended_ = false;
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
        bool knownRate =
            framesPerSecond == 24 || framesPerSecond == 25 || framesPerSecond == 29 || framesPerSecond == 30;
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

}  // namespace

struct EventCursor::Walk {
    explicit Walk(const Song& song) : song(song), clock(song.division) {}

    const Song& song;
    TickClock clock;
    std::vector<TrackWalk> tracks;
    // Formats 0 and 1: the tracks with an item, by the item's tick, then the track's number.
    std::priority_queue<std::pair<std::uint64_t, std::size_t>, std::vector<std::pair<std::uint64_t, std::size_t>>,
                        std::greater<>>
        due;
    std::size_t current = 0;  // format 2: the track that plays
    std::vector<bool> hasItem;
    std::int64_t endUs = 0;
    std::vector<std::uint8_t> scratch;  // the bytes of the message last given
};

EventCursor::EventCursor(const Song& song) : walk_(std::make_unique<Walk>(song)) {
    Walk& walk = *walk_;
    for (const TrackSpan& track : song.tracks) walk.tracks.emplace_back(song.image.data() + track.offset, track.size);
    walk.hasItem.assign(walk.tracks.size(), false);
    if (song.format == 2) {
        if (!walk.tracks.empty()) walk.hasItem[0] = walk.tracks[0].Advance();
        return;
    }
    for (std::size_t i = 0; i < walk.tracks.size(); ++i) {
        walk.hasItem[i] = walk.tracks[i].Advance();
        if (walk.hasItem[i]) walk.due.push({walk.tracks[i].itemTick, i});
    }
}

EventCursor::~EventCursor() = default;

std::int64_t EventCursor::EndUs() const { return walk_->endUs; }

bool EventCursor::Next(SongEvent& event) {
    Walk& walk = *walk_;
    const bool patterns = walk.song.format == 2;
    for (;;) {
        std::size_t index = 0;
        if (patterns) {
            if (walk.current >= walk.tracks.size()) return false;
            if (!walk.hasItem[walk.current]) {
                // One pattern after another; the tempo carries on from the pattern before.
                if (++walk.current < walk.tracks.size()) {
                    walk.clock.Rebase(0, walk.endUs);
                    walk.hasItem[walk.current] = walk.tracks[walk.current].Advance();
                }
                continue;
            }
            index = walk.current;
        } else {
            if (walk.due.empty()) return false;
            index = walk.due.top().second;
            walk.due.pop();
        }
        TrackWalk& track = walk.tracks[index];
        std::int64_t time = walk.clock.TimeAt(track.itemTick);
        walk.endUs = std::max(walk.endUs, time);
        bool message = track.kind == ItemKind::message;
        if (track.kind == ItemKind::tempo) walk.clock.SetTempo(track.itemTick, track.tempo);
        if (message) {
            event.timeUs = time;
            event.kind = track.eventKind;
            if (track.eventKind == EventKind::channel) {
                walk.scratch.assign(track.shortMessage, track.shortMessage + track.shortSize);
            } else if (track.lead == 0xF0) {
                walk.scratch.assign(1, 0xF0);
                walk.scratch.insert(walk.scratch.end(), track.body, track.body + track.bodySize);
            }
            bool copied = track.eventKind == EventKind::channel || track.lead == 0xF0;
            event.bytes = copied ? walk.scratch.data() : track.body;
            event.size = copied ? static_cast<std::uint32_t>(walk.scratch.size()) : track.bodySize;
            event.track = static_cast<std::uint32_t>(index);
        }
        walk.hasItem[index] = track.Advance();
        if (!patterns && walk.hasItem[index]) walk.due.push({track.itemTick, index});
        if (message) return true;
    }
}

ReadResult ReadSong(std::vector<std::uint8_t> image, Song& song) {
    Header header;
    std::size_t tracksStart = 0;
    if (!ReadHeader(image.data(), image.size(), header, tracksStart)) return ReadResult::notASong;
    std::vector<TrackChunk> chunks = FindTracks(image.data(), image.size(), tracksStart, header.trackCount);
    if (chunks.empty()) return ReadResult::notASong;
    Song result;
    result.format = header.format;
    result.division = header.division;
    for (const TrackChunk& chunk : chunks) {
        result.tracks.push_back({static_cast<std::size_t>(chunk.data - image.data()), chunk.size});
    }
    result.image = std::move(image);
    {
        EventCursor cursor(result);
        SongEvent event;
        while (cursor.Next(event)) {}
        result.lengthUs = cursor.EndUs();
    }
    song = std::move(result);
    return ReadResult::ok;
}

ReadResult ReadSong(const std::uint8_t* data, std::size_t size, Song& song) {
    if (data == nullptr) return ReadResult::notASong;
    return ReadSong(std::vector<std::uint8_t>(data, data + size), song);
}

std::vector<OwnedEvent> CollectEvents(const Song& song) {
    std::vector<OwnedEvent> events;
    EventCursor cursor(song);
    SongEvent event;
    while (cursor.Next(event)) {
        events.push_back({event.timeUs, {event.bytes, event.bytes + event.size}, event.kind, event.track});
    }
    return events;
}

}  // namespace lyra
