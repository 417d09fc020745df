// The convert command's window side: the walk of the loaded song under a wait cursor, its
// reports as log lines, and its failures as a message box followed by a log line.
#include "log/app_globals.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "song/convert.h"
#include "song/song_commands.h"
#include "song/song_state.h"
#include "ui/messages.h"
#include "ui/window_ref.h"

#include <cstdio>
#include <new>

namespace {

// Room beyond the song's length; the walk never grows the output.
constexpr std::uint32_t kConversionSlack = 256;

// The walk's reports as the log window's lines.
class LoggedReports : public ConversionReports {
public:
    void DivisionRefused() override { LogText(IDS_DIVISION_OVERFLOW); }
    void NoteOutOfRangeLetThrough() override { LogText(IDS_CONVERSION_OUT_OF_RANGE); }
    void Finished(std::int16_t toneShift, std::uint32_t outOfRangeCount) override {
        char line[256];
        if (outOfRangeCount == 0) {
            std::snprintf(line, sizeof line, LoadText(appInstance, IDS_CONVERSION_DONE), int{toneShift});
        } else {
            std::snprintf(line, sizeof line, LoadText(appInstance, IDS_CONVERSION_FORCED), int{toneShift},
                          unsigned{outOfRangeCount});
        }
        Log(line);
    }
    void InstrumentNotFound(int track) override {
        char line[256];
        std::snprintf(line, sizeof line, LoadText(appInstance, IDS_NO_PROGRAM_CHANGE), track);
        Log(line);
    }
    void KeySignatureShifted(int sf, int result, int sum) override { DebugTrace("%d, %d, %d", sf, result, sum); }
};

struct FailureTexts {
    UINT message;
    UINT logLine;
};

FailureTexts TextsOf(ConversionResult result) {
    switch (result) {
        case ConversionResult::BadFormat: return {IDS_BAD_FILE_FORMAT, IDS_CONVERSION_BAD_FORMAT};
        case ConversionResult::Unsupported: return {IDS_UNSUPPORTED_SONG, IDS_CONVERSION_UNKNOWN_FORMAT};
        case ConversionResult::OutOfRange: return {IDS_OUT_OF_RANGE, IDS_CONVERSION_OUT_OF_RANGE};
        case ConversionResult::Converted: break;
    }
    return {0, 0};
}

// The box first; its log line only once the user has closed it.
void ReportFailure(UINT message, UINT logLine) {
    ShowSongMessage(message);
    LogText(logLine);
}

bool AllocateConvertedSong() {
    const std::uint32_t capacity = songBuffer.length + kConversionSlack;
    convertedSong.bytes.reset(new (std::nothrow) std::uint8_t[capacity]());
    if (!convertedSong.bytes) return false;
    convertedSong.length = capacity;
    return true;
}

}  // namespace

int ConvertSong() {
    WaitCursor wait;
    wait.Set(IDC_WAIT);
    if (!AllocateConvertedSong()) {
        ReportFailure(IDS_OUT_OF_MEMORY, IDS_CONVERSION_NO_MEMORY);
        return 1;  // stopped, as after a failed walk
    }
    LogText(IDS_CONVERSION_STARTED);
    LoggedReports reports;
    const WalkOutcome outcome = ConvertSongBytes({songBuffer.bytes.get(), songBuffer.length}, conversionSettings,
                                                 {convertedSong.bytes.get(), convertedSong.length}, reports);
    if (outcome.result == ConversionResult::Converted) {
        convertedSong.length = static_cast<std::uint32_t>(outcome.length);
        return static_cast<int>(outcome.result);
    }
    const FailureTexts texts = TextsOf(outcome.result);
    ReportFailure(texts.message, texts.logLine);
    ReleaseConvertedSong();
    return static_cast<int>(outcome.result);
}
