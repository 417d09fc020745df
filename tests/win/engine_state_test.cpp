// What reaches the port around stops, seeks and resets, through both export sets: the clean state
// between two songs, the state chased before a seek's first note, divided system exclusive, a stop
// in the middle of a burst, the pause after every reset, devices that complete late or refuse, and
// the memory a seek takes.
#include "engine/midi_messages.h"
#include "tests/win/engine_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// One export set, seen through the operations the program uses.
struct EngineUnderTest {
    std::unique_ptr<LoadedLibrary> library;
    std::function<std::int32_t(const Bytes&)> play;  // from the start
    std::function<void()> stop;
    std::function<std::int32_t(std::int32_t)> seek;
    std::function<std::int32_t()> restart;
    std::function<bool()> playing;
    std::function<bool()> busy;  // playing, or handing the device what a play, a stop or a reset left
    std::function<void(lyra::ResetKind)> reset;
    std::function<std::uint32_t()> failure;  // of the last play
    std::function<std::uint32_t()> position;
    std::function<void()> close;
    std::function<void(std::int32_t)> reopen;  // on another device, in the mode named now
};

EngineUnderTest LfonEngine() {
    EngineUnderTest engine;
    engine.library = std::make_unique<LoadedLibrary>(EngineFolder() + kLfonLibraryName);
    LoadedLibrary& library = *engine.library;
    auto open = library.Resolve<LFOpenDeviceProc>("LFOpenDevice");
    auto load = library.Resolve<LFLoadMusicProc>("LFLoadMusic");
    auto play = library.Resolve<LFPlayMusicProc>("LFPlayMusic");
    auto stop = library.Resolve<LFStopMusicProc>("LFStopMusic");
    auto seek = library.Resolve<LFSeekProc>("LFSeek");
    auto restart = library.Resolve<LFRestartMusicProc>("LFRestartMusic");
    auto status = library.Resolve<LFGetStatusProc>("LFGetStatus");
    EXPECT_EQ(open(kMidiMapperDevice, 0), kEngineOk);
    engine.play = [=](const Bytes& song) {
        std::string path = WriteTempFile("engine_state_song.mid", song);
        std::int32_t loaded = load(path.c_str());
        DeleteFileA(path.c_str());
        return loaded != kEngineOk ? loaded : play();
    };
    engine.stop = [=] { stop(); };
    engine.seek = seek;
    engine.restart = restart;
    auto read = [=] {
        LfonStatus record{};
        record.size = sizeof record;
        status(&record);
        return record;
    };
    engine.playing = [=] { return read().playState == 1; };
    engine.busy = [=] { return read().playState == 1 || read().sending == 1; };
    auto sysEx = library.Resolve<LFSendSysExProc>("LFSendSysEx");
    engine.reset = [=](lyra::ResetKind kind) {
        sysEx(kind == lyra::ResetKind::gm ? 0 : kind == lyra::ResetKind::gs ? -1 : -2, 0);
    };
    engine.failure = [=] { return read().failure; };
    engine.position = [=] { return read().position; };
    auto close = library.Resolve<LFCloseDeviceProc>("LFCloseDevice");
    engine.close = [=] { close(); };
    engine.reopen = [=](std::int32_t device) { EXPECT_EQ(close() + open(device, 0), kEngineOk); };
    return engine;
}

EngineUnderTest LyrafonEngine() {
    EngineUnderTest engine;
    engine.library = std::make_unique<LoadedLibrary>(EngineFolder() + kLyrafonLibraryName);
    LoadedLibrary& library = *engine.library;
    auto open = library.Resolve<lfOpenDeviceProc>("lfOpenDevice");
    auto play = library.Resolve<lfDirectPlayMusicProc>("lfDirectPlayMusic");
    auto stop = library.Resolve<lfStopMusicProc>("lfStopMusic");
    auto seek = library.Resolve<lfSeekProc>("lfSeek");
    auto restart = library.Resolve<lfRestartProc>("lfRestart");
    auto status = library.Resolve<lfGetStatusProc>("lfGetStatus");
    EXPECT_EQ(open(kMidiMapperDevice, 0, 0), kEngineOk);
    engine.play = [=](const Bytes& song) { return play(song.data(), static_cast<std::uint32_t>(song.size())); };
    engine.stop = [=] { stop(100); };
    engine.seek = seek;
    engine.restart = restart;
    auto read = [=] {
        LyrafonStatus record;
        status(&record);
        return record;
    };
    engine.playing = [=] { return read().playState == 1; };
    engine.busy = [=] { return read().playState == 1 || read().sending == 1; };
    auto gm = library.Resolve<lfGMResetProc>("lfGMReset");
    auto gs = library.Resolve<lfGSResetProc>("lfGSReset");
    auto xg = library.Resolve<lfXGResetProc>("lfXGReset");
    engine.reset = [=](lyra::ResetKind kind) {
        kind == lyra::ResetKind::gm ? gm() : kind == lyra::ResetKind::gs ? gs() : xg();
    };
    engine.failure = [=] { return read().failure; };
    engine.position = [=] { return read().position; };
    auto close = library.Resolve<lfCloseDeviceProc>("lfCloseDevice");
    engine.close = [=] { close(); };
    engine.reopen = [=](std::int32_t device) { EXPECT_EQ(close() + open(device, 0, 0), kEngineOk); };
    return engine;
}

const Bytes kGsReset = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};

void Append(Bytes& track, std::uint32_t deltaMs, const Bytes& event) {
    PutVarLen(track, deltaMs);
    track.insert(track.end(), event.begin(), event.end());
}

// A system-exclusive event of the file: the lead, the length, the bytes after the lead.
Bytes SysExEvent(std::uint8_t lead, const Bytes& body) {
    Bytes event = {lead};
    PutVarLen(event, static_cast<std::uint32_t>(body.size()));
    event.insert(event.end(), body.begin(), body.end());
    return event;
}

// 25 frames of 40 ticks: one tick a millisecond.
Bytes OneMillisecondTrackSong(const Bytes& track) { return Smf(0, 0xE728, {Track(track)}); }

void WaitUntilQuiet(const EngineUnderTest& engine) {
    ASSERT_TRUE(WaitFor([&] { return !engine.busy(); }, 5000));
}

class EngineState : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        engine = std::string(GetParam()) == "Lfon" ? LfonEngine() : LyrafonEngine();
        ASSERT_TRUE(engine.library->Loaded());
    }
    void TearDown() override {
        if (engine.stop) engine.stop();
    }

    // The index of the first message equal to `bytes` from `from`, waiting for it up to 5 s.
    int WaitForMessage(const Bytes& bytes, std::size_t from = 0) {
        int found = -1;
        WaitFor([&] { return (found = FindMessage(capture.Read(), bytes, from)) >= 0; }, 5000);
        return found;
    }

    CaptureFile capture;  // named before the engine opens its device
    EngineUnderTest engine;
};

// A song that bends, modulates, sets expression 32 and holds a note under sostenuto and sustain.
Bytes HeldStateSong() {
    Bytes track;
    Append(track, 0, {0xE0, 0x00, 0x60});
    Append(track, 0, {0xB0, 1, 90});
    Append(track, 0, {0xB0, 11, 32});
    Append(track, 0, {0xB0, 7, 40});
    Append(track, 0, {0x90, 60, 100});
    Append(track, 0, {0xB0, 66, 127});
    Append(track, 0, {0xB0, 64, 127});
    Append(track, 10, {0x80, 60, 0});
    Append(track, 10000, {0xFF, 0x2F, 0x00});
    return OneMillisecondTrackSong(track);
}

TEST_P(EngineState, NothingOfTheLastSongCarriesIntoTheNext) {
    ASSERT_EQ(engine.play(HeldStateSong()), kEngineOk);
    ASSERT_GE(WaitForMessage({0x80, 60, 0}), 0) << "the held note's release";
    engine.stop();
    WaitUntilQuiet(engine);
    std::size_t stopped = capture.Read().size();
    ASSERT_EQ(engine.play(EvenNotesSong(3, 50)), kEngineOk);
    int firstNote = WaitForMessage(NoteOn(0), stopped);
    ASSERT_GE(firstNote, 0) << "the second song's first note";

    std::vector<CapturedMessage> messages = capture.Read();
    ASSERT_GE(stopped, kSilenceCount);
    EXPECT_TRUE(IsSilence(messages, stopped - kSilenceCount)) << "the stop leaves every channel clean";
    // Between the stop and the second song's first note: the defaults and the song's program only.
    std::vector<Bytes> between;
    for (int i = static_cast<int>(stopped); i < firstNote; ++i) between.push_back(messages[i].bytes);
    ASSERT_EQ(between.size(), kDefaultsCount + 1);
    EXPECT_TRUE(IsDefaults(messages, stopped)) << "volume 100 and pan 64 on every channel";
    EXPECT_EQ(between.back(), (Bytes{0xC0, 0x05}));
}

// Bank, program, parameters, pressure and bend of one channel, after a GS reset; notes every 100 ms.
Bytes ChasedSong() {
    Bytes track;
    Append(track, 0, SysExEvent(0xF0, Bytes(kGsReset.begin() + 1, kGsReset.end())));
    Append(track, 0, {0xB2, 0, 8});
    Append(track, 0, {0xB2, 32, 1});
    Append(track, 0, {0xC2, 20});
    Append(track, 0, {0xB2, 101, 0});
    Append(track, 0, {0xB2, 100, 0});
    Append(track, 0, {0xB2, 6, 12});  // bend range 12
    Append(track, 0, {0xB2, 99, 1});
    Append(track, 0, {0xB2, 98, 8});
    Append(track, 0, {0xB2, 6, 70});   // NRPN 1/8
    Append(track, 0, {0xB2, 91, 30});  // reverb
    Append(track, 0, {0xD2, 50});
    Append(track, 0, {0xE2, 0x10, 0x50});
    for (int k = 0; k < 100; ++k) {
        Append(track, k == 0 ? 0 : 50, {0x92, NotePitch(k), 0x64});
        Append(track, 50, {0x82, NotePitch(k), 0x00});
    }
    Append(track, 0, {0xFF, 0x2F, 0x00});
    return OneMillisecondTrackSong(track);
}

TEST_P(EngineState, ASeekSendsTheStateInOrderThenTheNoteAtTheTarget) {
    ASSERT_EQ(engine.play(ChasedSong()), kEngineOk);
    ASSERT_GE(WaitForMessage({0x92, NotePitch(0), 0x64}), 0);
    engine.stop();
    WaitUntilQuiet(engine);
    ASSERT_EQ(engine.seek(50), kEngineOk);  // 5 s: note 50
    std::size_t before = capture.Read().size();
    ASSERT_EQ(engine.restart(), kEngineOk);
    int firstNote = WaitForMessage({0x92, NotePitch(50), 0x64}, before);
    ASSERT_GE(firstNote, 0);

    std::vector<CapturedMessage> messages = capture.Read();
    ASSERT_GT(static_cast<std::size_t>(firstNote), before + 1);
    EXPECT_EQ(messages[before].bytes, kGsReset) << "system exclusive first";
    EXPECT_GE(messages[before + 1].ms - messages[before].ms, 50.0) << "the pause after the reset";
    std::vector<Bytes> channelThree;
    for (int i = static_cast<int>(before) + 1; i < firstNote; ++i) {
        if ((messages[i].bytes[0] & 0x0F) == 2) channelThree.push_back(messages[i].bytes);
    }
    const std::vector<Bytes> expected = {
        {0xB2, 0, 8},   {0xB2, 32, 1},      {0xC2, 20},     {0xB2, 7, 100}, {0xB2, 10, 64},
        {0xB2, 91, 30}, {0xB2, 101, 0},     {0xB2, 100, 0}, {0xB2, 6, 12},  {0xB2, 99, 1},
        {0xB2, 98, 8},  {0xB2, 6, 70},      {0xB2, 99, 1},  {0xB2, 98, 8},  // the selection the song left
        {0xD2, 50},     {0xE2, 0x10, 0x50},
    };
    EXPECT_EQ(channelThree, expected);
    for (int k = 1; k < 50; ++k) EXPECT_EQ(FindMessage(messages, {0x92, NotePitch(k), 0x64}, before), -1) << k;
}

// F0 43 10 4C | 00 00 | 7E 00 F7 at 0, 100 and 200 ms, a note at 300 ms.
Bytes DividedSysExSong() {
    Bytes track;
    Append(track, 0, SysExEvent(0xF0, {0x43, 0x10, 0x4C}));
    Append(track, 100, SysExEvent(0xF7, {0x00, 0x00}));
    Append(track, 100, SysExEvent(0xF7, {0x7E, 0x00, 0xF7}));
    Append(track, 100, {0x90, 60, 100});
    Append(track, 2000, {0xFF, 0x2F, 0x00});
    return OneMillisecondTrackSong(track);
}

const Bytes kXgSystemOn = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};

// Whole, when its last packet is due: a port never sees a message of its own begun and left open.
TEST_P(EngineState, DividedSystemExclusiveGoesOutWhole) {
    ASSERT_EQ(engine.play(DividedSysExSong()), kEngineOk);
    int note = WaitForMessage({0x90, 60, 100});
    ASSERT_GE(note, 0);
    std::vector<CapturedMessage> messages = capture.Read();
    int whole = FindMessage(messages, kXgSystemOn);
    ASSERT_GE(whole, 0);
    EXPECT_EQ(whole + 1, note);
    EXPECT_GE(messages[note].ms - messages[whole].ms, 50.0) << "the pause after a divided reset";
}

TEST_P(EngineState, ASeekChasesADividedMessageWholeOrNotAtAll) {
    const struct {
        std::int32_t position;
        bool whole;
    } cases[] = {{1, false}, {2, false}, {3, true}};  // 100 ms, 200 ms (the last packet is at the target), 300 ms
    ASSERT_EQ(engine.play(DividedSysExSong()), kEngineOk);
    for (const auto& c : cases) {
        engine.stop();
        WaitUntilQuiet(engine);
        ASSERT_EQ(engine.seek(c.position), kEngineOk);
        std::size_t before = capture.Read().size();
        ASSERT_EQ(engine.restart(), kEngineOk);
        ASSERT_GE(WaitForMessage({0x90, 60, 100}, before), 0) << c.position;
        std::vector<CapturedMessage> messages = capture.Read();
        EXPECT_EQ(FindMessage(messages, kXgSystemOn, before) >= 0, c.whole) << c.position;
        if (!c.whole) {
            EXPECT_EQ(FindMessage(messages, {0x00, 0x00}, before), -1) << "no packet on its own " << c.position;
            EXPECT_EQ(FindMessage(messages, {0x7E, 0x00, 0xF7}, before), -1) << c.position;
        }
    }
}

TEST_P(EngineState, AStopEndsABurstAtOnce) {
    constexpr int kBurst = 200000;
    Bytes track;
    for (int i = 0; i < kBurst; ++i) Append(track, 0, {0x91, static_cast<std::uint8_t>(i % 128), 0x40});
    Append(track, 1000, {0xFF, 0x2F, 0x00});
    ASSERT_EQ(engine.play(OneMillisecondTrackSong(track)), kEngineOk);
    ASSERT_GE(WaitForMessage({0x91, 10, 0x40}), 0) << "the burst has begun";
    engine.stop();
    EXPECT_FALSE(engine.playing());
    WaitUntilQuiet(engine);
    std::vector<CapturedMessage> stopped = capture.Read();
    ASSERT_GE(stopped.size(), kSilenceCount);
    EXPECT_TRUE(IsSilence(stopped, stopped.size() - kSilenceCount));
    EXPECT_LT(stopped.size(), static_cast<std::size_t>(kBurst)) << "the burst did not run to its end";
    EXPECT_TRUE(HoldsFor([&] { return capture.Read().size() == stopped.size(); }, kQuietWatchMs))
        << "nothing after the stop";
}

// The messages after each reset, up to the next one, reach the port at least its pause later.
void ExpectEveryResetPaused(const std::vector<CapturedMessage>& messages) {
    for (std::size_t i = 0; i + 1 < messages.size(); ++i) {
        const Bytes& reset = messages[i].bytes;
        if (!lyra::IsResetMessage(reset.data(), reset.size())) continue;
        EXPECT_GE(messages[i + 1].ms - messages[i].ms, 50.0) << "message " << i + 1 << " after a reset";
    }
}

// A reset command, a stop and a second reset command right after it, a stop 10 ms into a song
// that opens with a reset, a play right after a reset: nothing reaches the port within a pause.
TEST_P(EngineState, AfterEveryResetThePortStaysQuietForItsPause) {
    engine.reset(lyra::ResetKind::gs);
    engine.stop();
    engine.reset(lyra::ResetKind::xg);
    Bytes track;
    Append(track, 0, SysExEvent(0xF0, Bytes(kGsReset.begin() + 1, kGsReset.end())));
    Append(track, 0, {0x90, 60, 100});
    Append(track, 500, {0xFF, 0x2F, 0x00});
    ASSERT_EQ(engine.play(OneMillisecondTrackSong(track)), kEngineOk);
    Sleep(10);
    engine.stop();
    engine.reset(lyra::ResetKind::gm);
    ASSERT_EQ(engine.play(EvenNotesSong(2, 20)), kEngineOk);
    WaitUntilQuiet(engine);
    std::vector<CapturedMessage> messages = capture.Read();
    ASSERT_GE(FindMessage(messages, NoteOn(1)), 0);
    ExpectEveryResetPaused(messages);
}

// A format-1 song whose first track divides a message around a note of the second track.
Bytes InterleavedSong() {
    Bytes first;
    Append(first, 0, SysExEvent(0xF0, {0x43, 0x10, 0x4C}));
    Append(first, 300, SysExEvent(0xF7, {0x00, 0x00, 0x7E, 0x00, 0xF7}));
    Append(first, 100, {0xFF, 0x2F, 0x00});
    Bytes second;
    Append(second, 100, {0x91, 64, 100});
    Append(second, 10, {0x81, 64, 0});
    Append(second, 290, {0xFF, 0x2F, 0x00});
    return Smf(1, 0xE728, {Track(first), Track(second)});
}

// No other message comes between the bytes of a divided message, and a stop between its packets
// leaves nothing of it open.
TEST_P(EngineState, ADividedMessageNeverReachesThePortInPieces) {
    ASSERT_EQ(engine.play(InterleavedSong()), kEngineOk);
    ASSERT_GE(WaitForMessage({0x91, 64, 100}), 0);
    engine.stop();
    WaitUntilQuiet(engine);
    for (const CapturedMessage& message : capture.Read()) EXPECT_NE(message.bytes[0], 0xF0) << "nothing of it yet";
    ASSERT_EQ(engine.play(InterleavedSong()), kEngineOk);
    WaitUntilQuiet(engine);
    std::vector<CapturedMessage> messages = capture.Read();
    int whole = FindMessage(messages, kXgSystemOn);
    ASSERT_GE(whole, 0);
    EXPECT_LT(FindMessage(messages, {0x91, 64, 100}, kSilenceCount * 2), whole) << "the note goes first";
    for (const CapturedMessage& message : messages)
        EXPECT_TRUE(message.bytes[0] != 0xF0 || message.bytes == kXgSystemOn);
}

// A device that takes a long message at once and completes it later: nothing overtakes it, and a
// reset's pause counts from the device's report.
TEST_P(EngineState, NothingOvertakesALongMessageTheDeviceHasNotFinished) {
    DeviceMode async("async,slow");
    engine.reopen(0);
    const Bytes reverb = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x33, 0x40, 0x4C, 0xF7};
    Bytes track;
    Append(track, 0, SysExEvent(0xF0, Bytes(kGsReset.begin() + 1, kGsReset.end())));
    Append(track, 0, {0x90, 60, 100});
    Append(track, 5, SysExEvent(0xF0, Bytes(reverb.begin() + 1, reverb.end())));
    Append(track, 0, {0x90, 62, 100});
    Append(track, 20, {0xFF, 0x2F, 0x00});
    ASSERT_EQ(engine.play(OneMillisecondTrackSong(track)), kEngineOk);
    WaitUntilQuiet(engine);
    std::vector<CapturedMessage> messages = capture.Read();
    int reset = FindMessage(messages, kGsReset);
    ASSERT_GE(reset, 0);
    EXPECT_EQ(messages[reset + 1].bytes, (Bytes{0x90, 60, 100}));
    EXPECT_EQ(messages[reset + 2].bytes, reverb);
    EXPECT_EQ(messages[reset + 3].bytes, (Bytes{0x90, 62, 100}));
    ExpectEveryResetPaused(messages);
}

// A refusal now and then costs nothing; a device that keeps refusing ends the play with the
// engine's error and is reset, which silences what it sounds.
TEST_P(EngineState, ARefusedMessageIsSentAgainUntilTheDeviceGivesUp) {
    {
        DeviceMode refusing("refuse=3");
        engine.reopen(0);
    }
    ASSERT_EQ(engine.play(EvenNotesSong(6, 20)), kEngineOk);
    WaitUntilQuiet(engine);
    std::vector<CapturedMessage> messages = capture.Read();
    for (int k = 0; k < 6; ++k) EXPECT_GE(FindMessage(messages, NoteOn(k)), 0) << k;
    EXPECT_TRUE(IsSilence(messages, messages.size() - kSilenceCount));
    EXPECT_EQ(engine.failure(), 0u);
    {
        DeviceMode refusing("refuse-all");
        engine.reopen(0);
    }
    std::size_t words = capture.Words().size();
    ASSERT_EQ(engine.play(EvenNotesSong(50, 20)), kEngineOk);
    WaitUntilQuiet(engine);
    EXPECT_EQ(engine.failure(), static_cast<std::uint32_t>(kEngineDeviceRefused));
    std::vector<std::string> after = capture.Words();
    EXPECT_NE(std::find(after.begin() + words, after.end(), "reset"), after.end());
    {
        DeviceMode jamming("refuse-after=180");  // jams after the song's bend and expression
        engine.reopen(0);
    }
    ASSERT_EQ(engine.play(HeldStateSong()), kEngineOk);
    ASSERT_TRUE(WaitFor([&] { return engine.failure() == kEngineDeviceRefused; }, 5000));
    engine.stop();  // its clean state cannot go out
    WaitUntilQuiet(engine);
    std::size_t before = capture.Read().size();
    ASSERT_EQ(engine.play(EvenNotesSong(3, 20)), kEngineOk);
    ASSERT_GE(WaitForMessage(NoteOn(0), before), 0);
    EXPECT_TRUE(IsSilence(capture.Read(), before)) << "the next play starts from the clean state";
}

// A device that goes away mid-song ends the play and is closed; the next play opens it again,
// which fails while it is away and plays once it is back.
TEST_P(EngineState, AnUnpluggedDeviceIsOpenedAgainOncePluggedBack) {
    {
        DeviceMode unplugging("unplug-after=200");
        engine.reopen(0);
        ASSERT_EQ(engine.play(EvenNotesSong(50, 20)), kEngineOk);
        ASSERT_TRUE(WaitFor([&] { return engine.failure() == kEngineDeviceGone; }, 5000));
        EXPECT_FALSE(engine.playing());
        EXPECT_EQ(engine.play(EvenNotesSong(3, 20)), kEngineDeviceOpenFailed) << "still away";
    }
    std::size_t before = capture.Read().size();
    ASSERT_EQ(engine.play(EvenNotesSong(3, 20)), kEngineOk);
    ASSERT_GE(WaitForMessage(NoteOn(2), before), 0);
    EXPECT_TRUE(IsSilence(capture.Read(), before)) << "from the clean state";
}

// A device that completes long messages 1.5 s late, or never: no call waits for it, and each stop
// and close leaves the port at rest (the buffer handed back by a reset, the clean state, nothing more).
TEST_P(EngineState, NoCallWaitsForASlowDevice) {
    Bytes track;
    Append(track, 0, SysExEvent(0xF0, Join({{0x7D}, Bytes(4093, 0x11), {0xF7}})));
    for (int k = 0; k < 50; ++k) Append(track, 20, NoteOn(k));
    Append(track, 20, {0xFF, 0x2F, 0x00});
    const Bytes song = OneMillisecondTrackSong(track);
    auto tookWaiting = [&](std::size_t words) {
        return WaitFor([&] { return capture.Words().size() > words && capture.Words().back() == "took"; }, 5000);
    };
    auto expectAtRest = [&](const char* mode, const char* after) {
        WaitUntilQuiet(engine);
        std::vector<CapturedMessage> messages = capture.Read();
        EXPECT_TRUE(IsSilence(messages, messages.size() - kSilenceCount)) << mode << " after " << after;
        EXPECT_TRUE(HoldsFor([&] { return capture.Read().size() == messages.size(); }, kQuietWatchMs)) << mode;
    };
    for (const char* mode : {"late=1500", "never-done"}) {
        DeviceMode slow(mode);
        engine.reopen(0);
        const std::pair<const char*, std::function<void()>> calls[] = {
            {"play", [&] { EXPECT_EQ(engine.play(song), kEngineOk); }},
            {"stop", [&] { engine.stop(); }},
            {"play", [&] { EXPECT_EQ(engine.play(song), kEngineOk); }},
            {"seek",
             [&] {
                 engine.stop();
                 engine.seek(5);
                 engine.restart();
             }},
            {"reset", [&] { engine.reset(lyra::ResetKind::gs); }},
            {"stop", [&] { engine.stop(); }},
            {"close", [&] { engine.close(); }},
        };
        for (const auto& [name, call] : calls) {
            // A device that never finishes a long message cannot take a reset either.
            if (std::string(name) == "reset" && std::string(mode) == "never-done") continue;
            std::size_t words = capture.Words().size();
            const ULONGLONG start = GetTickCount64();
            call();
            // The device takes 1.5 s, or never reports done.
            EXPECT_LT(GetTickCount64() - start, 500u) << mode << ": " << name << " waited for the device";
            if (std::string(name) == "play" || std::string(name) == "seek") {
                EXPECT_TRUE(tookWaiting(words)) << mode;
            }
            if (std::string(name) == "stop" || std::string(name) == "close") expectAtRest(mode, name);
        }
    }
}

// Before the target, 400 000 ten-byte GS messages (5 MiB) or 16 MiB of 4-KiB messages: a seek
// takes at most the song twice and 16 MiB.
TEST_P(EngineState, ASeekInASongFullOfSystemExclusiveTakesLittleMemory) {
    engine.reopen(0);  // no mapper: each message reaches the record once
    const struct {
        int count;
        int perTick;
        std::function<Bytes(int)> body;
    } songs[] = {
        {400000, 100,
         [](int i) {
             auto part = static_cast<std::uint8_t>(0x10 | (i % 16)), level = static_cast<std::uint8_t>(i % 128);
             auto sum = static_cast<std::uint8_t>((256 - 0x40 - part - 0x19 - level) % 128);
             return Bytes{0x41, 0x10, 0x42, 0x12, 0x40, part, 0x19, level, sum, 0xF7};  // part level
         }},
        {4096, 1,
         [](int) {
             return Join({{0x7D}, Bytes(4093, 0x11), {0xF7}});
         }},  // non-commercial
    };
    for (const auto& row : songs) {
        // Built in place: a copy on the way would raise the peak before the engine has the song.
        Bytes song = Header(0, 1, 0xE728);
        song.reserve(row.count * (row.body(0).size() + 5) + 64);
        song.insert(song.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
        for (int i = 0; i < row.count; ++i) Append(song, i % row.perTick == 0 && i > 0, SysExEvent(0xF0, row.body(i)));
        Append(song, 1000, {0x90, 60, 100});  // at about 5 s
        Append(song, 100, {0xFF, 0x2F, 0x00});
        const std::size_t trackLength = song.size() - 22;
        for (int i = 0; i < 4; ++i) song[18 + i] = static_cast<std::uint8_t>(trackLength >> (24 - 8 * i));
        const std::size_t before = WorkingSetBytes();
        const std::size_t heard = capture.Read().size();
        ASSERT_EQ(engine.play(song), kEngineOk);
        engine.stop();
        ASSERT_EQ(engine.seek(45), kEngineOk);  // 4.5 s: after every message
        ASSERT_EQ(engine.restart(), kEngineOk);
        // Played on from the target: the chase is over. The record is read only then, since
        // reading it takes memory of its own.
        ASSERT_TRUE(WaitFor([&] { return engine.position() > 45; }, 10000)) << row.count;
        EXPECT_LE(PeakWorkingSetBytes() - before, 2 * song.size() + (16u << 20)) << row.count;
        EXPECT_GE(WaitForMessage({0x90, 60, 100}, heard), 0) << row.count;
    }
}

// Format 1, two tracks with a divided message open at once (Roland's from 0 to 200 ms, Yamaha's
// from 100 to 300 ms), a note at 400 ms: each reaches the port whole, played and chased.
TEST_P(EngineState, EachTracksDividedMessageReachesThePortWhole) {
    const Bytes reverb = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x33, 0x40, 0x4C, 0xF7};
    const Bytes partVolume = {0xF0, 0x43, 0x10, 0x4C, 0x08, 0x00, 0x0B, 0x40, 0xF7};
    Bytes first, second;
    Append(first, 0, SysExEvent(0xF0, {0x41, 0x10, 0x42}));
    Append(first, 200, SysExEvent(0xF7, Bytes(reverb.begin() + 4, reverb.end())));
    Append(first, 300, {0xFF, 0x2F, 0x00});
    Append(second, 100, SysExEvent(0xF0, {0x43, 0x10, 0x4C}));
    Append(second, 200, SysExEvent(0xF7, Bytes(partVolume.begin() + 4, partVolume.end())));
    Append(second, 100, {0x91, 64, 100});
    Append(second, 100, {0xFF, 0x2F, 0x00});
    ASSERT_EQ(engine.play(Smf(1, 0xE728, {Track(first), Track(second)})), kEngineOk);
    for (bool chased : {false, true}) {
        std::size_t before = 0;
        if (chased) {
            engine.stop();
            WaitUntilQuiet(engine);
            before = capture.Read().size();
            engine.seek(4);
            engine.restart();
        }
        ASSERT_GE(WaitForMessage({0x91, 64, 100}, before), 0) << chased;
        std::vector<CapturedMessage> messages = capture.Read();
        EXPECT_GE(FindMessage(messages, reverb, before), 0) << chased;
        EXPECT_GE(FindMessage(messages, partVolume, before), 0) << chased;
        for (std::size_t i = before; i < messages.size(); ++i) {
            EXPECT_TRUE(messages[i].bytes[0] != 0xF0 || messages[i].bytes == reverb || messages[i].bytes == partVolume);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothExportSets, EngineState, ::testing::Values("Lfon", "Lyrafon"));

}  // namespace
