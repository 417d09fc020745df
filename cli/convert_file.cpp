#include "cli/convert_file.h"

#include <cstdio>
#include <fstream>
#include <new>

#include "cli/cli_texts.h"
#include "cli/platform.h"
#include "song/convert.h"
#include "song/song_header.h"
#include "ui/whole_file.h"

namespace {

// A text with its %d (and %u) filled in, as the log window formats it.
std::string Formatted(const char8_t* format, int number, unsigned count = 0) {
    char line[256];
    std::snprintf(line, sizeof line, reinterpret_cast<const char*>(format), number, count);
    return line;
}

// Turns the walk's reports into the log window's lines, in the order they come.
class LoggedReports : public ConversionReports {
public:
    explicit LoggedReports(FileReport& report) : report_(report) {}

    void DivisionRefused() override { Log(Utf8(kDivisionRefusedText)); }
    void NoteOutOfRangeLetThrough() override { Log(Utf8(kOutOfRangeLogText)); }
    void Finished(std::int16_t toneShift, std::uint32_t outOfRangeCount) override {
        const std::string line = outOfRangeCount == 0 ? Formatted(kConvertedText, toneShift)
                                                      : Formatted(kConvertedOutOfRangeText, toneShift, outOfRangeCount);
        Log(line);
    }
    void InstrumentNotFound(int track) override { Log(Formatted(kInstrumentNotFoundText, track)); }

private:
    void Log(const std::string& text) { report_.lines.push_back({text, false}); }

    FileReport& report_;
};

void Fail(FileReport& report, const char8_t* text) { report.lines.push_back({Utf8(text), true}); }

void ReportStop(ConversionResult result, FileReport& report) {
    switch (result) {
        case ConversionResult::BadFormat:
            Fail(report, kBadFormatText);
            Fail(report, kBadFormatLogText);
            break;
        case ConversionResult::Unsupported:
            Fail(report, kUnsupportedText);
            Fail(report, kUnsupportedLogText);
            break;
        case ConversionResult::OutOfRange:
            Fail(report, kOutOfRangeText);
            Fail(report, kOutOfRangeLogText);
            break;
        case ConversionResult::Converted: break;
    }
}

}  // namespace

const char8_t* ReadSongFile(const std::string& path, std::vector<std::uint8_t>& song) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file || IsFolder(path)) return kCannotOpenText;
    const std::streamoff size = file.tellg();
    if (size < 0) return kCannotOpenText;
    try {
        song.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return kNoMemoryText;
    }
    file.seekg(0);
    if (size > 0 && !file.read(reinterpret_cast<char*>(song.data()), size)) return kCannotOpenText;
    if (CheckLoadedSong(song.data(), song.size()) != SongLoadOutcome::Loaded) return kInvalidFileText;
    return nullptr;
}

std::string TransOutputPath(const std::string& input) {
    const std::string name = NameOf(input);
    const std::size_t dot = name.rfind('.');
    const std::string title = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    return FolderOf(input) + title + "[trans]." + extension;
}

FileReport ConvertFile(const std::string& input, const std::string& output, const CliOptions& options) {
    FileReport report;
    std::vector<std::uint8_t> song;
    if (const char8_t* failure = ReadSongFile(input, song)) {
        Fail(report, failure);
        return report;
    }
    if (SameFile(input, output)) {
        report.lines.push_back({"the output would replace the input: " + PathForPrinting(output), true});
        return report;
    }
    if (!options.force && FileExists(output)) {
        report.lines.push_back({"output exists, not replaced without --force: " + PathForPrinting(output), true});
        return report;
    }
    report.lines.push_back({Utf8(kConversionStartedText), false});
    std::vector<std::uint8_t> converted;
    try {
        converted.resize(song.size());
    } catch (const std::bad_alloc&) {
        Fail(report, kNoMemoryLogText);
        return report;
    }
    LoggedReports reports(report);
    const WalkOutcome outcome = ConvertSongBytes(song, options.settings, converted, reports);
    if (outcome.result != ConversionResult::Converted) {
        ReportStop(outcome.result, report);
        return report;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(converted.data()), outcome.length);
    switch (WriteWholeFile(output.c_str(), {&bytes, 1}, options.force)) {
        case WriteOutcome::Written: report.converted = true; break;
        case WriteOutcome::AlreadyExists:
            report.lines.push_back({"output exists, not replaced without --force: " + PathForPrinting(output), true});
            break;
        case WriteOutcome::Failed:
            report.lines.push_back({Utf8(kCannotCreateText) + " " + PathForPrinting(output), true});
            break;
    }
    return report;
}
