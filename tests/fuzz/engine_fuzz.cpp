// libFuzzer target of the engine's portable core: the song reader, the scheduler against a
// simulated clock, and the chase from positions the input chooses. Besides the sanitizers' watch
// over every access it checks that the song's memory stays within a bound of the file's size,
// that every run ends within a bounded number of pumps, that positions stay within 16 bits, and
// that every note and every system exclusive that reaches the sink is one the song holds, as a
// receiver reads the song.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "engine/sequencer.h"
#include "engine/smf_reader.h"

namespace {

using Message = std::vector<std::uint8_t>;

void Check(bool holds) {
    if (!holds) std::abort();
}

// The notes and system exclusive a receiver reads in a song, each event's bytes read on their own
// (a divided message's packets together, per track), starting with no running status. Real-time
// bytes are passed over, so a system exclusive is kept without them.
class SongContent {
public:
    explicit SongContent(const lyra::Song& song) {
        std::map<std::uint32_t, Message> divided;
        for (const lyra::OwnedEvent& event : lyra::CollectEvents(song)) {
            switch (event.kind) {
                case lyra::EventKind::sysExStart: divided[event.track] = event.bytes; break;
                case lyra::EventKind::sysExPart:
                case lyra::EventKind::sysExEnd: {
                    auto open = divided.find(event.track);
                    if (open == divided.end()) break;
                    open->second.insert(open->second.end(), event.bytes.begin(), event.bytes.end());
                    if (event.kind == lyra::EventKind::sysExEnd) {
                        Read(open->second);
                        divided.erase(open);
                    }
                    break;
                }
                default: Read(event.bytes);
            }
        }
    }
    bool Holds(const std::uint8_t* bytes, std::size_t size) const {
        if ((bytes[0] & 0xE0) == 0x80) return notes_.count(Message(bytes, bytes + size)) != 0;
        if (bytes[0] != 0xF0) return true;
        Message sysEx;
        for (std::size_t i = 0; i < size; ++i) {
            if (bytes[i] < 0xF8) sysEx.push_back(bytes[i]);
        }
        return sysEx_.count(sysEx) != 0;
    }

private:
    // A receiver, a byte at a time.
    void Read(const Message& bytes) {
        std::uint8_t running = 0;
        Message data;
        Message sysEx;
        bool inSysEx = false;
        for (std::uint8_t byte : bytes) {
            if (byte >= 0xF8) continue;
            if (byte >= 0x80) {
                if (byte == 0xF7 && inSysEx) sysEx_.insert(Join(sysEx, byte));
                inSysEx = byte == 0xF0;
                sysEx.assign(1, byte);
                running = byte < 0xF0 ? byte : 0;
                data.clear();
                continue;
            }
            if (inSysEx) {
                sysEx.push_back(byte);
                continue;
            }
            if (running == 0) continue;
            data.push_back(byte);
            std::size_t needed = (running & 0xE0) == 0xC0 ? 1 : 2;
            if (data.size() < needed) continue;
            if ((running & 0xE0) == 0x80) notes_.insert({running, data[0], data[1]});
            data.clear();
        }
    }
    static Message Join(Message bytes, std::uint8_t last) {
        bytes.push_back(last);
        return bytes;
    }

    std::set<Message> notes_;
    std::set<Message> sysEx_;
};

class SimulatedClock final : public lyra::Clock {
public:
    std::int64_t NowUs() const override { return now; }
    std::int64_t now = 0;
};

// Touches every byte it is given, so that the sanitizers see a read outside the song, and checks
// that each message is whole (a status byte, then data bytes only; F0 ... F7 for a long one) and
// that a note or a system exclusive is one the song holds.
class CheckingSink final : public lyra::MidiSink {
public:
    explicit CheckingSink(const SongContent& content) : content_(content) {}
    void Send(const std::uint8_t* bytes, std::size_t size) override {
        if (size == 0 || bytes[0] < 0x80) std::abort();
        bool sysEx = bytes[0] == 0xF0;
        if (sysEx ? size < 2 || bytes[size - 1] != 0xF7 : size > 3) std::abort();
        for (std::size_t i = 0; i < size; ++i) {
            checksum += bytes[i];
            bool realTime = bytes[i] >= 0xF8;  // may come anywhere, inside a system exclusive too
            if (i > 0 && bytes[i] >= 0x80 && !(sysEx && (i == size - 1 || realTime))) std::abort();
        }
        Check(content_.Holds(bytes, size));
        ++sent;
    }
    std::size_t sent = 0;
    unsigned checksum = 0;

private:
    const SongContent& content_;
};

// Pumps with the clock jumping to each wake-up, for at most `pumpLimit` pumps; false when the
// run did not end (or, with `stopAfter`, did not get there) within the limit.
bool Run(lyra::Sequencer& sequencer, SimulatedClock& clock, std::size_t pumpLimit, std::size_t stopAfter) {
    for (std::size_t pump = 0; pump < pumpLimit; ++pump) {
        if (pump == stopAfter) {
            sequencer.Stop();
            return sequencer.Pump() == -1;
        }
        std::int64_t wait = sequencer.Pump();
        if (wait < 0) return true;
        Check(sequencer.Position() <= sequencer.Length() && sequencer.Length() <= 65535);
        clock.now += wait;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto firstSeek = input.ConsumeIntegral<std::uint16_t>();
    const auto secondSeek = input.ConsumeIntegral<std::uint16_t>();
    const auto stopAfter = input.ConsumeIntegral<std::uint8_t>();
    std::vector<std::uint8_t> image = input.ConsumeRemainingBytes<std::uint8_t>();

    lyra::Song song;
    if (lyra::ReadSong(image.data(), image.size(), song) != lyra::ReadResult::ok) return 0;
    // The song is the file walked in place: its only large part is the file itself, and every
    // event takes at least two bytes of it.
    Check(song.image.size() == image.size() && song.tracks.size() <= image.size() / 8);
    Check(lyra::CollectEvents(song).size() <= image.size() / 2 + 1);

    SongContent content(song);
    SimulatedClock clock;
    CheckingSink sink(content);
    lyra::Sequencer sequencer(clock, sink);
    sequencer.Load(std::move(song));
    const std::size_t events = image.size() / 2 + 1;
    // Each pump sends a message, walks a share of events, or waits for the next one; the state
    // holds a bounded number of messages per channel plus one per system-exclusive message.
    const std::size_t pumpLimit = 6 * events + 16 * 4096 + 1000;

    sequencer.Start();
    Check(Run(sequencer, clock, pumpLimit, static_cast<std::size_t>(-1)));
    for (std::uint16_t position : {firstSeek, secondSeek}) {
        sequencer.Seek(position);
        Check(sequencer.Position() <= sequencer.Length());
        sequencer.Start();
        Check(Run(sequencer, clock, pumpLimit, position == secondSeek ? stopAfter : static_cast<std::size_t>(-1)));
        Check(!sequencer.Playing());
    }
    return 0;
}
