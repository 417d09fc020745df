// The whole-file writer that the program and kadenzo-convert share: the new content goes into a
// temporary file beside the target, which then takes the target's place in one step. Portable
// face; ui/whole_file_windows.cpp and ui/whole_file_posix.cpp do the work.
#pragma once
#include <cstddef>
#include <span>
#include <string_view>

enum class WriteOutcome { Written, AlreadyExists, Failed };

// Writes `pieces` as the whole new content of `path`. An existing file is replaced only with
// `replace`, and keeps what was set on it (attributes, permissions, creation time where the
// system keeps them). On any failure an existing target is left exactly as it was and no
// temporary file is left behind.
WriteOutcome WriteWholeFile(const char* path, std::span<const std::string_view> pieces, bool replace = true);

// The length of the part of `path` that a file beside it shares (see FolderPrefixLength); on
// POSIX only "/" separates.
std::size_t FolderPartLength(const char* path);

// `out` (`capacity` bytes) <- candidate `number` for a temporary file beside `path`: the same
// folder part, and a name no longer than the target's own (at most 8 characters), so it never
// needs more room than the target. False when there is no name to stand beside, when it would
// not fit, or when the candidate is the target's own name.
bool SiblingName(char* out, std::size_t capacity, const char* path, std::size_t folderLength, unsigned number);
