#include "cli/options.h"

#include <charconv>
#include <functional>

namespace {

bool ParseNumber(const std::string& text, long min, long max, long& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    return first != last && error == std::errc{} && end == last && value >= min && value <= max;
}

bool ParseTrack(const std::string& text, int& track) {
    long value = 0;
    if (text.empty() || text[0] == '+' || !ParseNumber(text, 1, kTrackCount, value)) return false;
    track = static_cast<int>(value);
    return true;
}

bool ParseTrackRange(const std::string& item, std::uint32_t& mask) {
    const std::size_t dash = item.find('-');
    int first = 0;
    int last = 0;
    if (dash == std::string::npos) {
        if (!ParseTrack(item, first)) return false;
        last = first;
    } else if (!ParseTrack(item.substr(0, dash), first) || !ParseTrack(item.substr(dash + 1), last) || first > last) {
        return false;
    }
    for (int track = first; track <= last; ++track) mask |= 1u << (track - 1);
    return true;
}

std::string Refusal(const std::string& option, const std::string& what, const std::string& value) {
    return option + ": " + what + ": '" + value + "'";
}

// "LIST=VALUE" of --volume, --velocity and --instrument: calls `apply` for every listed track.
std::string ApplyPerTrack(const std::string& option, const std::string& argument, long max,
                          const std::function<void(int, long)>& apply) {
    const std::size_t equals = argument.rfind('=');
    std::uint32_t mask = 0;
    long value = 0;
    if (equals == std::string::npos || !ParseTrackList(argument.substr(0, equals), mask))
        return Refusal(option, "expected LIST=VALUE with tracks 1..16", argument);
    if (!ParseNumber(argument.substr(equals + 1), 0, max, value))
        return Refusal(option, "value must be 0.." + std::to_string(max), argument);
    for (int channel = 0; channel < kTrackCount; ++channel) {
        if (mask & (1u << channel)) apply(channel, value);
    }
    return "";
}

}  // namespace

bool ParseTrackList(const std::string& text, std::uint32_t& mask) {
    mask = 0;
    if (text == "none") return true;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        if (!ParseTrackRange(text.substr(start, comma - start), mask)) return false;
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

std::string ParseOptions(const std::vector<std::string>& arguments, CliOptions& options) {
    ConversionSettings& settings = options.settings;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (optionsEnded || option.empty() || option[0] != '-' || option == "-") {
            options.inputs.push_back(option);
            continue;
        }
        if (option == "--") {
            optionsEnded = true;
            continue;
        }
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option == "--version") {
            options.version = true;
            continue;
        }
        if (option == "--continue") {
            settings.warnOutOfRange = 0;
            continue;
        }
        if (option == "--force") {
            options.force = true;
            continue;
        }
        if (option == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (option == "--info") {
            options.info = true;
            continue;
        }
        if (option == "--json") {
            options.json = true;
            continue;
        }

        const bool takesValue = option == "--shift" || option == "--tracks" || option == "--volume" ||
                                option == "--velocity" || option == "--instrument" || option == "--tempo" ||
                                option == "--mute" || option == "--jobs" || option == "-o";
        if (!takesValue) return option + ": unknown option (see --help)";
        if (i + 1 == arguments.size()) return option + ": a value is missing";
        const std::string& value = arguments[++i];
        long number = 0;
        std::string refusal;
        if (option == "--shift") {
            if (!ParseNumber(value, -999, 9999, number)) return Refusal(option, "must be -999..9999", value);
            settings.toneShift = static_cast<std::int16_t>(number);
        } else if (option == "--tempo") {
            if (!ParseNumber(value, 1, 250, number)) return Refusal(option, "must be 1..250", value);
            settings.tempoPercent = static_cast<std::uint16_t>(number);
        } else if (option == "--jobs") {
            if (!ParseNumber(value, 1, 256, number)) return Refusal(option, "must be 1..256", value);
            options.jobs = static_cast<unsigned>(number);
        } else if (option == "--tracks") {
            if (!ParseTrackList(value, settings.toneTrackMask))
                return Refusal(option, "expected tracks 1..16 like 1-9,11,16 or none", value);
        } else if (option == "--mute") {
            if (!ParseTrackList(value, settings.muteTrackMask))
                return Refusal(option, "expected tracks 1..16 like 1-9,11,16 or none", value);
        } else if (option == "--volume") {
            refusal = ApplyPerTrack(option, value, 200, [&](int channel, long percent) {
                settings.absoluteVolume[channel] = 0;
                settings.volume[channel] = static_cast<std::uint8_t>(percent);
            });
        } else if (option == "--velocity") {
            refusal = ApplyPerTrack(option, value, 127, [&](int channel, long velocity) {
                settings.absoluteVolume[channel] = 1;
                settings.volume[channel] = static_cast<std::uint8_t>(velocity);
            });
        } else if (option == "--instrument") {
            refusal = ApplyPerTrack(option, value, 128, [&](int channel, long program) {
                settings.instrument[channel] = static_cast<std::uint8_t>(program);
            });
        } else {
            if (value.empty()) return Refusal(option, "needs a path", value);
            options.outputPath = value;
        }
        if (!refusal.empty()) return refusal;
    }
    if (options.help || options.version) return "";
    if (options.inputs.empty()) return "no input file (see --help)";
    if (options.json && !options.info) return "--json: only with --info";
    if (options.info && (!options.outputPath.empty() || options.force))
        return "--info writes nothing: no -o or --force";
    if (!options.outputPath.empty() && options.inputs.size() != 1) return "-o: only with a single input file";
    return "";
}

const char* const kUsageText =
    "Usage: kadenzo-convert [options] FILE...\n"
    "       kadenzo-convert --info [--json] FILE...\n"
    "Converts Standard MIDI Files as Kadenzo does. Each result is written beside its input as\n"
    "NAME[trans].EXT, or to the path given with -o.\n"
    "\n"
    "With --info nothing is converted or written: each song's summary is printed instead, in\n"
    "input order. A line for the song (format, track chunks, division, length in seconds), a line\n"
    "per track that holds a channel message (its notes, their lowest and highest key as note names\n"
    "with numbers, middle C being C4 (60), its programs with their General MIDI names, the names of\n"
    "the track chunks that carry it, drums for track 10), then the shift range: the key shifts that\n"
    "convert with no note leaving 0..127. A damaged song is summarised as far as it reads, with\n"
    "where the reading stopped and why. With --json the summaries are one JSON array, an object a\n"
    "file: \"file\", \"format\", \"trackChunks\", \"division\", \"seconds\", \"tracks\" (\"track\",\n"
    "\"notes\", \"lowest\", \"highest\", \"programs\", \"names\", \"drums\"), \"shift\" ({\"lowest\",\n"
    "\"highest\"} or null) and, for a damaged song, \"stopped\"; {\"file\", \"error\"} for a file that\n"
    "cannot be read or is not a Standard MIDI File.\n"
    "\n"
    "  --shift N             semitones added to the notes of the shifted tracks (-999..9999)\n"
    "  --tracks LIST         tracks that receive the shift (default 1-9,11-16)\n"
    "  --continue            let notes that leave 0..127 through, counted (default: stop)\n"
    "  --volume LIST=PCT     relative volume of the tracks' notes in percent (0..200)\n"
    "  --velocity LIST=V     absolute velocity of the tracks' note ons (0..127)\n"
    "  --instrument LIST=P   program number for the tracks' program changes (0..127, 128 unchanged)\n"
    "  --tempo PCT           tempo in percent (1..250)\n"
    "  --mute LIST           tracks whose notes are silenced\n"
    "  -o PATH               output path (one input only)\n"
    "  --force               replace an existing output\n"
    "  --quiet               print failures only\n"
    "  --jobs N              files converted at once (default: one per core)\n"
    "  --info                print each song's summary instead of converting\n"
    "  --json                with --info: the summaries as JSON\n"
    "  --help, --version\n"
    "\n"
    "A LIST is tracks 1..16 like 1-9,11,16, or none. Options may repeat; for a track the later wins.\n"
    "Exit status: 0 every file converted (summarised), 1 usage error, 2 some file failed.\n";
