// The song commands' tests: the program in-process with a scratch folder, hand-made and corpus
// songs on disk, drops built in memory, and a record of every message box as it appears.
#pragma once
#include "program_fixture.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "song/convert.h"
#include "song/song_commands.h"
#include "song/song_state.h"
#include "tests/common/song_builder.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// Hand-made songs, one event a line; the tests compare them with what the program holds as text.
namespace songs {

// Format 0, one track, 480 ticks: note on and off of C4 on channel 1.
const Bytes kSmallBytes = Smf(0, 480,
                              {
                                  Track({
                                      {0x00, 0x90, 0x3C, 0x64},  // note on C4, velocity 100
                                      {0x60, 0x80, 0x3C, 0x40},  // 96 ticks later, note off C4
                                      {0x00, 0xFF, 0x2F, 0x00},  // end of track
                                  }),
                              });
const Bytes kSmallTrack(kSmallBytes.begin() + 14, kSmallBytes.end());
const std::string kSmall = AsText(kSmallBytes);

// A header and nothing else: it loads, and converts to its 14 bytes.
const std::string kHeaderOnly = AsText(Header(1, 1, 0x60));

// Header check failures.
const std::string kFormat3 = AsText(Join({Header(3, 1, 480), kSmallTrack}));
const std::string kNoTracks = AsText(Join({Header(0, 0, 480), kSmallTrack}));
const std::string kHeaderLength7 =
    AsText(Join({Chunk("MThd", {0x00, 0x00, 0x00, 0x01, 0x01, 0xE0, 0x00}), kSmallTrack}));  // a seventh byte
const std::string kRiff = AsText(Riff(kSmallBytes));
const std::string kThirteenBytes = kSmall.substr(0, 13);

// Its first event comes without a status byte: the walk does not know the running status.
const std::string kNoStatus = AsText(Smf(0, 480,
                                         {
                                             Track({
                                                 {0x00, 0x3C, 0x64},        // data bytes without a status
                                                 {0x00, 0xFF, 0x2F, 0x00},  // end of track
                                             }),
                                         }));

// A delta time of four bytes.
const std::string kLongDelta =
    AsText(Smf(0, 480,
               {
                   Track({
                       {0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x64},  // delta 0x204081: four bytes, note on C4
                       {0x00, 0xFF, 0x2F, 0x00},                    // end of track
                   }),
               }));

// Key 120 on channel 1: out of range when shifted up by 12.
const std::string kHighNote = AsText(Smf(0, 480,
                                         {
                                             Track({
                                                 {0x00, 0x90, 0x78, 0x64},  // note on key 120
                                                 {0x60, 0x80, 0x78, 0x40},  // 96 ticks later, note off key 120
                                                 {0x00, 0xFF, 0x2F, 0x00},  // end of track
                                             }),
                                         }));

// Division 30000: scaled by 250 % it no longer fits 16 bits.
const std::string kDivision30000 = AsText(Join({Header(0, 1, 30000), kSmallTrack}));

}  // namespace songs

// What a message box showed, and how many log lines there were when it appeared.
struct BoxRecord {
    std::string caption;
    std::string text;
    HICON icon;
    size_t logLines;
    bool ownerVisible = false;  // the window that owns the box stood on the screen behind it
    HWND window = nullptr;
};

class SongTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        watched_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
    }
    void TearDown() override {
        UnhookWindowsHookEx(hook_);
        watched_ = nullptr;
        ProgramTest::TearDown();
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = folder_.File(name);
        WriteFileBytes(path, bytes);
        return path;
    }
    // A copy of a song of tests/data/corpus in the scratch folder.
    std::string Corpus(const std::string& name) {
        return Write(name, ReadWholeFile(KADENZO_SOURCE_DIR "/tests/data/corpus/" + name));
    }

    std::string PathField() const { return WindowText(GetDlgItem(main_, IDC_PATH_FIELD)); }
    std::string LoadedBytes() const {
        return std::string(reinterpret_cast<const char*>(songBuffer.bytes.get()), songBuffer.length);
    }
    std::string ConvertedBytes() const {
        if (!HasConvertedSong()) return {};
        return std::string(reinterpret_cast<const char*>(convertedSong.bytes.get()), convertedSong.length);
    }

    // The drop handle the shell would give: DROPFILES, then the names, then an empty name.
    static HDROP MakeDrop(const std::vector<std::string>& paths) {
        size_t size = sizeof(DROPFILES) + 1;
        for (const std::string& path : paths) size += path.size() + 1;
        HGLOBAL memory = GlobalAlloc(GHND, size);
        auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
        files->pFiles = sizeof(DROPFILES);
        files->fWide = FALSE;
        char* name = reinterpret_cast<char*>(files + 1);
        for (const std::string& path : paths) {
            std::memcpy(name, path.c_str(), path.size() + 1);
            name += path.size() + 1;
        }
        GlobalUnlock(memory);
        return static_cast<HDROP>(memory);
    }
    // Drops the files on the main window; the drop handle, for checking that it was released.
    HGLOBAL Drop(const std::vector<std::string>& paths) {
        HDROP drop = MakeDrop(paths);
        SendMessageA(main_, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        return drop;
    }
    static bool Released(HGLOBAL memory) { return GlobalFlags(memory) == GMEM_INVALID_HANDLE; }

    // Loads a song by a drop that no question precedes.
    void LoadByDrop(const std::string& path) {
        ASSERT_FALSE(HasConvertedSong());
        Drop({path});
        ASSERT_TRUE(SongLoaded()) << path;
    }
    // Converts after setting the key shift, as the tone dialog would.
    void ConvertWithShift(std::int16_t shift) {
        conversionSettings.toneShift = shift;
        Command(IDM_CONVERT);
    }
    // What the engine makes of `song` with the live settings.
    static std::string EngineOutput(const std::string& song) {
        std::vector<std::uint8_t> output(song.size());
        ConversionReports quiet;
        const WalkOutcome outcome = ConvertSongBytes({reinterpret_cast<const std::uint8_t*>(song.data()), song.size()},
                                                     conversionSettings, output, quiet);
        if (outcome.result != ConversionResult::Converted) return {};
        return std::string(reinterpret_cast<const char*>(output.data()), outcome.length);
    }

    static HICON InformationIcon() { return LoadIconA(nullptr, IDI_INFORMATION); }

    ScratchFolder folder_;
    std::vector<BoxRecord> boxes_;  // every message box of the main window, as it appeared

private:
    // A message box: a dialog with the icon and text controls and no file-name field.
    static bool IsMessageBox(HWND window) {
        // Tests run side by side, and Wine may report another program's box being activated.
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != GetCurrentProcessId()) return false;
        char className[16] = {};
        GetClassNameA(window, className, sizeof className);
        return std::string(className) == "#32770" && GetDlgItem(window, 0x440) && GetDlgItem(window, 0xFFFF) &&
               !GetDlgItem(window, 0x47C) && !GetDlgItem(window, 0x480);
    }
    // Message boxes are seen when they become active, before anyone can answer them.
    static LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
        HWND window = reinterpret_cast<HWND>(wParam);
        // A box is activated again when a window of a test running beside this one took the focus.
        if (code == HCBT_ACTIVATE && watched_ && IsMessageBox(window) && !watched_->Recorded(window)) {
            const HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(window, 0x440, STM_GETICON, 0, 0));
            HWND owner = GetWindow(window, GW_OWNER);
            watched_->boxes_.push_back({WindowText(window), WindowText(GetDlgItem(window, 0xFFFF)), icon,
                                        ListItems(logWindow->List()).size(), owner && IsWindowVisible(owner), window});
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    bool Recorded(HWND window) const {
        return std::any_of(boxes_.begin(), boxes_.end(),
                           [window](const BoxRecord& box) { return box.window == window; });
    }

    static inline SongTest* watched_ = nullptr;
    HHOOK hook_ = nullptr;
};

// Parameterised tests of the song commands run one case a process: every message box costs Wine
// about two seconds to close on a display without a window manager. A case names itself.
template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// The texts of this subsystem, as the user sees them.
namespace texts {
inline const std::string kDiscard = "変換済みのデータがあります。\n破棄してよろしいですか？";
inline const std::string kNoSource = "読み込みもとのMIDIファイルが指定されていません。";
inline const std::string kNoConverted = "変換後のデータがありません。";
inline const std::string kCannotOpen = "ファイルを開けませんでした。";
inline const std::string kCannotCreate = "ファイルを作成できませんでした。";
inline const std::string kInvalid = "ファイルが不正です。";
inline const std::string kStarted = "変換開始...";
}  // namespace texts
