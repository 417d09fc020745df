#include "settings/instrument_names.h"
#include "settings/spin_place.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

Names Cut(const std::string& bytes) {
    return CutInstrumentNames({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

std::string Repeat(char c, size_t count) { return std::string(count, c); }

struct CutCase {
    const char* name;
    std::string bytes;
    Names expected;
};

// "ピアノ" in code page 932: three two-byte characters.
#define PIANO "\x83\x73\x83\x41\x83\x6D"

TEST(InstrumentNames, CutsLinesIntoEntries) {
    const CutCase cases[] = {
        {"CR LF ends", "Piano\r\nGuitar\r\n", {"Piano", "Guitar"}},
        {"CR alone ends", "Piano\rGuitar\r", {"Piano", "Guitar"}},
        {"NUL ends", std::string("Piano\0Guitar\0", 13), {"Piano", "Guitar"}},
        {"last line without an end is lost", "Piano\r\nGuitar", {"Piano"}},
        {"empty file", "", {}},
        {"empty line still takes a number", "Piano\r\n\r\nGuitar\r\n", {"Piano", "", "Guitar"}},
        {"lone CR LF", "\r\n", {""}},
        {"Shift-JIS bytes kept", PIANO "\r\n", {PIANO}},
        {"32 bytes is one entry", Repeat('a', 32) + "\r\nb\r\n", {Repeat('a', 32), "b"}},
        {"33 bytes: 32, the 33rd lost, then empty", Repeat('a', 32) + "Z\r\nb\r\n", {Repeat('a', 32), "", "b"}},
        {"LF inside a line is skipped", "Pi\nano\r", {"Piano"}},
        // LF-only ends: the lines run together, every 33rd byte is lost.
        {"LF-only ends cut across lines",
         Repeat('a', 20) + "\n" + Repeat('b', 20) + "\n" + Repeat('c', 30) + "\n",
         {Repeat('a', 20) + Repeat('b', 12), Repeat('b', 7) + Repeat('c', 25)}},
    };
    for (const CutCase& c : cases) EXPECT_EQ(Cut(c.bytes), c.expected) << c.name;
}

TEST(InstrumentNames, StopsAfter129Entries) {
    std::string file;
    for (int line = 0; line < 200; ++line) file += "name" + std::to_string(line) + "\r\n";
    const Names names = Cut(file);
    ASSERT_EQ(names.size(), 129u);
    EXPECT_EQ(names.front(), "name0");
    EXPECT_EQ(names[127], "name127");
    EXPECT_EQ(names.back(), "name128");
}

TEST(InstrumentNames, LimitCountsEmptyAndFullEntries) {
    // 128 empty lines, then a 33-byte line: its first 32 bytes are entry 129 and the rest is never cut.
    const Names names = Cut(Repeat('\r', 128) + Repeat('x', 33) + "\r\nafter\r\n");
    ASSERT_EQ(names.size(), 129u);
    EXPECT_EQ(names.back(), Repeat('x', 32));
}

TEST(SpinPlace, GivenPlaceUnderTheReferenceFont) {
    for (const SpinPlace given : {SpinPlace{135, 15}, SpinPlace{422, 178}, SpinPlace{140, 369}, SpinPlace{160, 20}}) {
        EXPECT_EQ(PlaceForFont(given, kReferenceBaseX, kReferenceBaseY), given);
    }
}

TEST(SpinPlace, MovesWithLargerOrSmallerBaseUnits) {
    EXPECT_EQ(PlaceForFont({140, 369}, 7, 13), (SpinPlace{140, 400}));  // 369 * 13 / 12 = 399.75
    EXPECT_EQ(PlaceForFont({140, 24}, 8, 12), (SpinPlace{160, 24}));
    EXPECT_EQ(PlaceForFont({150, 24}, 6, 10), (SpinPlace{129, 20}));  // 128.57 and 20
}

}  // namespace
