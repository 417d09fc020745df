// Turns a song's events into what may reach a port: whole messages only. A divided system
// exclusive goes out whole when its last packet is due, so nothing of another track can come
// between its bytes, and a stop in the middle leaves nothing open. Escaped bytes go out as the
// complete messages they hold.
#pragma once
#include "engine/midi_sink.h"
#include "engine/song.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lyra {

class WholeMessages {
public:
    // Sends what `event` completes; true when that was a reset. A system exclusive with a status
    // byte inside would end early at the port and leave the rest to be misread: it is left out.
    bool Take(const SongEvent& event, MidiSink& sink);
    // Drops a divided message begun and not ended.
    void Forget() { divided_.clear(); }

private:
    std::vector<std::uint8_t> divided_;  // F0 and the packets so far; empty when none is open
};

// F0, data bytes (real-time bytes may come between them), F7: what a port reads as one message.
bool IsWholeSysEx(const std::uint8_t* bytes, std::size_t size);

// Sends each complete message found in `bytes`: channel messages (running status included),
// system-common and real-time messages, and F0 to F7. Stray data bytes and cut-off messages are
// left out. True when one of them was a reset.
bool SendEscapedBytes(const std::uint8_t* bytes, std::size_t size, MidiSink& sink);

}  // namespace lyra
