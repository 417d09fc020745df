#include "engine/engine_errors.h"

#include "engine/engine_exports.h"
#include "engine/guarded.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <stdexcept>
#include <string>

namespace {

// What an export returns when its body fails: out of memory is the engine's no-memory error, with
// its own text; the body's own result passes through.
TEST(EngineErrors, NoExceptionLeavesAnExport) {
    EXPECT_EQ(Guarded([]() -> std::int32_t { throw std::bad_alloc(); }), kEngineNoMemory);
    EXPECT_EQ(Guarded([]() -> std::int32_t { throw std::length_error("vector"); }), kEngineNoMemory);
    EXPECT_EQ(Guarded([]() -> std::int32_t { throw std::runtime_error("other"); }), kEngineInternalError);
    EXPECT_EQ(Guarded([] { return std::int32_t{kEngineNoSong}; }), kEngineNoSong);
    EXPECT_STREQ(lyra::ErrorText(kEngineNoMemory), "メモリが不足しています。");
}

TEST(EngineErrors, EachCodeHasItsOwnText) {
    const std::int32_t codes[] = {kEngineOk,
                                  kEngineBadArgument,
                                  kEngineNoMemory,
                                  kEngineDeviceOpenFailed,
                                  kEngineSongFileUnreadable,
                                  kEngineSongInvalid,
                                  kEngineNoSong,
                                  kEngineThreadFailed,
                                  kEngineInternalError,
                                  kEngineDeviceRefused,
                                  kEngineDeviceGone,
                                  kEngineTempFileFailed,
                                  999};
    std::set<std::string> texts;
    for (std::int32_t code : codes) texts.insert(lyra::ErrorText(code));
    EXPECT_EQ(texts.size(), std::size(codes));
}

TEST(EngineErrors, TextsAreCodePage932) {
    // "一時曲ファイルを書き込めませんでした。" begins with 一 (0x88 0xEA) and 時 (0x8E 0x9E).
    EXPECT_EQ(std::string(lyra::ErrorText(kEngineTempFileFailed)).substr(0, 4), "\x88\xEA\x8E\x9E");
    EXPECT_EQ(std::string(lyra::ErrorText(kEngineDeviceOpenFailed)).substr(0, 4), "MIDI");
}

TEST(EngineErrors, CopiesTheWholeTextWhenItFits) {
    char buffer[128];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(lyra::CopyErrorText(kEngineSongInvalid, buffer, 128), kEngineOk);
    EXPECT_STREQ(buffer, lyra::ErrorText(kEngineSongInvalid));
}

struct CutCase {
    std::int32_t bufferSize;
    std::size_t expectedLength;
};

TEST(EngineErrors, CutsAtAWholeCharacter) {
    // "MIDIアウト..." : four single bytes, then two-byte characters.
    const CutCase cases[] = {{1, 0}, {4, 3}, {5, 4}, {6, 4}, {7, 6}, {8, 6}};
    for (const CutCase& c : cases) {
        char buffer[16];
        std::memset(buffer, 'x', sizeof buffer);
        ASSERT_EQ(lyra::CopyErrorText(kEngineDeviceOpenFailed, buffer, c.bufferSize), kEngineOk);
        EXPECT_EQ(std::strlen(buffer), c.expectedLength) << c.bufferSize;
        EXPECT_EQ(std::memcmp(buffer, lyra::ErrorText(kEngineDeviceOpenFailed), c.expectedLength), 0);
        EXPECT_EQ(buffer[c.bufferSize], 'x');  // nothing written past the buffer
    }
}

TEST(EngineErrors, RefusesAMissingBuffer) {
    char buffer[4] = "abc";
    EXPECT_EQ(lyra::CopyErrorText(kEngineOk, nullptr, 128), kEngineBadArgument);
    EXPECT_EQ(lyra::CopyErrorText(kEngineOk, buffer, 0), kEngineBadArgument);
    EXPECT_STREQ(buffer, "abc");
}

}  // namespace
