// The command line of kadenzo-convert.
#pragma once
#include <string>
#include <vector>

#include "settings/conversion_settings.h"

struct CliOptions {
    ConversionSettings settings;
    std::vector<std::string> inputs;
    std::string outputPath;  // -o, for a single input
    bool force = false;
    bool quiet = false;
    bool info = false;  // --info: print each song's summary instead of converting
    bool json = false;  // --json: the summaries as one JSON array
    bool help = false;
    bool version = false;
    unsigned jobs = 0;  // 0: one per core
};

// Fills `options` from the arguments; returns the message that refuses them, or "" when they
// are sound. Nothing is read or written here.
std::string ParseOptions(const std::vector<std::string>& arguments, CliOptions& options);

// A list of tracks 1..16 such as "1-9,11,16", or "none", as a track bit mask; false when malformed.
bool ParseTrackList(const std::string& text, std::uint32_t& mask);

extern const char* const kUsageText;
