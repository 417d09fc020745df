// One file through kadenzo-convert: load, header check, conversion, write; and the lines the
// log window would show for it.
#pragma once
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

// NAME[trans].EXT beside the input, as "save under the same name" makes it.
std::string TransOutputPath(const std::string& input);

FileReport ConvertFile(const std::string& input, const std::string& output, const CliOptions& options);
