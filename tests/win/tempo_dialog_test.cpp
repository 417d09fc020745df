// The tempo dialog in-process: 1 to 250 in digits only, no log line, its answers to the spin control.
#include "dialog_fixture.h"
#include "res/resource.h"
#include "settings/settings_dialogs.h"

namespace {

const std::string kBadNumber = "数値が不正です。";
const std::string kNotDecimal = "文字列が10進表記と判断できませんでした。";

class TempoDialogTest : public DialogTest {
protected:
    void OpenTempo() { ASSERT_NE(Open(IDD_TEMPO, TempoDialogProc), nullptr); }
};

TEST_F(TempoDialogTest, OpensWithTheStoredTempo) {
    for (std::uint16_t tempo : {100, 1, 250}) {
        conversionSettings.tempoPercent = tempo;
        OpenTempo();
        EXPECT_EQ(WindowText(dialog_), "テンポの調整");
        EXPECT_EQ(Text(IDC_TEMPO_EDIT), std::to_string(tempo));
        EXPECT_EQ(TextLimit(IDC_TEMPO_EDIT), 4);
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_F(TempoDialogTest, EntriesStoredOrRejectedWithoutALogLine) {
    const struct {
        const char* text;
        const std::string* rejection;  // null: stored
        int stored;
    } cases[] = {
        {"1", nullptr, 1},         {"250", nullptr, 250},     {"20", nullptr, 20},          {"0150", nullptr, 150},
        {"251", &kBadNumber, 100}, {"0", &kBadNumber, 100},   {"", &kBadNumber, 100},       {"9999", &kBadNumber, 100},
        {"+5", &kNotDecimal, 100}, {"-5", &kNotDecimal, 100}, {"5 ", nullptr, 5},           {"abc", &kNotDecimal, 100},
        {"２５０", nullptr, 250},  {"　", &kBadNumber, 100},  {"２５１", &kBadNumber, 100}, {"１２０", nullptr, 120}};
    for (const auto& c : cases) {
        conversionSettings.tempoPercent = 100;
        OpenTempo();
        Type(IDC_TEMPO_EDIT, c.text);
        const size_t before = LogMessages().size();
        const std::vector<SeenBox> seen = EnterAnswering(IDC_APPLY_BUTTON);
        EXPECT_EQ(conversionSettings.tempoPercent, c.stored) << c.text;
        EXPECT_EQ(LogMessages().size(), before) << c.text;
        if (c.rejection) {
            ASSERT_EQ(seen.size(), 1u) << c.text;
            EXPECT_EQ(seen[0].text, *c.rejection) << c.text;
            EXPECT_EQ(seen[0].caption, "テンポの調整") << c.text;
            EXPECT_TRUE(ShowsRefused(IDC_TEMPO_EDIT)) << c.text;
            EXPECT_FALSE(seen[0].icon) << c.text;
            EXPECT_TRUE(IsOpen()) << c.text;
        } else {
            EXPECT_TRUE(seen.empty()) << c.text;
            EXPECT_FALSE(IsOpen()) << c.text;
        }
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_F(TempoDialogTest, CancelAfterAFailedOkKeepsTheOldTempo) {
    conversionSettings.tempoPercent = 80;
    OpenTempo();
    SetText(IDC_TEMPO_EDIT, "251");
    ASSERT_EQ(ClickAnswering(IDC_APPLY_BUTTON).size(), 1u);
    Click(IDCANCEL);
    EXPECT_FALSE(IsOpen());
    EXPECT_EQ(conversionSettings.tempoPercent, 80);
}

TEST_F(TempoDialogTest, AnswersTheSpinWhateverItsId) {
    OpenTempo();
    const struct {
        const char* text;
        std::int32_t answer;
    } asks[] = {{"120", 120}, {" 42x", 42}, {"-7", -7},
                {"+9", 9},    {"abc", 555}, {"", 555}};  // no number: the control's own
    for (const auto& a : asks) {
        SetText(IDC_TEMPO_EDIT, a.text);
        for (int id : {2000, 0, 3000}) EXPECT_EQ(AskSpinValue(id, 555), a.answer) << a.text << " id " << id;
    }
    EXPECT_EQ(SpinNotify(2000, 11, 121), TRUE);
    EXPECT_EQ(Text(IDC_TEMPO_EDIT), "121");
    EXPECT_EQ(SpinNotify(77, 12, 20), TRUE);
    EXPECT_EQ(Text(IDC_TEMPO_EDIT), "20");
    EXPECT_EQ(SpinNotify(2000, 13, 5), TRUE);
    EXPECT_EQ(Text(IDC_TEMPO_EDIT), "20");
    EXPECT_EQ(conversionSettings.tempoPercent, 100) << "nothing stored before OK";
}

}  // namespace
