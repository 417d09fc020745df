// Names of the whole-file writer's temporary files: beside the target, never longer than it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/text_utils.h"
#include "ui/whole_file.h"

namespace {

struct SiblingCase {
    const char* target;
    unsigned number;
    const char* expected;  // null: refused
};

TEST(SiblingName, StandsBesideTheTargetInNoMoreRoom) {
    const SiblingCase cases[] = {
        {"C:\\midi\\song[trans].mid", 0, "C:\\midi\\~0000000"},
        {"C:\\midi\\song[trans].mid", 36 + 35, "C:\\midi\\~000001z"},
        {"C:\\midi\\ab", 5, "C:\\midi\\~5"},
        {"C:\\midi\\a", 11, "C:\\midi\\b"},  // a one-character name is a digit alone
        {"C:\\midi\\b", 11, nullptr},        // never the target's own name
        {"C:\\midi\\~B", 11, nullptr},
        {"song.mid", 1, "~0000001"},
        {"C:song.mid", 1, "C:~0000001"},
        {"\\a.mid", 2, "\\~0002"},
        {"C:\\midi\\", 0, nullptr},  // no name to stand beside
    };
    for (const SiblingCase& c : cases) {
        SCOPED_TRACE(c.target);
        char name[kPathCapacity] = {};
        const bool made = SiblingName(name, sizeof name, c.target, FolderPrefixLength(c.target), c.number);
        ASSERT_EQ(made, c.expected != nullptr);
        if (made) {
            EXPECT_STREQ(name, c.expected);
            EXPECT_LE(std::strlen(name), std::strlen(c.target));
        }
    }
}

TEST(SiblingName, FitsWhereTheTargetFits) {
    // A target one byte short of the path limit, in a folder with no room for more than its name.
    const std::string target = std::string(kPathCapacity - 1 - 6, 'd') + "\\a.mid";
    char name[kPathCapacity];
    ASSERT_TRUE(SiblingName(name, sizeof name, target.c_str(), FolderPrefixLength(target.c_str()), 7));
    EXPECT_EQ(std::string(name), target.substr(0, target.size() - 5) + "~0007");
}

}  // namespace
