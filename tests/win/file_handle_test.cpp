#include "test_support.h"
#include "ui/file_handle.h"
#include "ui/window_ref.h"

#include <gtest/gtest.h>

namespace {

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

struct WholeFileCase {
    const char* name;
    const char* before;       // null: no file there
    DWORD attributes;
    bool holdOpen;
    bool expectWritten;
};

TEST(WriteWholeFile, NeverDamagesWhatIsThere) {
    const WholeFileCase cases[] = {
        {"new", nullptr, FILE_ATTRIBUTE_NORMAL, false, true},
        {"longer old file", "0123456789012345678901234567890123456789", FILE_ATTRIBUTE_NORMAL, false, true},
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
        const std::string_view pieces[] = {"MThd", std::string_view("\0\0\0\x06", 4)};
        EXPECT_EQ(WriteWholeFile(path.c_str(), pieces), c.expectWritten);
        holder.Close();
        const std::string expected = c.expectWritten ? std::string("MThd\0\0\0\x06", 8) : std::string(c.before);
        EXPECT_EQ(ReadWholeFile(path), expected);
        // No temporary file is left behind.
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA(folder.File("*.tmp").c_str(), &entry);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE);
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
    }
}

TEST(WriteWholeFile, RefusesPathsLongerThanThePlatformLimit) {
    ScratchFolder folder;
    const std::string path = folder.File(std::string(300, 'n') + ".mid");
    const std::string_view pieces[] = {"x"};
    EXPECT_FALSE(WriteWholeFile(path.c_str(), pieces));
}

TEST(MenuRef, CheckAndIsChecked) {
    HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_STRING, 7, "item");
    HWND window = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, menu, nullptr, nullptr);
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
