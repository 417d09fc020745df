// kadenzo-convert --info: the summary of each song, as a readable table or as JSON. Nothing is
// written.
#pragma once
#include <string>
#include <string_view>

struct SongInfo {
    bool failed = false;  // the file could not be read, or is not a Standard MIDI File
    std::string table;    // UTF-8, lines ending in "\n"
    std::string json;     // one JSON object
};

// Reads and summarises the song at `path`.
SongInfo DescribeSong(const std::string& path);

// A stored text (a chunk name) as UTF-8: as it is when it is well-formed UTF-8, otherwise read as
// code page 932; a byte that is neither becomes U+FFFD.
std::string StoredTextAsUtf8(std::string_view bytes);

// `utf8` as a JSON string, quotes included.
std::string JsonString(std::string_view utf8);
