// The open song at a glance, in the program: after the line that says it opened, the log gets a
// line per track that plays and the shift range (and, for a damaged song, where the reading
// stopped); the dialogs that list tracks get their hints.
#include "log/app_globals.h"
#include "res/resource.h"
#include "settings/instrument_list.h"
#include "settings/track_hints.h"
#include "song/song_commands.h"
#include "song/song_summary.h"
#include "ui/code_page.h"
#include "ui/messages.h"
#include "ui/text_utils.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// String-table text `id` with its fields filled in.
std::string Formatted(UINT id, ...) {
    const std::string format = LoadText(appInstance, id);
    va_list arguments;
    va_start(arguments, id);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format.c_str(), measuring);
    va_end(measuring);
    std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format.c_str(), arguments);
    va_end(arguments);
    text.resize(text.size() - 1);
    return text;
}

// A chunk name as the program shows text: UTF-8 turned into code page 932, code-page-932 text as
// it is; a byte that is no character of it becomes "?" and a control character a blank.
std::string DisplayName(const std::string& bytes) {
    if (IsUtf8(bytes)) {
        const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(size), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), size);
        return Narrow932(wide);
    }
    std::string text;
    for (std::size_t at = 0; at < bytes.size();) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const std::size_t length = IsLeadByte932(first) && at + 1 < bytes.size() ? 2 : 1;
        wchar_t ignored;
        const bool character = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data() + at,
                                                   static_cast<int>(length), &ignored, 1) == 1;
        if (!character) {
            text += '?';
            ++at;
            continue;
        }
        text += first < 0x20 ? std::string(" ") : bytes.substr(at, length);
        at += length;
    }
    return text;
}

// The track's instruments: names from the instrument-name file where it lists the program, the
// program's number otherwise.
std::string Instruments(const TrackSummary& track, const std::vector<std::string>& names) {
    if (track.drums) return LoadText(appInstance, IDS_GLANCE_DRUMS);
    if (track.programs.empty()) return LoadText(appInstance, IDS_GLANCE_NO_PROGRAM);
    std::string text;
    for (const std::uint8_t program : track.programs) {
        if (!text.empty()) text += "／";
        const bool named = program < names.size() && !names[program].empty();
        text += named ? names[program] : Formatted(IDS_GLANCE_PROGRAM, int{program});
    }
    return text;
}

std::string ShiftRangeText(const SongSummary& summary) {
    if (!summary.shift) return LoadText(appInstance, IDS_GLANCE_SHIFT_ANY);
    if (summary.shift->lowest > summary.shift->highest) return LoadText(appInstance, IDS_GLANCE_SHIFT_NONE);
    const auto signedNumber = [](int shift) { return (shift > 0 ? "+" : "") + std::to_string(shift); };
    return Formatted(IDS_GLANCE_SHIFT, signedNumber(summary.shift->lowest).c_str(),
                     signedNumber(summary.shift->highest).c_str());
}

UINT DamageText(SongDamage damage) {
    switch (damage) {
        case SongDamage::SecondHeader: return IDS_DAMAGE_SECOND_HEADER;
        case SongDamage::ChunkCutOff: return IDS_DAMAGE_CHUNK_CUT_OFF;
        case SongDamage::ExclusiveWithoutEnd: return IDS_DAMAGE_EXCLUSIVE;
        case SongDamage::QuantityTooLong: return IDS_DAMAGE_TOO_LONG;
        case SongDamage::EventCutOff: return IDS_DAMAGE_EVENT_CUT_OFF;
        case SongDamage::SystemMessage: return IDS_DAMAGE_SYSTEM_MESSAGE;
        case SongDamage::DataWithoutStatus: return IDS_DAMAGE_NO_STATUS;
        case SongDamage::NotAChunk:
        case SongDamage::Refused:
        case SongDamage::None: break;
    }
    return IDS_DAMAGE_NOT_A_CHUNK;
}

std::string TrackLine(const TrackSummary& track, const std::vector<std::string>& names) {
    return Formatted(IDS_GLANCE_TRACK, track.track, Instruments(track, names).c_str(), unsigned{track.notes},
                     NoteName(track.lowest).c_str(), NoteName(track.highest).c_str());
}

// Track k's tooltip: what it plays, or that the song does not use it.
std::string TrackHint(int number, const SongSummary& summary, const std::vector<std::string>& names) {
    const auto track = std::find_if(summary.tracks.begin(), summary.tracks.end(),
                                    [&](const TrackSummary& each) { return each.track == number; });
    if (track == summary.tracks.end()) return Formatted(IDS_HINT_TRACK_UNUSED, number);
    std::string hint = track->notes == 0 ? Formatted(IDS_HINT_TRACK_SILENT, number, Instruments(*track, names).c_str())
                                         : Formatted(IDS_HINT_TRACK, number, Instruments(*track, names).c_str(),
                                                     unsigned{track->notes}, NoteName(track->lowest).c_str(),
                                                     NoteName(track->highest).c_str());
    std::string chunkNames;
    for (const std::string& name : track->names) chunkNames += (chunkNames.empty() ? "" : "、") + DisplayName(name);
    if (!chunkNames.empty()) hint += Formatted(IDS_HINT_NAMES, chunkNames.c_str());
    return hint;
}

}  // namespace

void ShowSongGlance(std::span<const std::uint8_t> song) {
    const SongSummary summary = SummarizeSong(song);
    std::vector<std::string> names;
    ReadInstrumentNames(names);  // without the file every instrument goes by its number
    for (const TrackSummary& track : summary.tracks) {
        if (track.notes > 0) Log(TrackLine(track, names).c_str());
    }
    const std::string shift = ShiftRangeText(summary);
    Log(shift.c_str());
    if (summary.damage != SongDamage::None) {
        const std::string reason = LoadText(appInstance, DamageText(summary.damage));
        Log(Formatted(IDS_GLANCE_STOPPED, static_cast<unsigned>(summary.stoppedAt), reason.c_str()).c_str());
    }

    SongHints hints;
    for (int track = 1; track <= kTrackCount; ++track) {
        hints.trackTexts[track - 1] = TrackHint(track, summary, names);
        hints.silentTracks |= 1u << (track - 1);
    }
    for (const TrackSummary& track : summary.tracks) {
        if (track.notes > 0) hints.silentTracks &= ~(1u << (track.track - 1));
    }
    hints.shiftText = shift;
    SetSongHints(hints);
}
