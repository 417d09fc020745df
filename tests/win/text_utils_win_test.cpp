// The portable text utilities against the platform, and the window-side text helpers.
#include "log/app_globals.h"
#include "res/resource.h"
#include "test_support.h"
#include "ui/messages.h"
#include "ui/text_utils.h"
#include "ui/window_ref.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Every position of `text` stepped back by the core and by CharPrevExA(932) must agree.
void ExpectSameStepsBack(const std::string& text) {
    const char* start = text.c_str();
    for (size_t i = 0; i <= text.size(); ++i) {
        const char* core = PreviousChar932(start, start + i);
        const char* platform = CharPrevExA(932, start, start + i, 0);
        ASSERT_EQ(core - start, platform - start) << "at " << i << " of a " << text.size() << "-byte text";
    }
}

TEST(PreviousChar932, AgreesWithCharPrevExA) {
    const std::string fixed[] = {
        "C:\\\x95\x5C\\a.mid",   // 表: second byte 0x5C
        "\x81\x2F\x81\x5C/\\",   // second bytes 0x2F and 0x5C
        "\x95",                  // a lone lead byte
        "a\x95",                 // a lead byte cut off by the end
        "\xA0\xDF\xFD\xFE\xFF",  // single-byte katakana and bytes that are never lead bytes
        "\x82\xA0\x82\xA2\x82\xA4",
        "",
    };
    for (const std::string& text : fixed) ExpectSameStepsBack(text);

    // Random byte strings, rich in lead bytes, 0x5C and 0x2F.
    std::mt19937 random(932);
    const unsigned char alphabet[] = {0x5C, 0x2F, 0x2E, 0x41, 0x81, 0x95, 0x9F, 0xE0,
                                      0xEA, 0xFC, 0xA5, 0x40, 0x7F, 0x80, 0xFD};
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 24, '\0');
        for (char& c : text) c = static_cast<char>(alphabet[random() % sizeof alphabet]);
        ExpectSameStepsBack(text);
    }
}

TEST(PreviousChar932, LeadBytesAgreeWithThePlatform) {
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(IsLeadByte932(static_cast<unsigned char>(byte)), IsDBCSLeadByteEx(932, static_cast<BYTE>(byte)) != 0)
            << byte;
    }
}

TEST(LoadText, OneSharedBufferAndEmptyForMissing) {
    const char* first = LoadText(appInstance, IDS_INIT_FAILED);
    EXPECT_STREQ(first, "初期化に失敗しました。");
    const char* second = LoadText(appInstance, IDS_BAD_FILE);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "ファイルが不正です。");
    EXPECT_STREQ(LoadText(appInstance, 9999), "");
}

TEST(LoadText, EveryQuotedTextHasItsFullWidthMarks) {
    EXPECT_STREQ(LoadText(appInstance, IDS_CONVERSION_NO_MEMORY), "！　変換失敗 - メモリ不足");
    EXPECT_STREQ(LoadText(appInstance, IDS_DISCARD_QUESTION), "変換済みのデータがあります。\n破棄してよろしいですか？");
    EXPECT_STREQ(LoadText(appInstance, IDS_CONVERSION_FORCED), "変換強引に終了 %dシフト %u個の演奏範囲オーバー");
}

TEST(ProgramDirFile, NameBesideTheProgram) {
    char path[MAX_PATH];
    ProgramDirFile(path, "KADENZO.CHM");
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    char directory[MAX_PATH];
    DirectoryPart(directory, module);
    EXPECT_EQ(std::string(path), std::string(directory) + "\\KADENZO.CHM");
}

TEST(ShowMessage, CaptionIsTheWindowTitleUnchanged) {
    HWND owner =
        CreateWindowExA(0, "STATIC", "100% 曲替丸 %s", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    BoxAnswerer answerer({Press(IDOK), Press(IDOK)});
    WindowRef(owner).ShowMessage("text", MB_OK);
    WindowRef(owner).ShowMessage("text", MB_OK, "50%% done");
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].caption, "100% 曲替丸 %s");
    EXPECT_EQ(seen[1].caption, "50% done");
    DestroyWindow(owner);
}

TEST(Center, LargerThanTheScreenStaysAndReturnsOne) {
    HWND huge = CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 7, 10000, 10000, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(WindowRef(huge).Center(nullptr), 1);
    RECT frame;
    GetWindowRect(huge, &frame);
    EXPECT_EQ(frame.left, 5);
    EXPECT_EQ(frame.top, 7);
    DestroyWindow(huge);
}

}  // namespace
