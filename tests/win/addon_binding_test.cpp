// Binding rfk32.dll at start-up: each case runs start-up with one library (or none) in the current
// folder, where LoadLibrary finds it, and compares the log and what the dialogs get.
#include "dialog_fixture.h"
#include "res/resource.h"
#include "settings/settings_dialogs.h"

#include <ostream>

namespace {

struct BindingCase {
    const char* name;
    const char* folder;               // relative to this program; no rfk32.dll in tests/win itself
    std::vector<std::string> logged;  // the log's lines about the add-on
    unsigned version;                 // 0: not bound
};

void PrintTo(const BindingCase& c, std::ostream* out) { *out << c.name; }

const std::string kNotFound = "！　rfk32.dll が見つかりません。無視しました。";
const std::string kNoEntry = "！　rfk32.dll エントリー関数を取得できません。";
const std::string kTooOld = "！　rfk32.dll のバージョンが古すぎます。";
const std::string kUnloaded = "！　rfk32.dll をアンロードしました。";

// Start-up with the case's folder as the current folder.
class AddOnBindingTest : public DialogTest, public testing::WithParamInterface<BindingCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(EnterAddOnFolder(GetParam().folder)) << GetParam().folder;
        DialogTest::SetUp();
    }

    // The log's lines about the add-on, from `first` on.
    std::vector<std::string> AddOnLines(size_t first = 0) const {
        std::vector<std::string> lines;
        const std::vector<std::string> messages = LogMessages();
        for (size_t i = first; i < messages.size(); ++i) {
            if (messages[i].find("rfk32.dll") != std::string::npos) lines.push_back(messages[i]);
        }
        return lines;
    }
};

TEST_P(AddOnBindingTest, LogsItsOutcomeInOrder) {
    EXPECT_EQ(AddOnLines(), GetParam().logged);
    EXPECT_EQ(LogMessages().at(1), GetParam().logged.front()) << "right after the first line";
}

TEST_P(AddOnBindingTest, KeepsTheLibraryOnlyWhenBound) {
    const BindingCase& c = GetParam();
    EXPECT_EQ(AddOnVersion(), c.version);
    EXPECT_EQ(AddOnOffersSpin(), c.version != 0);
    EXPECT_EQ(GetModuleHandleA("rfk32.dll") != nullptr, c.version != 0);
}

TEST_P(AddOnBindingTest, DialogsHaveSpinControlsOnlyWhenBound) {
    const bool bound = GetParam().version != 0;
    const struct {
        int templateId;
        DLGPROC procedure;
        int lastSpin;
    } dialogs[] = {{IDD_TONE, ToneDialogProc, 2000},
                   {IDD_VOLUME, VolumeDialogProc, 2015},
                   {IDD_INSTRUMENT, InstrumentDialogProc, 2015},
                   {IDD_TEMPO, TempoDialogProc, 2000}};
    for (const auto& d : dialogs) {
        ASSERT_NE(Open(d.templateId, d.procedure), nullptr);
        for (int id = IDC_ADDON_SPIN_FIRST; id <= d.lastSpin; ++id) {
            EXPECT_EQ(Item(id) != nullptr, bound) << d.templateId << " spin " << id;
        }
        EXPECT_EQ(Item(d.lastSpin + 1), nullptr) << d.templateId;
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_P(AddOnBindingTest, BindingAgainReleasesFirst) {
    const BindingCase& c = GetParam();
    const size_t before = LogMessages().size();
    BindAddOn();
    std::vector<std::string> expected = c.logged;
    if (c.version != 0) expected.insert(expected.begin(), kUnloaded);
    EXPECT_EQ(AddOnLines(before), expected);
    EXPECT_EQ(AddOnVersion(), c.version);
}

TEST_P(AddOnBindingTest, UnbindingReleasesAndLogsOnlyWhenBound) {
    const BindingCase& c = GetParam();
    const size_t before = LogMessages().size();
    UnbindAddOn();
    const std::vector<std::string> after = LogMessages();
    ASSERT_EQ(after.size(), before + (c.version != 0 ? 1 : 0));
    if (c.version != 0) {
        EXPECT_EQ(after.back(), kUnloaded);
    }
    EXPECT_EQ(AddOnVersion(), 0u);
    EXPECT_FALSE(AddOnOffersSpin());
    EXPECT_EQ(GetModuleHandleA("rfk32.dll"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, AddOnBindingTest,
    testing::Values(BindingCase{"Missing", ".", {kNotFound}, 0},
                    BindingCase{"WithoutVersion", "..\\dlls\\no_version", {kUnloaded, kNoEntry}, 0},
                    BindingCase{"WithoutCreate", "..\\dlls\\no_create", {kUnloaded, kNoEntry}, 0},
                    BindingCase{"Version13", "..\\dlls\\version_13", {kTooOld, kUnloaded}, 0},
                    BindingCase{"Version0", "..\\dlls\\version_0", {kTooOld, kUnloaded}, 0},
                    BindingCase{
                        "Version14", "..\\dlls\\version_14", {"rfk32.dll Version 14 を正しくロードしました。"}, 0x14},
                    BindingCase{"Ours", "..\\..\\bin", {"rfk32.dll Version 20 を正しくロードしました。"}, 0x20}),
    [](const testing::TestParamInfo<BindingCase>& info) { return std::string(info.param.name); });

}  // namespace
