#include "ui/text_utils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// 表 is 0x95 0x5C in code page 932: its second byte looks like a backslash.
#define HYO "\x95\x5C"

std::string Apply(void (*part)(char*, const char*), const char* path) {
    char out[kPathCapacity] = "garbage";
    part(out, path);
    return out;
}

struct PathCase {
    const char* path;
    const char* fileName;
    const char* title;
    const char* extension;
    const char* directory;
};

TEST(PathParts, SplitWholeCharacters) {
    const PathCase cases[] = {
        {"C:\\" HYO "\\a.mid", "a.mid", "a", "mid", "C:\\" HYO},
        {"C:\\dir\\" HYO, HYO, HYO, "", "C:\\dir"},
        {"C:\\music\\song.mid", "song.mid", "song", "mid", "C:\\music"},
        {"C:\\song.mid", "song.mid", "song", "mid", "C:"},
        {"C:\\bin\\b", "b", "b", "", "C:\\bin"},
        {"song.mid", "song.mid", "song", "mid", "song.mid"},
        {"C:\\music\\song", "song", "song", "", "C:\\music"},
        {"C:\\music\\a.b.mid", "a.b.mid", "a.b", "mid", "C:\\music"},
        {"C:\\x.dir\\song", "song", "song", "dir\\song", "C:\\x.dir"},
        {"README", "README", "README", "", "README"},
        {"", "", "", "", ""},
        {"\\a", "a", "a", "", ""},
        {"C:/unix/style.smf", "style.smf", "style", "smf", "C:/unix"},
        {"C:\\dir\\", "", "", "", "C:\\dir"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Apply(FileNamePart, c.path), c.fileName);
        EXPECT_EQ(Apply(FileTitlePart, c.path), c.title);
        EXPECT_EQ(Apply(ExtensionPart, c.path), c.extension);
        EXPECT_EQ(Apply(DirectoryPart, c.path), c.directory);
    }
}

TEST(PathParts, FolderPrefixKeepsRootsAndDrives) {
    const struct {
        const char* path;
        std::size_t length;
    } cases[] = {
        {"C:\\music\\song.mid", 9},
        {"C:\\song.mid", 3},
        {"\\song.mid", 1},
        {"C:song.mid", 2},
        {"song.mid", 0},
        {"C:/unix/style.smf", 8},
        {"\\\\server\\share\\a", 15},
        {"\x95\x5C\\a", 3},  // 表's second byte is no separator
        {"\x95\x5C", 0},
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(FolderPrefixLength(c.path), c.length) << c.path;
}

TEST(PathParts, DirectoryPartWorksInPlace) {
    char path[kPathCapacity] = "C:\\" HYO "\\sub\\x.mid";
    DirectoryPart(path, path);
    EXPECT_STREQ(path, "C:\\" HYO "\\sub");
}

TEST(PathParts, TrailingSeparatorAndDot) {
    struct Case {
        const char* before;
        const char* separated;
        const char* dotted;
    } cases[] = {
        {"C:\\" HYO, "C:\\" HYO "\\", "C:\\" HYO "."},
        {"C:\\", "C:\\", "C:\\."},
        {"C:/x/", "C:/x/", "C:/x/."},
        {"", "", ""},
        {"name.", "name.\\", "name."},
        {"C:\\dir", "C:\\dir\\", "C:\\dir."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        char path[kPathCapacity];
        CopyText(path, c.before);
        EnsureTrailingSeparator(path);
        EXPECT_STREQ(path, c.separated);
        CopyText(path, c.before);
        EnsureTrailingDot(path);
        EXPECT_STREQ(path, c.dotted);
    }
}

TEST(PreviousChar, StepsBackOverWholeCharacters) {
    const char text[] = "a" HYO "b\x81/";                  // a, 表, b, then 0x81 0x2F as one character
    EXPECT_EQ(PreviousChar932(text, text + 6) - text, 4);  // onto 0x81 0x2F
    EXPECT_EQ(PreviousChar932(text, text + 4) - text, 3);  // onto b
    EXPECT_EQ(PreviousChar932(text, text + 3) - text, 1);  // onto 表, not its 0x5C
    EXPECT_EQ(PreviousChar932(text, text + 1) - text, 0);
    EXPECT_EQ(PreviousChar932(text, text) - text, 0);
    const char dangling[] = "x\x95";  // a lead byte cut off by the terminator counts alone
    EXPECT_EQ(PreviousChar932(dangling, dangling + 2) - dangling, 1);
}

TEST(ParseDecimal, DigitsByPlaceValue) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},           {"120", 120},
        {"-5", -5},        {"1a2", 102},
        {" 7", 7},         {"12-", 120},
        {"007", 7},        {"-0", 0},
        {"4294967296", 0}, {"2147483648", INT32_MIN},
        {"+5", 5},         {"5 ", 50},
        {"-", 0},          {"99999999999", 1215752191},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseDecimal(c.text), c.value);
    }
}

TEST(IsAllDigits, EveryByteADigit) {
    EXPECT_EQ(IsAllDigits(""), 1);
    EXPECT_EQ(IsAllDigits("0123456789"), 1);
    EXPECT_EQ(IsAllDigits("12 "), 0);
    EXPECT_EQ(IsAllDigits("-5"), 0);
    EXPECT_EQ(IsAllDigits(" 5"), 0);
    EXPECT_EQ(IsAllDigits("\x82\x50"), 0);  // full-width digit one
}

TEST(ReadTypedNumber, TheWholeNumberAsTheEditShowsIt) {
    const struct {
        const char* text;
        bool signedNumber;
        std::optional<int> value;
    } cases[] = {{"３", false, 3}, {"－１２", true, -12}, {" 　42 ", false, 42}, {"-5", false, {}},
                 {"3-", true, {}}, {"　", true, {}},      {"３\x82", false, {}}, {"ー３", true, -3},
                 {"ー", true, {}}, {"３ー", true, {}},    {"ー３", false, {}}};
    for (const auto& c : cases) EXPECT_EQ(ReadTypedNumber(c.text, c.signedNumber), c.value) << c.text;
}

TEST(BytesEqual, ComparesExactlyNBytes) {
    EXPECT_EQ(BytesEqual("abc", "abd", 2), 1);
    EXPECT_EQ(BytesEqual("abc", "abd", 3), 0);
    EXPECT_EQ(BytesEqual("x", "y", 0), 1);
    EXPECT_EQ(BytesEqual("a\0b", "a\0c", 3), 0);
}

TEST(HeapString, AssignAndAppend) {
    HeapString empty;
    EXPECT_EQ(empty.Text(), nullptr);

    HeapString stamp;
    stamp.Assign("12/ 6 3:20:56      ");
    HeapString message;
    message.Assign("\x95\x5C text");
    EXPECT_STREQ(stamp.Append(message).Text(), "12/ 6 3:20:56      \x95\x5C text");

    HeapString fresh;
    fresh.Append(message);
    EXPECT_STREQ(fresh.Text(), "\x95\x5C text");

    fresh.Append(empty);
    EXPECT_STREQ(fresh.Text(), "\x95\x5C text");
    fresh.Assign("");
    EXPECT_STREQ(fresh.Text(), "");
}

TEST(FormatTrace, OwnConversions) {
    char buffer[64];
    FormatTrace(buffer, sizeof buffer, "%d, %d, %d", -3, 0, 127);
    EXPECT_STREQ(buffer, "-3, 0, 127");
    FormatTrace(buffer, sizeof buffer, "%u %x %X %s", 4000000000u, 0x1au, 0x1au, "ok");
    EXPECT_STREQ(buffer, "4000000000 1a 1A ok");
    FormatTrace(buffer, sizeof buffer, "%c%C %b %B %q 100%", 'Q', 'q', 1, 0);
    EXPECT_STREQ(buffer, "qQ true FALSE q 100%");
    const std::size_t n = FormatTrace(buffer, 5, "%d", 123456);
    EXPECT_EQ(n, 4u);
    EXPECT_STREQ(buffer, "1234");
}

}  // namespace
