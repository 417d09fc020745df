#include "settings/instrument_names.h"

std::vector<std::string> CutInstrumentNames(std::span<const std::uint8_t> bytes) {
    std::vector<std::string> names;
    std::string entry;
    for (const std::uint8_t byte : bytes) {
        if (byte == '\n') continue;
        const bool ends = byte == '\r' || byte == '\0';
        if (!ends && entry.size() < kInstrumentNameCapacity) {
            entry.push_back(static_cast<char>(byte));
            continue;
        }
        // A line end, or a byte that no longer fits: the entry is complete and that byte is lost.
        names.push_back(std::move(entry));
        entry.clear();
        if (names.size() == kInstrumentNameLimit) break;
    }
    return names;
}
