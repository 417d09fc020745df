#include "engine/whole_messages.h"

#include "engine/midi_messages.h"

#include <utility>

namespace lyra {
namespace {

constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEnd = 0xF7;

bool IsStatus(std::uint8_t byte) { return byte >= 0x80; }
bool IsRealTime(std::uint8_t byte) { return byte >= 0xF8; }

// Data bytes after a status byte, or -1 for one that begins no message of its own.
int DataBytesAfter(std::uint8_t status) {
    if (status < 0xF0) return (status & 0xE0) == 0xC0 ? 1 : 2;
    switch (status) {
        case 0xF1:
        case 0xF3: return 1;
        case 0xF2: return 2;
        case 0xF6: return 0;
        default: return -1;
    }
}

bool SendChecked(const std::uint8_t* bytes, std::size_t size, MidiSink& sink) {
    if (bytes[0] == kSysExStart && !IsWholeSysEx(bytes, size)) return false;
    sink.SendSong(bytes, size);
    return IsResetMessage(bytes, size);
}

// The end of a system exclusive that begins at `start`: the index of its F7, or of the status byte
// that cuts it off, or `size`. Real-time bytes inside do not end it.
std::size_t SysExEnd(const std::uint8_t* bytes, std::size_t size, std::size_t start) {
    std::size_t end = start + 1;
    while (end < size && (!IsStatus(bytes[end]) || IsRealTime(bytes[end]))) ++end;
    return end;
}

}  // namespace

bool IsWholeSysEx(const std::uint8_t* bytes, std::size_t size) {
    if (size < 2 || bytes[0] != kSysExStart || bytes[size - 1] != kSysExEnd) return false;
    for (std::size_t i = 1; i + 1 < size; ++i) {
        if (IsStatus(bytes[i]) && !IsRealTime(bytes[i])) return false;
    }
    return true;
}

bool WholeMessages::Take(const SongEvent& event, MidiSink& sink) {
    switch (event.kind) {
        case EventKind::channel: return SendChecked(event.bytes, event.size, sink);
        case EventKind::sysEx:
            divided_.erase(event.track);  // a new message leaves behind one the track had open
            return SendChecked(event.bytes, event.size, sink);
        case EventKind::sysExStart: divided_[event.track].assign(event.bytes, event.bytes + event.size); return false;
        case EventKind::sysExPart: {
            auto open = divided_.find(event.track);
            if (open != divided_.end()) open->second.insert(open->second.end(), event.bytes, event.bytes + event.size);
            return false;
        }
        case EventKind::sysExEnd: {
            auto open = divided_.find(event.track);
            if (open == divided_.end()) return false;  // its start came before this run
            std::vector<std::uint8_t> whole = std::move(open->second);
            divided_.erase(open);
            whole.insert(whole.end(), event.bytes, event.bytes + event.size);
            return SendChecked(whole.data(), whole.size(), sink);
        }
        case EventKind::escape: return SendEscapedBytes(event.bytes, event.size, sink);
    }
    return false;
}

bool SendEscapedBytes(const std::uint8_t* bytes, std::size_t size, MidiSink& sink) {
    bool reset = false;
    std::uint8_t running = 0;  // a channel status that data bytes may run on
    std::size_t at = 0;
    while (at < size) {
        std::uint8_t lead = bytes[at];
        if (IsRealTime(lead)) {
            sink.SendSong(&bytes[at++], 1);
            continue;
        }
        if (lead == kSysExStart) {
            running = 0;
            std::size_t end = SysExEnd(bytes, size, at);
            bool closed = end < size && bytes[end] == kSysExEnd;
            if (closed) reset |= SendChecked(&bytes[at], end + 1 - at, sink);
            at = closed ? end + 1 : end;  // a status that cuts it off is read next
            continue;
        }
        std::uint8_t message[3] = {running, 0, 0};
        std::size_t data = at;
        if (IsStatus(lead)) {
            message[0] = lead;
            running = lead < 0xF0 ? lead : 0;  // a system-common message ends running status
            data = at + 1;
        }
        int count = message[0] == 0 ? -1 : DataBytesAfter(message[0]);
        if (count < 0) {
            at = data > at ? data : at + 1;
            continue;
        }
        // A real-time byte may come between the bytes of a message; it goes out at once.
        std::size_t taken = 0;
        std::size_t next = data;
        for (; taken < static_cast<std::size_t>(count) && next < size; ++next) {
            if (IsRealTime(bytes[next])) {
                sink.SendSong(&bytes[next], 1);
            } else if (IsStatus(bytes[next])) {
                break;
            } else {
                message[1 + taken++] = bytes[next];
            }
        }
        if (taken == static_cast<std::size_t>(count)) sink.SendSong(message, 1 + taken);
        at = next;
    }
    return reset;
}

}  // namespace lyra
