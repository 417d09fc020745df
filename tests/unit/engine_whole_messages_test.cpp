#include "engine/whole_messages.h"

#include "tests/common/song_builder.h"

#include <gtest/gtest.h>

namespace {

class Port final : public lyra::MidiSink {
public:
    void Send(const std::uint8_t* bytes, std::size_t size) override { got.emplace_back(bytes, bytes + size); }
    std::vector<Bytes> got;
};

lyra::SongEvent Event(lyra::EventKind kind, const Bytes& bytes, std::uint32_t track = 0) {
    lyra::SongEvent event;
    event.kind = kind;
    event.track = track;
    event.bytes = bytes.data();
    event.size = static_cast<std::uint32_t>(bytes.size());
    return event;
}

// Escaped bytes reach the port as the complete messages they hold, and nothing else.
TEST(EngineWholeMessages, EscapedBytesGoAsTheCompleteMessagesTheyHold) {
    const struct {
        const char* name;
        Bytes escaped;
        std::vector<Bytes> sent;
        bool reset;
    } rows[] = {
        {"real-time alone", {0xF8}, {{0xF8}}, false},
        {"note with running status", {0x90, 0x3C, 0x64, 0x3E, 0x64}, {{0x90, 0x3C, 0x64}, {0x90, 0x3E, 0x64}}, false},
        {"real-time inside a note", {0x90, 0x3C, 0xFA, 0x64}, {{0xFA}, {0x90, 0x3C, 0x64}}, false},
        {"program, one data byte", {0xC3, 0x05}, {{0xC3, 0x05}}, false},
        {"song position", {0xF2, 0x10, 0x20, 0xF6}, {{0xF2, 0x10, 0x20}, {0xF6}}, false},
        {"whole system exclusive", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}, true},
        {"system exclusive cut off", {0xF0, 0x43, 0x10, 0x90, 0x3C, 0x64}, {{0x90, 0x3C, 0x64}}, false},
        {"continuation of nothing", {0x04, 0x7F, 0x3D, 0xF7}, {}, false},
        {"note cut off", {0x90, 0x3C}, {}, false},
        {"system common ends running status",
         {0x90, 0x3C, 0x64, 0xF6, 0x3E, 0x64},
         {{0x90, 0x3C, 0x64}, {0xF6}},
         false},
        {"undefined status", {0xF4, 0x01, 0xF5}, {}, false},
        {"real-time inside a system exclusive",
         {0x90, 0x40, 0x7F, 0xF0, 0x01, 0xF8, 0x02, 0x03, 0xF7},
         {{0x90, 0x40, 0x7F}, {0xF0, 0x01, 0xF8, 0x02, 0x03, 0xF7}},
         false},
        {"system exclusive ends running status",
         {0x90, 0x40, 0x7F, 0xF0, 0x01, 0xF7, 0x41, 0x00},
         {{0x90, 0x40, 0x7F}, {0xF0, 0x01, 0xF7}},
         false},
    };
    for (const auto& row : rows) {
        Port port;
        lyra::WholeMessages whole;
        EXPECT_EQ(whole.Take(Event(lyra::EventKind::escape, row.escaped), port), row.reset) << row.name;
        EXPECT_EQ(port.got, row.sent) << row.name;
    }
}

// A divided message goes out whole with its last packet, after what came between its packets, and
// a message forgotten half way never goes out.
TEST(EngineWholeMessages, ADividedMessageGoesWholeWhenItsLastPacketIsDue) {
    const Bytes first = {0xF0, 0x43, 0x10, 0x4C};
    const Bytes middle = {0x00, 0x00};
    const Bytes last = {0x7E, 0x00, 0xF7};
    const Bytes note = {0x91, 0x40, 0x64};
    Port port;
    lyra::WholeMessages whole;
    const Bytes broken = {0xF0, 0x41, 0x90, 0x3C, 0xF7};  // a port would read a note in it
    EXPECT_FALSE(whole.Take(Event(lyra::EventKind::sysEx, broken), port));
    EXPECT_FALSE(whole.Take(Event(lyra::EventKind::sysExStart, first), port));
    whole.Take(Event(lyra::EventKind::channel, note), port);
    whole.Take(Event(lyra::EventKind::sysExPart, middle), port);
    EXPECT_TRUE(whole.Take(Event(lyra::EventKind::sysExEnd, last), port));  // XG System On
    EXPECT_EQ(port.got, (std::vector<Bytes>{note, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}}));

    // Two tracks with a divided message open at once: each goes out whole, unmixed.
    port.got.clear();
    whole.Take(Event(lyra::EventKind::sysExStart, {0xF0, 0x41, 0x10}, 1), port);
    whole.Take(Event(lyra::EventKind::sysExStart, first, 2), port);
    whole.Take(Event(lyra::EventKind::sysExEnd, {0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}, 1), port);
    whole.Take(Event(lyra::EventKind::sysExPart, middle, 2), port);
    whole.Take(Event(lyra::EventKind::sysExEnd, last, 2), port);
    EXPECT_EQ(port.got, (std::vector<Bytes>{{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},
                                            {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}}));

    port.got.clear();
    whole.Take(Event(lyra::EventKind::sysExStart, first), port);
    whole.Forget();
    whole.Take(Event(lyra::EventKind::sysExEnd, last), port);
    EXPECT_TRUE(port.got.empty());
}

}  // namespace
