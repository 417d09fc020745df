// How the conversion reads a song: the one reading that the conversion walk and the song summary
// share, so that the two never disagree about what a song holds. Portable: no windows.
//
// The reading starts after the 14-byte header and recognises a track chunk by its signature
// "MTrk" wherever an event may begin (chunk lengths are never used); a system exclusive runs to
// the next F7; running status carries on across meta and exclusive events and ends at a chunk
// header and at an End of Track; a delta time or meta length has at most three bytes; the reading
// ends at the end of the data or once the header's number of End of Track events has been seen.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "song/song_header.h"

// Why a reading stopped before the end of the song.
enum class SongDamage : std::uint8_t {
    None,
    // The file format is broken.
    SecondHeader,         // "MHdr" or "MThd" where an event may begin
    ChunkCutOff,          // a chunk, or its signature or header, cut off by the end of the data
    ExclusiveWithoutEnd,  // a system exclusive with no F7 after it
    QuantityTooLong,      // a delta time or meta length of more than three bytes
    EventCutOff,          // an event or its delta time cut off by the end of the data
    // Not supported.
    SystemMessage,      // a status byte F1..FE (F7 included)
    DataWithoutStatus,  // a data byte with no running status to continue
    NotAChunk,          // bytes where a chunk may begin that are no chunk
    // The events' handler stopped the reading (the conversion, at a note out of range).
    Refused,
};

// True for the damages that make the conversion stop with BadFormat; the others are Unsupported.
constexpr bool IsBrokenFormat(SongDamage damage) {
    return damage >= SongDamage::SecondHeader && damage <= SongDamage::EventCutOff;
}

// Where a reading ended: the end of what was read (damage None), or the start of the event, delta
// time or chunk that stopped it; and the time of the last event read, in ticks since its track
// chunk's header.
struct ReadEnd {
    SongDamage damage;
    std::size_t position;
    std::uint64_t lastEventTick = 0;
};

// The reading of `in[0..end)` (header first), handing every event to `events` in file order.
// Events is a class with these members, called with positions into `in`:
//   void Status(std::uint8_t status)           a channel status byte (8x..Ex) begins a message
//   bool Message(std::uint8_t status, std::size_t data)
//                                              a whole channel message whose data bytes start at
//                                              `data`; false stops the reading (Refused)
//   void Meta(std::uint8_t type, std::size_t data, std::uint32_t length, std::uint64_t tick)
//                                              a whole meta event, at `tick` ticks since its chunk's header
//   void EndOfTrack()
//   void Exclusive()                           a whole system exclusive
//   void TrackChunk(std::uint64_t lastEventTick)
//                                              a track chunk header; the chunk before it ended with
//                                              an event at `lastEventTick`
// Nothing outside `in[0..end)` is read. The ticks are counted in locals of the loop: a handler that
// ignores them costs nothing for them.
template <typename Events>
class SongReader {
public:
    SongReader(const std::uint8_t* in, std::size_t end, Events& events)
        : in_(in), end_(end), trackCount_(SongTrackCount(in)), events_(events) {}

    // Channel messages, nearly every event of a song, are read here in the loop with the running
    // status in locals, so that the next position depends on as few loaded bytes as possible;
    // everything else goes through Event.
    ReadEnd Run() {
        const std::uint8_t* const in = in_;
        const std::size_t end = end_;
        std::size_t position = kSongHeaderSize;
        std::uint8_t runningStatus = kNoRunningStatus;
        std::size_t runningDataBytes = 0;
        Clock clock;
        while (position < end) {
            const std::uint8_t first = in[position];
            const std::size_t start = position;
            std::size_t data = position;
            if (first < 0x80 && runningStatus != kNoRunningStatus &&
                !(first == 'M' && ChunkSignatureAt(position) != ChunkSignature::None)) {
                // running status: the event is its data bytes
            } else if (first >= 0x80 && first < kSystemExclusive) {
                runningStatus = first;
                betweenChunks_ = false;
                runningDataBytes = kDataBytes[first >> 4];
                events_.Status(first);
                data = position + 1;
            } else {
                const EventEnd event = Event(position, clock.now, clock.lastEvent);
                if (event.damage != SongDamage::None) return {event.damage, start, clock.lastEvent};
                position = event.next;
                if (event.endsRunningStatus) runningStatus = kNoRunningStatus;
                if (event.chunkBegins) clock = {};
                if (event.deltaTimeFollows) {
                    std::uint32_t ticks = 0;
                    if (const SongDamage damage = DeltaTime(position, ticks); damage != SongDamage::None)
                        return {damage, position, clock.now};
                    clock.Advance(ticks);
                }
                if (tracksDone_ == trackCount_) break;
                continue;
            }
            if (end - data < runningDataBytes) return {SongDamage::EventCutOff, start, clock.lastEvent};
            position = data + runningDataBytes;
            if (!events_.Message(runningStatus, data)) return {SongDamage::Refused, start, clock.lastEvent};
            std::uint32_t ticks = 0;
            if (position < end && in[position] < 0x80) {
                ticks = in[position];
                ++position;  // a one-byte delta time
            } else if (const SongDamage damage = DeltaTime(position, ticks); damage != SongDamage::None) {
                return {damage, position, clock.now};
            }
            clock.Advance(ticks);
        }
        return {SongDamage::None, position, clock.lastEvent};
    }

private:
    static constexpr std::uint8_t kNoRunningStatus = 0;
    static constexpr std::uint8_t kSystemExclusive = 0xF0;
    static constexpr std::uint8_t kEndOfExclusive = 0xF7;
    static constexpr std::uint8_t kMetaEvent = 0xFF;
    static constexpr std::uint8_t kEndOfTrack = 0x2F;
    static constexpr std::size_t kChunkHeaderSize = 8;  // type and 32-bit length
    // Data bytes that follow a status byte of each message type; 0 for system messages.
    static constexpr std::size_t kDataBytes[16] = {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 1, 1, 2, 0};

    // Ticks since the track chunk's header: now, and at the last event read. Every event, and
    // every track chunk header, is followed by a delta time.
    struct Clock {
        std::uint64_t now = 0;
        std::uint64_t lastEvent = 0;

        void Advance(std::uint32_t ticks) {
            lastEvent = now;
            now += ticks;
        }
    };

    struct EventEnd {
        SongDamage damage = SongDamage::None;
        std::size_t next = 0;  // the position after the event
        bool deltaTimeFollows = true;
        bool endsRunningStatus = false;
        bool chunkBegins = false;  // a track chunk header: ticks count anew from here
    };

    // One event or chunk at `position` other than a channel message with a status byte or in
    // running status, at `tick` (the last event before it at `lastEventTick`). A chunk other
    // than a track is followed by the next chunk, not by a delta time.
    EventEnd Event(std::size_t position, std::uint64_t tick, std::uint64_t lastEventTick) {
        const std::uint8_t first = in_[position];
        if (first >= 0x80) {
            // Running status carries on across meta and exclusive events; a chunk header and
            // an End of Track end it.
            betweenChunks_ = false;
            if (first == kSystemExclusive) return SystemExclusive(position);
            if (first == kMetaEvent) return MetaEvent(position, tick);
            return {SongDamage::SystemMessage};
        }
        switch (ChunkSignatureAt(position)) {
            case ChunkSignature::Track:
                if (end_ - position < kChunkHeaderSize) return {SongDamage::ChunkCutOff};
                betweenChunks_ = false;
                events_.TrackChunk(lastEventTick);
                // "MTrk" and the chunk length, which goes unused
                return {SongDamage::None, position + kChunkHeaderSize, true, true, true};
            case ChunkSignature::Header: return {SongDamage::SecondHeader};
            case ChunkSignature::CutOff: return {SongDamage::ChunkCutOff};
            case ChunkSignature::None: break;
        }
        if (!betweenChunks_) return {SongDamage::DataWithoutStatus};
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

    // A chunk of another type, where a chunk may begin: readers skip it, so it is read over and
    // does not count as a track. Its type is four printable characters.
    EventEnd OtherChunk(std::size_t position) const {
        const std::size_t available = std::min<std::size_t>(end_ - position, 4);
        for (std::size_t i = 0; i < available; ++i) {
            if (in_[position + i] < 0x20 || in_[position + i] > 0x7E) return {SongDamage::NotAChunk};
        }
        if (end_ - position < kChunkHeaderSize) return {SongDamage::ChunkCutOff};
        const std::uint8_t* size = in_ + position + 4;
        const std::uint32_t length =
            std::uint32_t{size[0]} << 24 | std::uint32_t{size[1]} << 16 | std::uint32_t{size[2]} << 8 | size[3];
        if (end_ - position - kChunkHeaderSize < length) return {SongDamage::ChunkCutOff};
        return {SongDamage::None, position + kChunkHeaderSize + length, false};
    }

    EventEnd SystemExclusive(std::size_t position) {
        const void* last = std::memchr(in_ + position + 1, kEndOfExclusive, end_ - position - 1);
        if (last == nullptr) return {SongDamage::ExclusiveWithoutEnd};
        events_.Exclusive();
        return {SongDamage::None, static_cast<std::size_t>(static_cast<const std::uint8_t*>(last) - in_) + 1};
    }

    EventEnd MetaEvent(std::size_t position, std::uint64_t tick) {
        if (end_ - position < 2) return {SongDamage::EventCutOff};
        const std::uint8_t type = in_[position + 1];
        if (type == kEndOfTrack) {
            // Its length byte is read next, as the delta time that follows; then a chunk may begin.
            ++tracksDone_;
            betweenChunks_ = true;
            events_.EndOfTrack();
            return {SongDamage::None, position + 2, true, true};
        }
        std::size_t data = position + 2;
        std::uint32_t length = 0;
        if (const SongDamage damage = ReadShortQuantity(data, length); damage != SongDamage::None) return {damage};
        if (end_ - data < length) return {SongDamage::EventCutOff};
        events_.Meta(type, data, length, tick);
        return {SongDamage::None, data + length};
    }

    // A variable-length quantity of at most three bytes.
    SongDamage ReadShortQuantity(std::size_t& position, std::uint32_t& value) const {
        value = 0;
        for (int count = 0; count < 3; ++count) {
            if (position >= end_) return SongDamage::EventCutOff;
            const std::uint8_t byte = in_[position++];
            value = (value << 7) | (byte & 0x7F);
            if (byte < 0x80) return SongDamage::None;
        }
        return SongDamage::QuantityTooLong;
    }

    // Moves `position` past the delta time; on damage it stays where the delta time begins.
    SongDamage DeltaTime(std::size_t& position, std::uint32_t& ticks) const {
        std::size_t next = position;
        const SongDamage damage = ReadShortQuantity(next, ticks);
        if (damage == SongDamage::None) position = next;
        return damage;
    }

    const std::uint8_t* in_;
    std::size_t end_;
    std::uint16_t trackCount_;
    Events& events_;
    std::uint16_t tracksDone_ = 0;  // End of Track events so far
    bool betweenChunks_ = true;     // after the header, an End of Track or a skipped chunk
};
