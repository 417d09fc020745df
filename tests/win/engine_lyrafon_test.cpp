// Lyrafon.dll in capture mode, loaded in-process from the build's library folder.
#include "tests/win/engine_test_support.h"

#include <gtest/gtest.h>

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

namespace {

struct Lyrafon {
    LoadedLibrary library{EngineFolder() + kLyrafonLibraryName};
    lfOpenDeviceProc openDevice = library.Resolve<lfOpenDeviceProc>("lfOpenDevice");
    lfCloseDeviceProc closeDevice = library.Resolve<lfCloseDeviceProc>("lfCloseDevice");
    lfDirectPlayMusicProc play = library.Resolve<lfDirectPlayMusicProc>("lfDirectPlayMusic");
    lfStopMusicProc stop = library.Resolve<lfStopMusicProc>("lfStopMusic");
    lfGetStatusProc getStatus = library.Resolve<lfGetStatusProc>("lfGetStatus");
    lfGetErrorStringProc getErrorString = library.Resolve<lfGetErrorStringProc>("lfGetErrorString");
    lfGetVersionProc getVersion = library.Resolve<lfGetVersionProc>("lfGetVersion");
    lfGMResetProc gmReset = library.Resolve<lfGMResetProc>("lfGMReset");
    lfGSResetProc gsReset = library.Resolve<lfGSResetProc>("lfGSReset");
    lfXGResetProc xgReset = library.Resolve<lfXGResetProc>("lfXGReset");
    lfSeekProc seek = library.Resolve<lfSeekProc>("lfSeek");
    lfRestartProc restart = library.Resolve<lfRestartProc>("lfRestart");

    bool AllResolved() const {
        return openDevice && closeDevice && play && stop && getStatus && getErrorString && getVersion && gmReset &&
               gsReset && xgReset && seek && restart;
    }
    LyrafonStatus Status() const {
        LyrafonStatus status;
        std::memset(&status, 0xCD, sizeof status);  // the caller does not initialise it
        EXPECT_EQ(getStatus(&status), kEngineOk);
        return status;
    }
    // Playing, or still handing the device what the play, a stop or a reset left.
    bool Playing() const {
        LyrafonStatus status = Status();
        return status.playState == 1 || status.sending == 1;
    }
    std::int32_t Play(const Bytes& song) const { return play(song.data(), static_cast<std::uint32_t>(song.size())); }
};

class EngineLyrafon : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.library.Loaded());
        ASSERT_TRUE(engine.AllResolved());
        ASSERT_EQ(engine.openDevice(kMidiMapperDevice, 0, 0), kEngineOk);
    }

    CaptureFile capture;  // named before the engine opens its device
    Lyrafon engine;
};

TEST_F(EngineLyrafon, ReportsVersion0x120) {
    std::uint32_t version = 0;
    EXPECT_EQ(engine.getVersion(&version), kEngineOk);
    EXPECT_EQ(version, 0x120u);
    EXPECT_EQ(engine.getVersion(nullptr), kEngineBadArgument);
}

TEST_F(EngineLyrafon, PlaysASongToItsEndInOrder) {
    ASSERT_EQ(engine.Play(EvenNotesSong(4, 50)), kEngineOk);
    LyrafonStatus status = engine.Status();
    EXPECT_EQ(status.playState, 1u);
    EXPECT_EQ(status.length, 2u);  // 0.2 s
    EXPECT_EQ(status.size, 32u);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));

    std::vector<CapturedMessage> messages = capture.Read();
    const std::size_t song = kSilenceCount + kDefaultsCount;  // after the first clean state and the defaults
    ASSERT_EQ(messages.size(), song + 1u + 8u + kSilenceCount);
    EXPECT_TRUE(IsSilence(messages, 0));
    EXPECT_TRUE(IsDefaults(messages, kSilenceCount));
    EXPECT_EQ(messages[song].bytes, (Bytes{0xC0, 0x05}));
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(messages[song + 1 + 2 * k].bytes, NoteOn(k));
        EXPECT_EQ(messages[song + 2 + 2 * k].bytes, (Bytes{0x80, NotePitch(k), 0x00}));
    }
    EXPECT_TRUE(IsSilence(messages, song + 9));
    for (std::size_t i = 1; i < messages.size(); ++i) EXPECT_GE(messages[i].ms, messages[i - 1].ms);
    EXPECT_EQ(engine.Status().position, 2u);
}

TEST_F(EngineLyrafon, WritesOneLinePerMessageWithMillisecondsAndHexBytes) {
    ASSERT_EQ(engine.gsReset(), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::vector<std::string> lines = capture.Lines();
    ASSERT_FALSE(lines.empty());
    const std::string& line = lines.back();
    const std::string bytes = " F0 41 10 42 12 40 00 7F 00 41 F7\r";
    ASSERT_GT(line.size(), bytes.size());
    EXPECT_EQ(line.substr(line.size() - bytes.size()), bytes);
    std::string time = line.substr(0, line.size() - bytes.size());
    ASSERT_GE(time.size(), 5u);
    EXPECT_EQ(time[time.size() - 4], '.');
    EXPECT_EQ(time.find_first_not_of("0123456789."), std::string::npos);
}

TEST_F(EngineLyrafon, SendsTheThreeResets) {
    EXPECT_EQ(engine.gmReset(), kEngineOk);
    EXPECT_EQ(engine.gsReset(), kEngineOk);
    EXPECT_EQ(engine.xgReset(), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::vector<CapturedMessage> messages = capture.Read();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].bytes, (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(messages[1].bytes, (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
    EXPECT_EQ(messages[2].bytes, (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
}

TEST_F(EngineLyrafon, StopSilencesAndKeepsTheLength) {
    ASSERT_EQ(engine.Play(EvenNotesSong(100, 100)), kEngineOk);  // 10 s
    ASSERT_TRUE(WaitFor([&] { return FindMessage(capture.Read(), NoteOn(1)) >= 0; }, 3000));
    EXPECT_EQ(engine.stop(100), kEngineOk);
    LyrafonStatus status = engine.Status();
    EXPECT_EQ(status.playState, 0u);
    EXPECT_EQ(status.length, 100u);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::vector<CapturedMessage> messages = capture.Read();
    ASSERT_GE(messages.size(), kSilenceCount);
    EXPECT_TRUE(IsSilence(messages, messages.size() - kSilenceCount));
    EXPECT_TRUE(HoldsFor([&] { return capture.Read().size() == messages.size(); }, kQuietWatchMs))
        << "nothing more after the stop";
}

TEST_F(EngineLyrafon, SeekGoesOnFromTheNewPlaceAfterTheStateThere) {
    ASSERT_EQ(engine.Play(EvenNotesSong(100, 100)), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return FindMessage(capture.Read(), NoteOn(0)) >= 0; }, 3000));
    // What the program does for a drag of the slider.
    ASSERT_TRUE(engine.Playing());
    engine.stop(100);
    EXPECT_EQ(engine.seek(50), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::size_t beforeRestart = capture.Read().size();
    EXPECT_EQ(engine.restart(), kEngineOk);
    EXPECT_TRUE(engine.Playing());
    EXPECT_GE(engine.Status().position, 50u);
    ASSERT_TRUE(WaitFor([&] { return FindMessage(capture.Read(), NoteOn(51), beforeRestart) >= 0; }, 3000));

    std::vector<CapturedMessage> messages = capture.Read();
    EXPECT_TRUE(IsSilence(messages, beforeRestart - kSilenceCount));
    // The state first: the program on channel 1 with the volume and pan defaults; then note 50 onwards.
    EXPECT_EQ(messages[beforeRestart].bytes, (Bytes{0xC0, 0x05}));
    EXPECT_EQ(messages[beforeRestart + 1].bytes, (Bytes{0xB0, 7, 100}));
    int firstNote = FindMessage(messages, NoteOn(50), beforeRestart);
    ASSERT_GE(firstNote, 0);
    for (int k = 1; k < 50; ++k) EXPECT_EQ(FindMessage(messages, NoteOn(k), beforeRestart), -1) << k;
}

TEST_F(EngineLyrafon, SeekWhileStoppedChangesNothingThatSounds) {
    ASSERT_EQ(engine.Play(EvenNotesSong(20, 100)), kEngineOk);
    engine.stop(100);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::size_t captured = capture.Read().size();
    EXPECT_EQ(engine.seek(10), kEngineOk);
    EXPECT_EQ(engine.Status().playState, 0u);
    EXPECT_EQ(engine.Status().position, 10u);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    EXPECT_EQ(capture.Read().size(), captured);
}

TEST_F(EngineLyrafon, PlayWhilePlayingStopsFirst) {
    ASSERT_EQ(engine.Play(EvenNotesSong(100, 100)), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return FindMessage(capture.Read(), NoteOn(0)) >= 0; }, 3000));
    std::size_t before = capture.Read().size();
    ASSERT_EQ(engine.Play(EvenNotesSong(3, 100)), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::vector<CapturedMessage> messages = capture.Read();
    EXPECT_TRUE(IsSilence(messages, before));
    EXPECT_TRUE(IsDefaults(messages, before + kSilenceCount));
    EXPECT_EQ(messages[before + kSilenceCount + kDefaultsCount].bytes, (Bytes{0xC0, 0x05}));
    EXPECT_EQ(engine.Status().length, 3u);
}

TEST_F(EngineLyrafon, KeepsItsOwnCopyOfTheSong) {
    Bytes song = EvenNotesSong(3, 50);
    ASSERT_EQ(engine.Play(song), kEngineOk);
    std::fill(song.begin(), song.end(), 0xFF);
    song.clear();
    song.shrink_to_fit();
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::vector<CapturedMessage> messages = capture.Read();
    for (int k = 0; k < 3; ++k) EXPECT_GE(FindMessage(messages, NoteOn(k)), 0) << k;
}

TEST_F(EngineLyrafon, RefusesWhatIsNotASong) {
    const Bytes notASong = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0};
    EXPECT_EQ(engine.Play(notASong), kEngineSongInvalid);
    EXPECT_EQ(engine.play(nullptr, 0), kEngineBadArgument);
    EXPECT_EQ(engine.Status().playState, 0u);
    EXPECT_EQ(engine.restart(), kEngineNoSong);
}

TEST_F(EngineLyrafon, GivesItsTextsInCodePage932) {
    char text[260];
    EXPECT_EQ(engine.getErrorString(kEngineTempFileFailed, text, sizeof text), kEngineOk);
    EXPECT_STREQ(text, "一時曲ファイルを書き込めませんでした。");
    EXPECT_EQ(engine.getErrorString(kEngineSongInvalid, text, sizeof text), kEngineOk);
    EXPECT_EQ(std::string(text).substr(0, 4), "\x8B\xC8\x83\x66");  // 曲デ
}

TEST_F(EngineLyrafon, StatusIsSafeFromAnotherThread) {
    ASSERT_EQ(engine.Play(EvenNotesSong(50, 20)), kEngineOk);  // 1 s
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        while (!done) {
            LyrafonStatus status;
            if (engine.getStatus(&status) != kEngineOk || status.position > status.length || status.playState > 1)
                ++bad;
            ++reads;
        }
    });
    for (int round = 0; round < 5; ++round) {
        engine.stop(100);
        engine.seek(round * 2);
        engine.restart();
        Sleep(20);
    }
    WaitFor([&] { return !engine.Playing(); }, 3000);
    done = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(bad.load(), 0);
}

TEST_F(EngineLyrafon, ReleasedWhilePlayingItStaysUntilTheSongEnds) {
    ASSERT_EQ(engine.Play(EvenNotesSong(5, 100)), kEngineOk);  // 0.5 s
    engine.library.Release();
    EXPECT_NE(GetModuleHandleA(kLyrafonLibraryName), nullptr);
    EXPECT_TRUE(WaitFor([] { return GetModuleHandleA(kLyrafonLibraryName) == nullptr; }, 5000));
    std::vector<CapturedMessage> messages = capture.Read();
    EXPECT_GE(FindMessage(messages, NoteOn(4)), 0);
}

TEST_F(EngineLyrafon, CanBeLoadedAgainWithTheSameCaptureFile) {
    engine.gmReset();
    engine.library.Release();
    ASSERT_TRUE(WaitFor([] { return GetModuleHandleA(kLyrafonLibraryName) == nullptr; }, 5000));
    Lyrafon again;
    ASSERT_TRUE(again.AllResolved());
    EXPECT_EQ(again.openDevice(kMidiMapperDevice, 0, 0), kEngineOk);
    EXPECT_EQ(again.xgReset(), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return !again.Playing(); }, 3000));
    std::vector<CapturedMessage> messages = capture.Read();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].bytes[2], 0x10);
    EXPECT_EQ(messages[1].bytes[1], 0x43);
}

TEST(EngineWithoutDevice, OpeningAndPlayingReturn3) {
    DeviceMode unopenable("unopenable");  // Wine's mapper opens all the same: the port itself is asked
    Lyrafon engine;
    ASSERT_TRUE(engine.AllResolved());
    EXPECT_EQ(engine.openDevice(0, 0, 0), kEngineDeviceOpenFailed);
    EXPECT_EQ(engine.Status().deviceOpen, 0u);
}

}  // namespace
