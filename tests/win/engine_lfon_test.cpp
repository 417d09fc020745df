// Lfon.dll in capture mode, loaded in-process from the build's library folder.
#include "tests/win/engine_test_support.h"

#include <gtest/gtest.h>

#include <mmsystem.h>

#include <algorithm>

namespace {

struct Lfon {
    explicit Lfon(const std::string& folder = EngineFolder()) : library(folder + kLfonLibraryName) {}

    LoadedLibrary library;
    LFOpenDeviceProc openDevice = library.Resolve<LFOpenDeviceProc>("LFOpenDevice");
    LFCloseDeviceProc closeDevice = library.Resolve<LFCloseDeviceProc>("LFCloseDevice");
    LFLoadMusicProc loadMusic = library.Resolve<LFLoadMusicProc>("LFLoadMusic");
    LFPlayMusicProc playMusic = library.Resolve<LFPlayMusicProc>("LFPlayMusic");
    LFStopMusicProc stopMusic = library.Resolve<LFStopMusicProc>("LFStopMusic");
    LFRestartMusicProc restartMusic = library.Resolve<LFRestartMusicProc>("LFRestartMusic");
    LFSendSysExProc sendSysEx = library.Resolve<LFSendSysExProc>("LFSendSysEx");
    LFSeekProc seek = library.Resolve<LFSeekProc>("LFSeek");
    LFGetStatusProc getStatus = library.Resolve<LFGetStatusProc>("LFGetStatus");
    LFGetErrorStringProc getErrorString = library.Resolve<LFGetErrorStringProc>("LFGetErrorString");
    LFGetVersionProc getVersion = library.Resolve<LFGetVersionProc>("LFGetVersion");
    LFSetCapsProc setCaps = library.Resolve<LFSetCapsProc>("LFSetCaps");
    LFGetCapsProc getCaps = library.Resolve<LFGetCapsProc>("LFGetCaps");

    int ResolvedCount() const {
        const void* all[] = {reinterpret_cast<const void*>(openDevice), reinterpret_cast<const void*>(closeDevice),
                             reinterpret_cast<const void*>(loadMusic),  reinterpret_cast<const void*>(playMusic),
                             reinterpret_cast<const void*>(stopMusic),  reinterpret_cast<const void*>(restartMusic),
                             reinterpret_cast<const void*>(sendSysEx),  reinterpret_cast<const void*>(seek),
                             reinterpret_cast<const void*>(getStatus),  reinterpret_cast<const void*>(getErrorString),
                             reinterpret_cast<const void*>(getVersion), reinterpret_cast<const void*>(setCaps),
                             reinterpret_cast<const void*>(getCaps)};
        int count = 0;
        for (const void* entry : all) count += entry != nullptr;
        return count;
    }
    LfonStatus Status() const {
        LfonStatus status{};
        status.size = sizeof status;
        EXPECT_EQ(getStatus(&status), kEngineOk);
        return status;
    }
    // Playing, or still handing the device what the play, a stop or a reset left.
    bool Playing() const {
        LfonStatus status = Status();
        return status.playState == 1 || status.sending == 1;
    }
};

class EngineLfon : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.library.Loaded());
        ASSERT_EQ(engine.ResolvedCount(), 13);
        ASSERT_EQ(engine.openDevice(kMidiMapperDevice, 0), kEngineOk);
    }

    CaptureFile capture;
    Lfon engine;
};

TEST_F(EngineLfon, LoadsFromAFileAndPlaysIt) {
    std::string path = WriteTempFile("engine_lfon_song.mid", EvenNotesSong(3, 50));
    ASSERT_EQ(engine.loadMusic(path.c_str()), kEngineOk);
    DeleteFileA(path.c_str());  // the engine has its own copy
    LfonStatus loaded = engine.Status();
    EXPECT_EQ(loaded.playState, 0u);
    EXPECT_EQ(loaded.length, 2u);  // 0.15 s, rounded up
    EXPECT_EQ(loaded.deviceOpen, 1u);
    ASSERT_EQ(engine.playMusic(), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::vector<CapturedMessage> messages = capture.Read();
    // The load's clean state, the defaults, the program and three notes, the stop's clean state.
    const std::size_t song = kSilenceCount + kDefaultsCount;
    ASSERT_EQ(messages.size(), song + 1u + 6u + kSilenceCount);
    EXPECT_TRUE(IsSilence(messages, 0));
    EXPECT_TRUE(IsDefaults(messages, kSilenceCount));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(messages[song + 1 + 2 * k].bytes, NoteOn(k));
    EXPECT_TRUE(IsSilence(messages, song + 7));
}

TEST_F(EngineLfon, PlayStartsFromTheBeginningRestartFromThePosition) {
    std::string path = WriteTempFile("engine_lfon_long.mid", EvenNotesSong(100, 100));
    ASSERT_EQ(engine.loadMusic(path.c_str()), kEngineOk);
    ASSERT_EQ(engine.playMusic(), kEngineOk);
    engine.stopMusic();
    engine.seek(30);
    EXPECT_EQ(engine.Status().position, 30u);
    std::size_t before = capture.Read().size();
    ASSERT_EQ(engine.restartMusic(), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return FindMessage(capture.Read(), NoteOn(30), before) >= 0; }, 3000));
    engine.stopMusic();
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    before = capture.Read().size();
    ASSERT_EQ(engine.playMusic(), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return FindMessage(capture.Read(), NoteOn(0), before) >= 0; }, 3000));
    std::vector<CapturedMessage> messages = capture.Read();
    EXPECT_TRUE(IsDefaults(messages, before));  // no state before the start but the defaults
    EXPECT_EQ(messages[before + kDefaultsCount].bytes, (Bytes{0xC0, 0x05}));
}

TEST_F(EngineLfon, SendsResetsBySelector) {
    EXPECT_EQ(engine.sendSysEx(kLfonSysExGmReset, 0), kEngineOk);
    EXPECT_EQ(engine.sendSysEx(kLfonSysExGsReset, 0), kEngineOk);
    EXPECT_EQ(engine.sendSysEx(kLfonSysExXgReset, 0), kEngineOk);
    EXPECT_EQ(engine.sendSysEx(5, 0), kEngineBadArgument);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::vector<CapturedMessage> messages = capture.Read();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].bytes, (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(messages[1].bytes, (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
    EXPECT_EQ(messages[2].bytes, (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
}

TEST_F(EngineLfon, StatusNeedsTheRecordSize) {
    LfonStatus status{};
    status.size = 20;
    status.playState = 7;
    EXPECT_EQ(engine.getStatus(&status), kEngineBadArgument);
    EXPECT_EQ(status.playState, 7u);
    EXPECT_EQ(engine.getStatus(nullptr), kEngineBadArgument);
}

TEST_F(EngineLfon, ReportsFileErrors) {
    EXPECT_EQ(engine.loadMusic("C:\\no such folder\\song.mid"), kEngineSongFileUnreadable);
    std::string path = WriteTempFile("engine_lfon_text.mid", Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(engine.loadMusic(path.c_str()), kEngineSongInvalid);
    DeleteFileA(path.c_str());
    EXPECT_EQ(engine.playMusic(), kEngineNoSong);
    char text[128];
    EXPECT_EQ(engine.getErrorString(kEngineTempFileFailed, text, sizeof text), kEngineOk);
    EXPECT_STREQ(text, "一時曲ファイルを書き込めませんでした。");
}

TEST_F(EngineLfon, CapsTurnTheStateAtStartOff) {
    LfonCaps caps{sizeof caps, 0};
    ASSERT_EQ(engine.getCaps(&caps), kEngineOk);
    EXPECT_EQ(caps.flags, kLfonCapsSendStateAtStart);
    caps.flags = 0;
    ASSERT_EQ(engine.setCaps(&caps), kEngineOk);
    std::string path = WriteTempFile("engine_lfon_caps.mid", EvenNotesSong(100, 100));
    ASSERT_EQ(engine.loadMusic(path.c_str()), kEngineOk);
    engine.seek(20);
    ASSERT_TRUE(WaitFor([&] { return !engine.Playing(); }, 3000));
    std::size_t before = capture.Read().size();
    ASSERT_EQ(engine.restartMusic(), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return capture.Read().size() > before + kDefaultsCount; }, 3000));
    EXPECT_TRUE(IsDefaults(capture.Read(), before));
    EXPECT_EQ(capture.Read()[before + kDefaultsCount].bytes, NoteOn(20));
    LfonCaps small{4, 0};
    EXPECT_EQ(engine.getCaps(&small), kEngineBadArgument);
}

TEST_F(EngineLfon, CloseDeviceStopsAndReopens) {
    std::string path = WriteTempFile("engine_lfon_close.mid", EvenNotesSong(100, 100));
    ASSERT_EQ(engine.loadMusic(path.c_str()), kEngineOk);
    ASSERT_EQ(engine.playMusic(), kEngineOk);
    EXPECT_EQ(engine.closeDevice(), kEngineOk);
    LfonStatus status = engine.Status();
    EXPECT_EQ(status.playState, 0u);
    EXPECT_EQ(status.deviceOpen, 0u);
    EXPECT_EQ(engine.openDevice(kMidiMapperDevice, 0), kEngineOk);
    EXPECT_EQ(engine.Status().deviceOpen, 1u);
}

// The device is reset and closed; one that says it is still playing is reset and closed again
// (Windows keeps its handle for that; Wine's winmm lets go of it at the refusal), and the port can
// be opened again.
TEST_F(EngineLfon, CloseResetsAndClosesADeviceThatSaysItIsStillPlaying) {
    ASSERT_EQ(engine.closeDevice(), kEngineOk);
    DeviceMode busy("close-busy");
    ASSERT_EQ(engine.openDevice(0, 0), kEngineOk);
    ASSERT_EQ(engine.sendSysEx(kLfonSysExGsReset, 0), kEngineOk);
    EXPECT_EQ(engine.closeDevice(), kEngineOk);
    EXPECT_EQ(engine.Status().deviceOpen, 0u);
    EXPECT_EQ(engine.openDevice(0, 0), kEngineOk);
    std::vector<std::string> words = capture.Words();
    const std::vector<std::string> closing = {"open", "reset", "busy"};
    EXPECT_NE(std::search(words.begin(), words.end(), closing.begin(), closing.end()), words.end());
    EXPECT_EQ(words.back(), "open");
}

TEST(EngineLfonWithoutDevice, PlayReturns3) {
    DeviceMode unopenable("unopenable");  // Wine's mapper opens all the same: the port itself is asked
    Lfon engine;
    ASSERT_EQ(engine.ResolvedCount(), 13);
    EXPECT_EQ(engine.openDevice(0, 0), kEngineDeviceOpenFailed);
    EXPECT_EQ(engine.Status().deviceOpen, 0u);
}

TEST(EngineTestLibraries, LfonLackingAnExportHasTheOtherTwelve) {
    Lfon lacking(TestLibraryFolder("lfon_lacks_export"));
    ASSERT_TRUE(lacking.library.Loaded());
    EXPECT_EQ(lacking.ResolvedCount(), 12);
    EXPECT_EQ(lacking.getCaps, nullptr);
    LoadedLibrary fallback(TestLibraryFolder("lfon_lacks_export") + kLyrafonLibraryName);
    EXPECT_NE(fallback.Resolve<lfOpenDeviceProc>("lfOpenDevice"), nullptr);
}

TEST(EngineTestLibraries, DeviceThatNeverOpensReturns3EvenWhenCapturing) {
    CaptureFile capture;
    Lfon failing(TestLibraryFolder("device_open_fails"));
    ASSERT_TRUE(failing.library.Loaded());
    ASSERT_EQ(failing.ResolvedCount(), 13);
    EXPECT_EQ(failing.openDevice(kMidiMapperDevice, 0), kEngineDeviceOpenFailed);
    EXPECT_EQ(failing.playMusic(), kEngineDeviceOpenFailed);
    std::uint32_t version = 0;
    EXPECT_EQ(failing.getVersion(&version), kEngineOk);
    EXPECT_EQ(version, kEngineVersion);
    EXPECT_TRUE(capture.Read().empty());
}

}  // namespace
