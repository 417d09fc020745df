#include "test_support.h"
#include "tests/common/song_builder.h"
#include "ui/file_handle.h"
#include "ui/window_ref.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The first eight bytes of a song: its signature and the header length.
const std::string kSongStart = AsText(ChunkWithLength("MThd", 6, {}));

TEST(FileHandle, WriteTruncateReplacesALongerFile) {
    ScratchFolder folder;
    const std::string path = folder.File("a.bin");
    WriteFileBytes(path, std::string(1000, 'x'));
    FileHandle file;
    ASSERT_NE(file.OpenForWriting(path.c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.Write("new", 3), 3);
    EXPECT_TRUE(file.Truncate());
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadWholeFile(path), "new");
}

TEST(FileHandle, OpenExistingRefusesReadOnlyHeldAndMissingFiles) {
    ScratchFolder folder;
    const std::string readOnly = folder.File("ro.mid");
    WriteFileBytes(readOnly, "MThd");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    FileHandle file;
    EXPECT_EQ(file.OpenExisting(readOnly.c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.OpenExisting(folder.File("missing.mid").c_str()), INVALID_HANDLE_VALUE);

    const std::string held = folder.File("held.mid");
    WriteFileBytes(held, "MThd");
    FileHandle holder;
    ASSERT_NE(holder.OpenExisting(held.c_str()), INVALID_HANDLE_VALUE);
    FileHandle second;
    EXPECT_EQ(second.OpenExisting(held.c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(second.OpenForWriting(held.c_str()), INVALID_HANDLE_VALUE);
}

TEST(FileHandle, ReadAtTheEndAndOnAFailedHandle) {
    ScratchFolder folder;
    const std::string path = folder.File("b.bin");
    WriteFileBytes(path, "abc");
    FileHandle file;
    ASSERT_NE(file.OpenExisting(path.c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.Size(), 3u);
    char buffer[8];
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 3);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
    FileHandle failed;
    failed.OpenExisting(folder.File("none").c_str());
    EXPECT_EQ(failed.Read(buffer, 1), -1);
    EXPECT_EQ(failed.Write("x", 1), -1);
    EXPECT_EQ(FileHandle::Exists(path.c_str()), 1);
    EXPECT_EQ(FileHandle::Exists(folder.File("none").c_str()), 0);
}

// The names in `folder`, sorted.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::string(entry.cFileName) != "." && std::string(entry.cFileName) != "..")
            names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

struct WholeFileCase {
    const char* name;
    const char* before;  // null: no file there
    DWORD attributes;
    bool holdOpen;
    bool expectWritten;
};

TEST(WriteWholeFile, NeverDamagesWhatIsThere) {
    const WholeFileCase cases[] = {
        {"new", nullptr, FILE_ATTRIBUTE_NORMAL, false, true},
        {"longer old file", "0123456789012345678901234567890123456789", FILE_ATTRIBUTE_NORMAL, false, true},
        {"hidden old file keeps its attribute", "old", FILE_ATTRIBUTE_HIDDEN, false, true},
        {"read-only target", "keep me", FILE_ATTRIBUTE_READONLY, false, false},
        {"target in use", "keep me too", FILE_ATTRIBUTE_NORMAL, true, false},
    };
    for (const WholeFileCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::string path = folder.File("song[trans].mid");
        if (c.before) {
            WriteFileBytes(path, c.before);
            SetFileAttributesA(path.c_str(), c.attributes);
        }
        FileHandle holder;
        if (c.holdOpen) holder.OpenExisting(path.c_str());
        const std::string_view pieces[] = {std::string_view(kSongStart).substr(0, 4),
                                           std::string_view(kSongStart).substr(4)};
        const WriteOutcome expected = c.expectWritten ? WriteOutcome::Written : WriteOutcome::Failed;
        EXPECT_EQ(WriteWholeFile(path.c_str(), pieces), expected);
        holder.Close();
        const DWORD attributes = GetFileAttributesA(path.c_str());
        const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
        if (c.before) {
            EXPECT_EQ(attributes & kept, c.attributes & kept);
        }
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        const std::string bytes = c.expectWritten ? kSongStart : std::string(c.before);
        EXPECT_EQ(ReadWholeFile(path), bytes);
        // No temporary file is left behind.
        EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"song[trans].mid"});
    }
}

TEST(WriteWholeFile, AnExistingFileIsKeptWithoutReplace) {
    ScratchFolder folder;
    const std::string path = folder.File("out.mid");
    WriteFileBytes(path, "old");
    const std::string_view pieces[] = {"new"};
    EXPECT_EQ(WriteWholeFile(path.c_str(), pieces, false), WriteOutcome::AlreadyExists);
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"out.mid"});
}

// A save works wherever the target's own path fits: the temporary file needs no more room. The
// system's temporary-name call needs 14 bytes beyond the folder: Windows refuses it from 247 bytes
// on, and Wine then cuts the name it gives back, leaving its own file behind.
TEST(WriteWholeFile, WritesIntoAFolderNearThePathLimit) {
    ScratchFolder folder;
    std::vector<std::string> folders;
    std::string deep = folder.Path();
    while (deep.size() < 249) {
        const std::size_t remaining = 249 - deep.size();  // a separator and a name
        const std::size_t name = remaining > 41 ? std::min<std::size_t>(40, remaining - 3) : remaining - 1;
        deep += "\\" + std::string(name, 'd');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep.size();
        folders.push_back(deep);
    }
    ASSERT_EQ(deep.size(), 249u);
    for (const char* name : {"a.mid", "b"}) {
        SCOPED_TRACE(name);
        const std::string path = deep + "\\" + name;
        ASSERT_LT(path.size(), static_cast<std::size_t>(MAX_PATH));
        const std::string_view pieces[] = {"MThd"};
        EXPECT_EQ(WriteWholeFile(path.c_str(), pieces), WriteOutcome::Written);
        EXPECT_EQ(WriteWholeFile(path.c_str(), pieces), WriteOutcome::Written);  // over the first
        EXPECT_EQ(ReadWholeFile(path), "MThd");
        EXPECT_EQ(FilesIn(deep), std::vector<std::string>{name});
        DeleteFileA(path.c_str());
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) RemoveDirectoryA(it->c_str());
}

TEST(WriteWholeFile, RefusesPathsLongerThanThePlatformLimit) {
    ScratchFolder folder;
    const std::string path = folder.File(std::string(300, 'n') + ".mid");
    const std::string_view pieces[] = {"x"};
    EXPECT_EQ(WriteWholeFile(path.c_str(), pieces), WriteOutcome::Failed);
}

TEST(MenuRef, CheckAndIsChecked) {
    HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_STRING, 7, "item");
    HWND window =
        CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, menu, nullptr, nullptr);
    MenuRef ref(window);
    EXPECT_EQ(ref.IsChecked(7), 0);
    ref.Check(7, 1);
    EXPECT_EQ(ref.IsChecked(7), 1);
    ref.Check(7, 0);
    EXPECT_EQ(ref.IsChecked(7), 0);
    EXPECT_EQ(ref.IsChecked(99), 0);
    DestroyWindow(window);
}

}  // namespace
