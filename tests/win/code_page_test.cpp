// The process reads its code-page-932 texts as Japanese whatever the system's locale.
#include "program_fixture.h"
#include "ui/code_page.h"
#include "ui/messages.h"

namespace {

TEST(CodePage, ProcessCodePageIs932) { EXPECT_EQ(GetACP(), 932u); }

TEST(CodePage, ConversionsKeepEveryByte) {
    struct Case {
        std::string bytes;
        std::wstring wide;
    };
    const Case cases[] = {
        {"", L""},
        {"Kadenzo", L"Kadenzo"},
        {"\x8b\xc8\x91\xd6\x8a\xdb", L"\u66f2\u66ff\u4e38"},  // 曲替丸
        {"\x95\x5c\x8e\xa6", L"\u8868\u793a"},                // 表示: a second byte of 0x5C
        {"\xb6\xc0\xb6\xc5", L"\uff76\uff80\uff76\uff85"},    // half-width katakana
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Widen932(c.bytes), c.wide) << c.bytes;
        EXPECT_EQ(Narrow932(c.wide), c.bytes) << c.bytes;
    }
}

class CodePageWindowTest : public ProgramTest {};

// A string-table text set through the narrow functions reads back as the right UTF-16 text.
TEST_F(CodePageWindowTest, StringTableTextShowsAsJapaneseInAWindow) {
    const char* text = LoadText(appInstance, 13);
    ASSERT_NE(text, nullptr);
    SetWindowTextA(main_, text);
    wchar_t shown[128] = {};
    GetWindowTextW(main_, shown, 128);
    EXPECT_EQ(std::wstring(shown),
              L"\u30d5\u30a1\u30a4\u30eb\u3092\u958b\u3051\u307e\u305b\u3093\u3067\u3057\u305f\u3002");
}

}  // namespace
