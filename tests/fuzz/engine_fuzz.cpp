// libFuzzer target of the engine's portable core: the song reader, the scheduler against a
// simulated clock, and the chase from positions the input chooses. Besides the sanitizers' watch
// over every access it checks that the song's memory stays within a bound of the file's size,
// that every run ends within a bounded number of pumps, and that positions stay within 16 bits.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

#include "engine/sequencer.h"
#include "engine/smf_reader.h"

namespace {

class SimulatedClock final : public lyra::Clock {
public:
    std::int64_t NowUs() const override { return now; }
    std::int64_t now = 0;
};

// Touches every byte it is given, so that the sanitizers see a read outside the song, and checks
// that each message is whole: a status byte, then data bytes only (F0 ... F7 for a long one).
class CheckingSink final : public lyra::MidiSink {
public:
    void Send(const std::uint8_t* bytes, std::size_t size) override {
        if (size == 0 || bytes[0] < 0x80) std::abort();
        bool sysEx = bytes[0] == 0xF0;
        if (sysEx ? size < 2 || bytes[size - 1] != 0xF7 : size > 3) std::abort();
        for (std::size_t i = 0; i < size; ++i) {
            checksum += bytes[i];
            bool realTime = bytes[i] >= 0xF8;  // may come anywhere, inside a system exclusive too
            if (i > 0 && bytes[i] >= 0x80 && !(sysEx && (i == size - 1 || realTime))) std::abort();
        }
        ++sent;
    }
    std::size_t sent = 0;
    unsigned checksum = 0;
};

void Check(bool holds) {
    if (!holds) std::abort();
}

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

    SimulatedClock clock;
    CheckingSink sink;
    lyra::Sequencer sequencer(clock, sink);
    sequencer.Load(std::move(song));
    const std::size_t events = image.size() / 2 + 1;
    // Each pump sends a message, chases a share of events, or waits for the next one; the state
    // holds a bounded number of messages per channel plus one per system-exclusive event.
    const std::size_t pumpLimit = 4 * events + 16 * 4096 + 1000;

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
