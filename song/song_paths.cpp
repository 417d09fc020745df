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
    char name[kPathCapacity];
    char title[kPathCapacity];
    char extension[kPathCapacity];
    FileNamePart(name, songPath);
    FileTitlePart(title, songPath);
    ExtensionPart(extension, name);

    char folder[kPathCapacity];
    if (TextLength(name) == TextLength(songPath)) {
        folder[0] = '\0';  // a bare file name: the target goes beside it, in the current folder
    } else {
        DirectoryPart(folder, songPath);
        EnsureTrailingSeparator(folder);
        if (folder[0] == '\0') CopyText(folder, "\\");  // "\song.mid": the drive's root
    }
    static constexpr char kMarker[] = "[trans]";
    const std::size_t length = TextLength(folder) + TextLength(title) + TextLength(kMarker) + 1 + TextLength(extension);
    if (!FitsPath(length)) return false;

    CopyText(target, folder);
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
