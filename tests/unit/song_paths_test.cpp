#include "song/song_paths.h"

#include "ui/text_utils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// 表 is 0x95 0x5C in code page 932: its second byte looks like a backslash.
#define HYO "\x95\x5C"

struct NameCase {
    const char* song;
    const char* target;
};

TEST(TransSongPath, BesideTheSongWithTheMarker) {
    const NameCase cases[] = {
        {"C:\\midi\\song.mid", "C:\\midi\\song[trans].mid"},
        {"C:\\midi\\song", "C:\\midi\\song[trans]."},
        {"C:\\midi\\song.", "C:\\midi\\song[trans]."},
        {"C:\\midi\\a.b.mid", "C:\\midi\\a.b[trans].mid"},
        // A dot in a folder name is no extension of the song.
        {"C:\\x.dir\\song", "C:\\x.dir\\song[trans]."},
        {"C:\\x.dir\\song.smf", "C:\\x.dir\\song[trans].smf"},
        {"C:\\song.mid", "C:\\song[trans].mid"},
        {"\\song.mid", "\\song[trans].mid"},
        {"song.mid", "song[trans].mid"},
        {"C:/midi/song.rmi", "C:/midi/song[trans].rmi"},  // the song's own separator
        {"C:song.mid", "C:song[trans].mid"},              // the drive's current folder
        {"C:\\" HYO "\\a.mid", "C:\\" HYO "\\a[trans].mid"},
        {"C:\\dir\\" HYO, "C:\\dir\\" HYO "[trans]."},
        {"\\\\server\\share\\song.mid", "\\\\server\\share\\song[trans].mid"},
    };
    for (const NameCase& c : cases) {
        char target[kPathCapacity] = "garbage";
        EXPECT_TRUE(TransSongPath(target, c.song)) << c.song;
        EXPECT_STREQ(target, c.target) << c.song;
    }
}

// A song path of `length` characters: C:\ then a long folder name, then \s.mid.
std::string SongPathOfLength(std::size_t length) { return "C:\\" + std::string(length - 3 - 6, 'd') + "\\s.mid"; }

TEST(TransSongPath, RefusedWhenTheMarkerPassesThePathLimit) {
    struct LengthCase {
        std::size_t songLength;
        bool fits;
    } cases[] = {{252, true}, {253, false}, {259, false}};
    for (const LengthCase& c : cases) {
        const std::string song = SongPathOfLength(c.songLength);
        char target[kPathCapacity] = "garbage";
        EXPECT_EQ(TransSongPath(target, song.c_str()), c.fits) << c.songLength;
        EXPECT_EQ(TextLength(target), c.fits ? c.songLength + 7 : 0u) << c.songLength;
    }
    const std::string tooLong(400, 'a');
    char target[kPathCapacity] = "garbage";
    EXPECT_FALSE(TransSongPath(target, tooLong.c_str()));
    EXPECT_STREQ(target, "");
}

struct ArgumentCase {
    const char* commandLine;
    const char* path;  // null: no argument
};

TEST(FirstCommandLineArgument, QuotedOrUpToABlank) {
    const ArgumentCase cases[] = {
        {"C:\\a.mid", "C:\\a.mid"},
        {"\"C:\\my songs\\a.mid\"", "C:\\my songs\\a.mid"},
        {"  \"C:\\a b.mid\" \"C:\\c.mid\"", "C:\\a b.mid"},
        {"C:\\a.mid C:\\b.mid", "C:\\a.mid"},
        {"\tsong.mid", "song.mid"},
        {"\"C:\\unclosed quote.mid", "C:\\unclosed quote.mid"},
        {"C:\\" HYO "\\a.mid", "C:\\" HYO "\\a.mid"},
        {"", nullptr},
        {"   ", nullptr},
        {"\"\" C:\\a.mid", nullptr},
        {nullptr, nullptr},
    };
    for (const ArgumentCase& c : cases) {
        char path[kPathCapacity] = "garbage";
        const char* shown = c.commandLine ? c.commandLine : "(null)";
        EXPECT_EQ(FirstCommandLineArgument(path, c.commandLine), c.path != nullptr) << shown;
        EXPECT_STREQ(path, c.path ? c.path : "") << shown;
    }
}

TEST(FirstCommandLineArgument, LongerThanThePathLimitIsRefused) {
    const std::string fits = std::string(259, 'a');
    const std::string tooLong = "\"" + std::string(260, 'a') + "\"";
    char path[kPathCapacity];
    EXPECT_TRUE(FirstCommandLineArgument(path, fits.c_str()));
    EXPECT_EQ(path, fits);
    EXPECT_FALSE(FirstCommandLineArgument(path, tooLong.c_str()));
    EXPECT_STREQ(path, "");
}

}  // namespace
