#include "cli/song_info.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/cli_texts.h"
#include "cli/convert_file.h"
#include "cli/general_midi.h"
#include "cli/platform.h"
#include "song/song_summary.h"
#include "ui/text_utils.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

const char* DamageText(SongDamage damage) {
    switch (damage) {
        case SongDamage::SecondHeader: return "a second song header where an event may begin";
        case SongDamage::ChunkCutOff: return "a chunk cut off by the end of the file";
        case SongDamage::ExclusiveWithoutEnd: return "a system exclusive without its closing F7";
        case SongDamage::QuantityTooLong: return "a delta time or length of more than three bytes";
        case SongDamage::EventCutOff: return "an event cut off by the end of the file";
        case SongDamage::SystemMessage: return "a system message (status F1 to FE) in a track";
        case SongDamage::DataWithoutStatus: return "a data byte with no running status";
        case SongDamage::NotAChunk: return "bytes where a chunk should begin";
        case SongDamage::None:
        case SongDamage::Refused: break;
    }
    return "";
}

std::string Number(double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Key(int key) { return NoteName(key) + " (" + std::to_string(key) + ")"; }

std::string Keys(const TrackSummary& track) {
    return track.notes == 0 ? "-" : Key(track.lowest) + " - " + Key(track.highest);
}

std::string Programs(const TrackSummary& track) {
    std::string text;
    for (const std::uint8_t program : track.programs) {
        if (!text.empty()) text += ", ";
        text += std::to_string(program) + " " + (track.drums ? "(drum kit)" : GeneralMidiName(program));
    }
    return text.empty() ? "-" : text;
}

std::string Names(const TrackSummary& track) {
    std::string text;
    for (const std::string& name : track.names) text += (text.empty() ? "" : ", ") + StoredTextAsUtf8(name);
    return text.empty() ? "-" : text;
}

// Columns a text takes on a terminal: two for the wide characters of East Asian scripts.
std::size_t DisplayWidth(std::string_view utf8) {
    static constexpr char32_t kWide[][2] = {{0x1100, 0x115F}, {0x2E80, 0xA4CF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
                                            {0xFE30, 0xFE4F}, {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6}, {0x20000, 0x3FFFD}};
    std::size_t width = 0;
    while (!utf8.empty()) {
        const std::size_t length = std::max<std::size_t>(Utf8CharLength(utf8), 1);
        char32_t code =
            length == 1 ? static_cast<unsigned char>(utf8[0]) : static_cast<unsigned char>(utf8[0]) & (0x7F >> length);
        for (std::size_t i = 1; i < length; ++i) code = code << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        const bool wide = std::any_of(std::begin(kWide), std::end(kWide),
                                      [&](const char32_t* range) { return code >= range[0] && code <= range[1]; });
        width += wide ? 2 : 1;
        utf8.remove_prefix(length);
    }
    return width;
}

// `text` filled out with blanks to `width` columns, on the right or, for numbers, on the left.
std::string Padded(const std::string& text, std::size_t width, bool number) {
    const std::string blanks(width - std::min(width, DisplayWidth(text)), ' ');
    return number ? blanks + text : text + blanks;
}

std::string ShiftText(const SongSummary& summary) {
    if (!summary.shift) return "any (no note)";
    const auto [lowest, highest] = *summary.shift;
    if (lowest > highest) return "none (a key lies outside 0..127)";
    return std::to_string(lowest) + " .. " + (highest > 0 ? "+" : "") + std::to_string(highest) + " semitones";
}

constexpr std::size_t kNotesColumn = 1;

std::string Table(const std::string& file, const SongSummary& summary) {
    std::string table = file + ": format " + std::to_string(summary.format) + ", " +
                        std::to_string(summary.trackChunks) +
                        (summary.trackChunks == 1 ? " track chunk" : " track chunks") + ", division " +
                        std::to_string(summary.division) + ", " + Number(summary.seconds, "%.1f") + " s\n";
    std::vector<std::vector<std::string>> rows = {{"track", "notes", "keys", "programs", "names"}};
    for (const TrackSummary& track : summary.tracks) {
        rows.push_back({std::to_string(track.track) + (track.drums ? " (drums)" : ""), std::to_string(track.notes),
                        Keys(track), Programs(track), Names(track)});
    }
    std::vector<std::size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], DisplayWidth(row[column]));
    }
    if (summary.tracks.empty()) rows.clear();
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t column = 0; column < row.size(); ++column) {
            const bool last = column + 1 == row.size();
            line += " " + (last ? row[column] : Padded(row[column], widths[column], column == kNotesColumn) + " ");
        }
        table += line + "\n";
    }
    table += "  shift: " + ShiftText(summary) + "\n";
    if (summary.damage != SongDamage::None) {
        table += "  reading stopped at byte " + std::to_string(summary.stoppedAt) + " (track chunk " +
                 std::to_string(summary.stoppedInChunk) + "): " + DamageText(summary.damage) + "\n";
    }
    return table;
}

template <typename Item, typename Write>
std::string JsonList(const std::vector<Item>& items, Write write) {
    std::string list = "[";
    for (std::size_t i = 0; i < items.size(); ++i) list += (i == 0 ? "" : ", ") + write(items[i]);
    return list + "]";
}

std::string TrackJson(const TrackSummary& track) {
    const auto key = [&](std::uint8_t value) { return track.notes == 0 ? std::string("null") : std::to_string(value); };
    return "{\"track\": " + std::to_string(track.track) + ", \"notes\": " + std::to_string(track.notes) +
           ", \"lowest\": " + key(track.lowest) + ", \"highest\": " + key(track.highest) +
           ", \"programs\": " + JsonList(track.programs, [](std::uint8_t p) { return std::to_string(p); }) +
           ", \"names\": " +
           JsonList(track.names, [](const std::string& name) { return JsonString(StoredTextAsUtf8(name)); }) +
           ", \"drums\": " + (track.drums ? "true" : "false") + "}";
}

std::string Json(const std::string& file, const SongSummary& summary) {
    std::string json = "{\"file\": " + JsonString(file) + ", \"format\": " + std::to_string(summary.format) +
                       ", \"trackChunks\": " + std::to_string(summary.trackChunks) +
                       ", \"division\": " + std::to_string(summary.division) +
                       ", \"seconds\": " + Number(summary.seconds, "%.3f") +
                       ", \"tracks\": " + JsonList(summary.tracks, TrackJson) + ", \"shift\": ";
    if (summary.shift) {
        json += "{\"lowest\": " + std::to_string(summary.shift->lowest) +
                ", \"highest\": " + std::to_string(summary.shift->highest) + "}";
    } else {
        json += "null";
    }
    if (summary.damage != SongDamage::None) {
        json += ", \"stopped\": {\"at\": " + std::to_string(summary.stoppedAt) +
                ", \"trackChunk\": " + std::to_string(summary.stoppedInChunk) +
                ", \"reason\": " + JsonString(DamageText(summary.damage)) + "}";
    }
    return json + "}";
}

// Well-formed UTF-8 kept, every other byte replaced.
std::string ValidUtf8(std::string_view bytes) {
    std::string text;
    while (!bytes.empty()) {
        const std::size_t length = Utf8CharLength(bytes);
        text += length == 0 ? std::string_view(kReplacement) : bytes.substr(0, length);
        bytes.remove_prefix(std::max<std::size_t>(length, 1));
    }
    return text;
}

}  // namespace

SongInfo DescribeSong(const std::string& path) {
    SongInfo info;
    const std::string file = ValidUtf8(PathForPrinting(path));
    std::vector<std::uint8_t> song;
    if (const char8_t* failure = ReadSongFile(path, song)) {
        info.failed = true;
        info.table = file + ": " + Utf8(failure) + "\n";
        info.json = "{\"file\": " + JsonString(file) + ", \"error\": " + JsonString(Utf8(failure)) + "}";
        return info;
    }
    const SongSummary summary = SummarizeSong(song);
    info.table = Table(file, summary);
    info.json = Json(file, summary);
    return info;
}

std::string StoredTextAsUtf8(std::string_view bytes) {
    if (IsUtf8(bytes)) return std::string(bytes);
    std::string text;
    while (!bytes.empty()) {
        const auto first = static_cast<unsigned char>(bytes[0]);
        const std::size_t length = IsLeadByte932(first) && bytes.size() >= 2 ? 2 : 1;
        const std::string character =
            first < 0x80 ? std::string(1, bytes[0]) : Cp932CharToUtf8(bytes.substr(0, length));
        // A byte that starts no character is replaced alone; what follows it is read afresh.
        text += character.empty() ? kReplacement : character;
        bytes.remove_prefix(character.empty() ? 1 : length);
    }
    return text;
}

std::string JsonString(std::string_view utf8) {
    std::string json = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}
