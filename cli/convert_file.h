// One file through kadenzo-convert: load, header check, conversion, write; and the lines the
// log window would show for it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"

struct PrintedLine {
    std::string text;  // UTF-8
    bool failure;      // printed even with --quiet
};

struct FileReport {
    std::vector<PrintedLine> lines;
    bool converted = false;
};

// Reads the whole file as LoadSong does and checks its header: null, or the text that says why not.
const char8_t* ReadSongFile(const std::string& path, std::vector<std::uint8_t>& song);

// NAME[trans].EXT beside the input, as "save under the same name" makes it.
std::string TransOutputPath(const std::string& input);

FileReport ConvertFile(const std::string& input, const std::string& output, const CliOptions& options);
