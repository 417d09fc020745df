// Turns a song's events into what may reach a port: whole messages only, as a receiver reads them.
// Each track's divided system exclusive goes out whole when its last packet is due, so nothing of
// another track can come between its bytes and no two tracks' packets mix, and a stop in the middle
// leaves nothing open. Escaped bytes go out as the complete messages a receiver finds in them.
#pragma once
#include "engine/midi_sink.h"
#include "engine/song.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace lyra {

class WholeMessages {
public:
    // Sends what `event` completes; true when that was a reset. A system exclusive with a status
    // byte inside would end early at the port and leave the rest to be misread: it is left out.
    bool Take(const SongEvent& event, MidiSink& sink);
    // Drops every divided message begun and not ended.
    void Forget() noexcept { divided_.clear(); }

private:
    // By track: F0 and the packets so far of the divided message the track has open.
    std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> divided_;
};

// F0, data bytes (real-time bytes may come between them), F7: what a port reads as one message.
bool IsWholeSysEx(const std::uint8_t* bytes, std::size_t size);

// Reads `bytes` as a receiver reads a stream that starts with no running status, and sends each
// complete message found: channel messages (running status included), system-common and real-time
// messages, and F0 to F7 (real-time bytes inside it stay, as a receiver takes them in passing). A
// real-time byte never ends a message; a system exclusive or a system-common message ends running
// status; data bytes with no status to run on, and cut-off messages, are left out. True when one of
// the messages was a reset.
bool SendEscapedBytes(const std::uint8_t* bytes, std::size_t size, MidiSink& sink);

}  // namespace lyra
