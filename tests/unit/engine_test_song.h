// Songs for the engine's tests, written as bytes: a header and track bodies given event by event.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A Standard MIDI File image: "MThd" with format, track count and division, then one "MTrk"
// chunk around each body.
inline Bytes SmfImage(std::uint16_t format, std::uint16_t division, std::initializer_list<Bytes> tracks) {
    Bytes image = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    auto put16 = [&](std::uint16_t value) {
        image.push_back(static_cast<std::uint8_t>(value >> 8));
        image.push_back(static_cast<std::uint8_t>(value));
    };
    put16(format);
    put16(static_cast<std::uint16_t>(tracks.size()));
    put16(division);
    for (const Bytes& body : tracks) {
        image.insert(image.end(), {'M', 'T', 'r', 'k'});
        std::uint32_t size = static_cast<std::uint32_t>(body.size());
        for (int shift = 24; shift >= 0; shift -= 8) image.push_back(static_cast<std::uint8_t>(size >> shift));
        image.insert(image.end(), body.begin(), body.end());
    }
    return image;
}
