#include "song/song_paths.h"

#include "ui/text_utils.h"

#include <cstring>

namespace {

// Every piece of the target fits a path buffer on its own, since each is cut from one.
bool FitsPath(std::size_t length) { return length < kPathCapacity; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool TransSongPath(char* target, const char* songPath) {
    target[0] = '\0';
    if (!FitsPath(TextLength(songPath))) return false;
    // The target goes where the song is: its folder part, separator and all, comes first.
    const std::size_t folderLength = FolderPrefixLength(songPath);
    const char* name = songPath + folderLength;
    char title[kPathCapacity];
    char extension[kPathCapacity];
    CopyText(title, name);
    if (char* dot = std::strrchr(title, '.')) *dot = '\0';
    ExtensionPart(extension, name);

    static constexpr char kMarker[] = "[trans]";
    const std::size_t length = folderLength + TextLength(title) + TextLength(kMarker) + 1 + TextLength(extension);
    if (!FitsPath(length)) return false;

    std::memcpy(target, songPath, folderLength);
    target[folderLength] = '\0';
    AppendText(target, title);
    AppendText(target, kMarker);
    EnsureTrailingDot(target);
    AppendText(target, extension);
    return true;
}

bool FirstCommandLineArgument(char* path, const char* commandLine) {
    path[0] = '\0';
    if (!commandLine) return false;
    const char* start = commandLine;
    while (IsBlank(*start)) ++start;
    const char* end = start;
    if (*start == '"') {
        ++start;
        end = std::strchr(start, '"');
        if (!end) end = start + TextLength(start);  // an unclosed quote runs to the end
    } else {
        while (*end != '\0' && !IsBlank(*end)) ++end;
    }
    const std::size_t length = static_cast<std::size_t>(end - start);
    if (length == 0 || !FitsPath(length)) return false;
    std::memcpy(path, start, length);
    path[length] = '\0';
    return true;
}
