// The volume dialog in-process: the id tables, what OK stores up to the first rejected track, the
// boxes it shows, and its answers to spin controls.
#include "dialog_fixture.h"
#include "res/resource.h"
#include "settings/settings_dialogs.h"
#include "ui/messages.h"

namespace {

const std::string kVolumeApplied = "音量の調整を適応しました。";
const std::string kBadNumber = "数値が不正です。";
const std::string kNotDecimal = "文字列が10進表記と判断できませんでした。";

// Track k's edit and "絶対音量" box: the ids do not follow the tracks.
constexpr int kEditIds[kTrackCount] = {1009, 1033, 1034, 1035, 1036, 1037, 1038, 1039,
                                       1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047};
constexpr int kBoxIds[kTrackCount] = {1008, 1010, 1012, 1014, 1016, 1018, 1020, 1022,
                                      1024, 1026, 1028, 1030, 1025, 1027, 1029, 1031};
int Edit(int track) { return kEditIds[track - 1]; }
int Box(int track) { return kBoxIds[track - 1]; }

class VolumeDialogTest : public DialogTest {
protected:
    void OpenVolume() { ASSERT_NE(Open(IDD_VOLUME, VolumeDialogProc), nullptr); }
    void Reopen() {
        DestroyWindow(dialog_);
        dialog_ = nullptr;
        OpenVolume();
    }
};

TEST_F(VolumeDialogTest, OpensWithTheDefaults) {
    OpenVolume();
    EXPECT_EQ(WindowText(dialog_), "音量の調整");
    for (int track = 1; track <= kTrackCount; ++track) {
        EXPECT_EQ(Text(Edit(track)), "100") << track;
        EXPECT_EQ(TextLimit(Edit(track)), 4) << track;
        EXPECT_FALSE(Checked(Box(track))) << track;
    }
    EXPECT_FALSE(Checked(IDC_VOLUME_ALL_ABSOLUTE));
}

TEST_F(VolumeDialogTest, ShowsEachTrackInItsOwnControls) {
    for (int track = 1; track <= kTrackCount; ++track) {
        conversionSettings.volume[track - 1] = static_cast<std::uint8_t>(track * 7);
        conversionSettings.absoluteVolume[track - 1] = track % 3 == 0 ? 1 : 0;
    }
    OpenVolume();
    for (int track = 1; track <= kTrackCount; ++track) {
        EXPECT_EQ(Text(Edit(track)), std::to_string(track * 7)) << track;
        EXPECT_EQ(Checked(Box(track)), track % 3 == 0) << track;
    }
}

TEST_F(VolumeDialogTest, OkStoresEveryTrackThroughTheTables) {
    OpenVolume();
    for (int track = 1; track <= kTrackCount; ++track) {
        SetText(Edit(track), std::to_string(track * 11));
        SetChecked(Box(track), track % 2 == 0 && track * 11 <= 127);
    }
    const size_t before = LogMessages().size();
    Click(IDC_APPLY_BUTTON);
    EXPECT_FALSE(IsOpen());
    for (int track = 1; track <= kTrackCount; ++track) {
        EXPECT_EQ(conversionSettings.volume[track - 1], track * 11) << track;
        EXPECT_EQ(conversionSettings.absoluteVolume[track - 1], track % 2 == 0 && track * 11 <= 127 ? 1 : 0) << track;
    }
    EXPECT_EQ(LinesAfter(LogMessages(), before), std::vector<std::string>{kVolumeApplied});
}

// One entry in track 1: stored, or rejected with its text in a box under the dialog's caption.
TEST_F(VolumeDialogTest, EntriesStoredOrRejected) {
    const struct {
        const char* text;
        bool absolute;
        const std::string* rejection;  // null: stored
        int stored;                    // the volume kept afterwards
        int absoluteAfter;             // the flag kept afterwards
    } cases[] = {
        {"200", false, nullptr, 200, 0},       {"201", false, &kBadNumber, 90, 0}, {"127", true, nullptr, 127, 1},
        {"128", true, &kBadNumber, 90, 1},     {"-5", false, &kNotDecimal, 90, 0}, {"-5", true, &kNotDecimal, 90, 0},
        {"0100", false, nullptr, 100, 0},      {"", false, &kBadNumber, 90, 0},    {"abc", false, &kNotDecimal, 90, 0},
        {"1a", false, &kNotDecimal, 90, 0},    {"0", true, nullptr, 0, 1},         {"5 ", false, nullptr, 5, 0},
        {"１５０", false, nullptr, 150, 0},    {"　", false, &kBadNumber, 90, 0},  {"－５", false, &kNotDecimal, 90, 0},
        {"２５０", false, &kBadNumber, 90, 0}, {"２００", false, nullptr, 200, 0},
    };
    for (const auto& c : cases) {
        conversionSettings.volume[0] = 90;
        conversionSettings.absoluteVolume[0] = 0;
        Reopen();
        Type(Edit(1), c.text);
        SetChecked(Box(1), c.absolute);
        const size_t before = LogMessages().size();
        const std::vector<SeenBox> seen = EnterAnswering(Edit(16));
        const std::string name = std::string("\"") + c.text + "\" absolute " + std::to_string(c.absolute);
        EXPECT_EQ(conversionSettings.volume[0], c.stored) << name;
        EXPECT_EQ(conversionSettings.absoluteVolume[0], c.absoluteAfter) << name;
        if (c.rejection) {
            ASSERT_EQ(seen.size(), 1u) << name;
            EXPECT_EQ(seen[0].text, *c.rejection) << name;
            EXPECT_EQ(seen[0].caption, "音量の調整") << name;
            EXPECT_TRUE(ShowsRefused(Edit(1))) << name;
            EXPECT_FALSE(seen[0].icon) << name;
            EXPECT_TRUE(IsOpen()) << name;
            EXPECT_EQ(LogMessages().size(), before) << name;
        } else {
            EXPECT_TRUE(seen.empty()) << name;
            EXPECT_FALSE(IsOpen()) << name;
            EXPECT_EQ(LinesAfter(LogMessages(), before), std::vector<std::string>{kVolumeApplied}) << name;
        }
    }
}

TEST_F(VolumeDialogTest, ErrorAtTrackFiveKeepsTracksOneToFour) {
    OpenVolume();
    for (int track = 1; track <= 4; ++track) SetText(Edit(track), std::to_string(track));
    SetText(Edit(5), "250");
    SetChecked(Box(5), true);
    SetText(Edit(6), "60");
    const size_t before = LogMessages().size();
    ASSERT_EQ(ClickAnswering(IDC_APPLY_BUTTON).size(), 1u);
    EXPECT_TRUE(IsOpen());
    for (int track = 1; track <= 4; ++track) EXPECT_EQ(conversionSettings.volume[track - 1], track) << track;
    EXPECT_EQ(conversionSettings.volume[4], 100) << "the rejected track keeps its volume";
    EXPECT_EQ(conversionSettings.absoluteVolume[4], 1) << "but has its new flag";
    EXPECT_EQ(conversionSettings.volume[5], 100) << "tracks after it are untouched";
    EXPECT_EQ(LogMessages().size(), before);

    // Cancel after the failed OK closes without undoing what was stored.
    Click(IDCANCEL);
    EXPECT_FALSE(IsOpen());
    for (int track = 1; track <= 4; ++track) EXPECT_EQ(conversionSettings.volume[track - 1], track) << track;
    EXPECT_EQ(conversionSettings.absoluteVolume[4], 1);
    EXPECT_EQ(LogMessages().size(), before);
}

TEST_F(VolumeDialogTest, AllAbsoluteSetsEveryBoxAndCancelStoresNothing) {
    OpenVolume();
    SetChecked(IDC_VOLUME_ALL_ABSOLUTE, true);
    Click(IDC_VOLUME_ALL_ABSOLUTE);
    for (int track = 1; track <= kTrackCount; ++track) EXPECT_TRUE(Checked(Box(track))) << track;
    SetChecked(IDC_VOLUME_ALL_ABSOLUTE, false);
    Click(IDC_VOLUME_ALL_ABSOLUTE);
    for (int track = 1; track <= kTrackCount; ++track) EXPECT_FALSE(Checked(Box(track))) << track;

    const ConversionSettings before = conversionSettings;
    SetChecked(IDC_VOLUME_ALL_ABSOLUTE, true);
    Click(IDC_VOLUME_ALL_ABSOLUTE);
    Click(IDCANCEL);
    EXPECT_TRUE(conversionSettings == before);
}

TEST_F(VolumeDialogTest, AllAbsoluteRejectsTheFirstVolumeAbove127) {
    OpenVolume();
    SetText(Edit(3), "150");
    SetText(Edit(7), "180");
    SetChecked(IDC_VOLUME_ALL_ABSOLUTE, true);
    Click(IDC_VOLUME_ALL_ABSOLUTE);
    const std::vector<SeenBox> seen = ClickAnswering(IDC_APPLY_BUTTON);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, kBadNumber);
    EXPECT_EQ(conversionSettings.absoluteVolume[0], 1);
    EXPECT_EQ(conversionSettings.absoluteVolume[1], 1);
    EXPECT_EQ(conversionSettings.absoluteVolume[2], 1);
    EXPECT_EQ(conversionSettings.volume[2], 100);
    EXPECT_EQ(conversionSettings.absoluteVolume[3], 0) << "rejected at track 3";
}

TEST_F(VolumeDialogTest, HintShowsTextThirtySeven) {
    OpenVolume();
    const std::vector<SeenBox> seen = ClickAnswering(IDC_HINT_LINK);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "曲替丸");
    EXPECT_EQ(seen[0].text, LoadText(appInstance, IDS_VOLUME_HINT));
    EXPECT_NE(seen[0].text.find("絶対音量"), std::string::npos);
    EXPECT_TRUE(seen[0].icon);
}

TEST_F(VolumeDialogTest, SpinNotificationsReachTheirTracksEdit) {
    OpenVolume();
    for (int index = 0; index < kTrackCount; ++index) {
        EXPECT_EQ(SpinNotify(2000 + index, 11, 150 + index), TRUE);
        EXPECT_EQ(Text(Edit(index + 1)), std::to_string(150 + index)) << index;
    }
    EXPECT_EQ(SpinNotify(2009, 12, 3), TRUE);
    EXPECT_EQ(Text(Edit(10)), "3");

    // The step starts from the number the user sees; without one, from the control's own value.
    const struct {
        const char* text;
        std::int32_t answer;
    } asks[] = {{"77", 77}, {"5 ", 5}, {"12x", 12}, {"", 100}, {"x5", 100}};
    for (const auto& a : asks) {
        SetText(Edit(13), a.text);
        EXPECT_EQ(AskSpinValue(2012, 100), a.answer) << a.text;
    }

    // Other ids and codes change nothing.
    const std::string before = Text(Edit(1));
    EXPECT_EQ(SpinNotify(2016, 11, 5), TRUE);
    EXPECT_EQ(SpinNotify(1999, 11, 5), TRUE);
    EXPECT_EQ(SpinNotify(2000, 13, 5), TRUE);
    EXPECT_EQ(AskSpinValue(2016, 42), 42);
    EXPECT_EQ(Text(Edit(1)), before);
}

}  // namespace
