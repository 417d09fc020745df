// The instrument dialog in-process: the edits, the list of names and the target edit a
// double-clicked name goes to, what OK stores up to the first rejected track.
#include "dialog_fixture.h"
#include "res/resource.h"
#include "settings/instrument_list.h"
#include "settings/settings_dialogs.h"
#include "ui/messages.h"

namespace {

const std::string kInstrumentApplied = "楽器の調整を適応しました。";
const std::string kFileNotRead = "！　楽器定義ファイルを正しく読み込めませんでした。";
const std::string kBadNumber = "数値が不正です。";
const std::string kNotDecimal = "文字列が10進表記と判断できませんでした。";

int Edit(int track) { return 1052 + track; }

class InstrumentDialogTest : public DialogTest {
protected:
    void OpenInstrument() { ASSERT_NE(Open(IDD_INSTRUMENT, InstrumentDialogProc), nullptr); }
    void Reopen() {
        DestroyWindow(dialog_);
        dialog_ = nullptr;
        OpenInstrument();
    }
    // The list with names "n0" .. "n<count-1>" instead of what the file gave.
    void FillList(int count) {
        HWND list = Item(IDC_INSTRUMENT_LIST);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        for (int n = 0; n < count; ++n)
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("n" + std::to_string(n)).c_str()));
    }
    void DoubleClickEntry(int index) {
        SendDlgItemMessageA(dialog_, IDC_INSTRUMENT_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Notify(IDC_INSTRUMENT_LIST, LBN_DBLCLK);
    }
};

// This program's folder holds no Instrmnt.txt.
TEST_F(InstrumentDialogTest, OpensWithTheDefaultsAndAMissingNamesFile) {
    const size_t before = LogMessages().size();
    OpenInstrument();
    EXPECT_EQ(WindowText(dialog_), "楽器の調整");
    for (int track = 1; track <= kTrackCount; ++track) EXPECT_EQ(Text(Edit(track)), "128") << track;
    for (int track = 1; track <= kTrackCount; ++track) EXPECT_EQ(TextLimit(Edit(track)), 9) << track;
    EXPECT_EQ(ListItems(Item(IDC_INSTRUMENT_LIST)), std::vector<std::string>{"File not found."});
    EXPECT_EQ(LinesAfter(LogMessages(), before), std::vector<std::string>{kFileNotRead});

    // Double-clicking the one entry writes 0 into the target edit.
    DoubleClickEntry(0);
    EXPECT_EQ(Text(Edit(1)), "0");
}

TEST_F(InstrumentDialogTest, ShowsEachTracksInstrument) {
    for (int track = 1; track <= kTrackCount; ++track)
        conversionSettings.instrument[track - 1] = static_cast<std::uint8_t>(track * 8 - 1);
    conversionSettings.instrument[15] = 0;
    OpenInstrument();
    for (int track = 1; track < kTrackCount; ++track)
        EXPECT_EQ(Text(Edit(track)), std::to_string(track * 8 - 1)) << track;
    EXPECT_EQ(Text(Edit(16)), "0");
}

TEST_F(InstrumentDialogTest, DoubleClickWritesIntoTheLastUsedEdit) {
    OpenInstrument();
    FillList(129);
    DoubleClickEntry(5);
    EXPECT_EQ(Text(Edit(1)), "5") << "no edit used yet: track 1";

    SetFocus(Item(Edit(12)));  // the edit's own focus notice, as a click in it gives
    PumpPending();
    DoubleClickEntry(5);
    EXPECT_EQ(Text(Edit(12)), "5");
    EXPECT_EQ(Text(Edit(1)), "5");

    Notify(Edit(16), EN_CHANGE);  // typed in: the target
    DoubleClickEntry(128);
    EXPECT_EQ(Text(Edit(16)), "128");

    // A spin control's notification makes its track's edit the target too.
    SpinNotify(2003, 10, 0);
    DoubleClickEntry(40);
    EXPECT_EQ(Text(Edit(4)), "40");

    // A single click in the list or no selection writes nothing.
    Notify(IDC_INSTRUMENT_LIST, LBN_SELCHANGE);
    SendDlgItemMessageA(dialog_, IDC_INSTRUMENT_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    Notify(IDC_INSTRUMENT_LIST, LBN_DBLCLK);
    EXPECT_EQ(Text(Edit(4)), "40");
    EXPECT_EQ(conversionSettings.instrument[3], 128) << "nothing stored before OK";
    SendDlgItemMessageA(dialog_, IDC_INSTRUMENT_LIST, LB_SETCURSEL, 5, 0);
    PressKey(Item(Edit(16)), VK_TAB);  // into the list, Down to the next name, Enter picks it
    for (int key : {VK_DOWN, VK_RETURN}) PressKey(Item(IDC_INSTRUMENT_LIST), key);
    EXPECT_TRUE(IsOpen() && Text(Edit(16)) == "6") << Text(Edit(16));

    // Typed into track 12, then Tab to the list passes tracks 13 to 16: the name goes to track 12.
    Type(Edit(12), "50");
    for (int track = 12; track <= 16; ++track) PressKey(Item(Edit(track)), VK_TAB);
    for (int key : {VK_DOWN, VK_RETURN}) PressKey(Item(IDC_INSTRUMENT_LIST), key);
    EXPECT_EQ(Text(Edit(12)), "7");
    EXPECT_EQ(Text(Edit(16)), "6");
    // Enter on 決定 applies and closes.
    PressKey(Item(IDC_APPLY_BUTTON), VK_RETURN);
    EXPECT_FALSE(IsOpen());
    EXPECT_EQ(conversionSettings.instrument[11], 7);
}

TEST_F(InstrumentDialogTest, EntriesStoredOrRejected) {
    const struct {
        const char* text;
        const std::string* rejection;  // null: stored
        int stored;
    } cases[] = {
        {"128", nullptr, 128},     {"0", nullptr, 0},        {"127", nullptr, 127},          {"", &kBadNumber, 60},
        {"007", nullptr, 7},       {"129", &kBadNumber, 60}, {"999999999", &kBadNumber, 60}, {"-1", &kNotDecimal, 60},
        {"abc", &kNotDecimal, 60}, {"1a", &kNotDecimal, 60}, {"+5", &kNotDecimal, 60},       {"１２０", nullptr, 120},
        {" 7　", nullptr, 7}};
    for (const auto& c : cases) {
        conversionSettings.instrument[0] = 60;
        Reopen();
        Type(Edit(1), c.text);
        const size_t before = LogMessages().size();
        const std::vector<SeenBox> seen = EnterAnswering(Edit(16));
        EXPECT_EQ(conversionSettings.instrument[0], c.stored) << c.text;
        if (c.rejection) {
            ASSERT_EQ(seen.size(), 1u) << c.text;
            EXPECT_EQ(seen[0].text, *c.rejection) << c.text;
            EXPECT_EQ(seen[0].caption, "楽器の調整") << c.text;
            EXPECT_TRUE(ShowsRefused(Edit(1))) << c.text;
            EXPECT_FALSE(seen[0].icon) << c.text;
            EXPECT_TRUE(IsOpen()) << c.text;
            EXPECT_EQ(LogMessages().size(), before) << c.text;
        } else {
            EXPECT_TRUE(seen.empty()) << c.text;
            EXPECT_FALSE(IsOpen()) << c.text;
            EXPECT_EQ(LinesAfter(LogMessages(), before), std::vector<std::string>{kInstrumentApplied}) << c.text;
        }
    }
}

TEST_F(InstrumentDialogTest, ErrorAtTrackFiveKeepsTracksOneToFourAndCancelKeepsThem) {
    OpenInstrument();
    for (int track = 1; track <= 4; ++track) SetText(Edit(track), std::to_string(track * 10));
    SetText(Edit(5), "x");
    SetText(Edit(6), "6");
    const size_t before = LogMessages().size();
    ASSERT_EQ(ClickAnswering(IDC_APPLY_BUTTON).size(), 1u);
    EXPECT_TRUE(IsOpen());
    for (int track = 1; track <= 4; ++track) EXPECT_EQ(conversionSettings.instrument[track - 1], track * 10) << track;
    EXPECT_EQ(conversionSettings.instrument[4], 128);
    EXPECT_EQ(conversionSettings.instrument[5], 128);
    Click(IDCANCEL);
    EXPECT_FALSE(IsOpen());
    for (int track = 1; track <= 4; ++track) EXPECT_EQ(conversionSettings.instrument[track - 1], track * 10) << track;
    EXPECT_EQ(LogMessages().size(), before);
}

TEST_F(InstrumentDialogTest, HintShowsTextThirtySix) {
    OpenInstrument();
    const std::vector<SeenBox> seen = ClickAnswering(IDC_HINT_LINK);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "曲替丸");
    EXPECT_EQ(seen[0].text, LoadText(appInstance, IDS_INSTRUMENT_HINT));
    EXPECT_NE(seen[0].text.find("128"), std::string::npos);
    EXPECT_TRUE(seen[0].icon);
}

TEST_F(InstrumentDialogTest, SpinNotificationsReachTheirTracksEdit) {
    OpenInstrument();
    for (int index = 0; index < kTrackCount; ++index) {
        EXPECT_EQ(SpinNotify(2000 + index, index % 2 ? 11 : 12, index * 3), TRUE);
        EXPECT_EQ(Text(Edit(index + 1)), std::to_string(index * 3)) << index;
    }
    SetText(Edit(7), "42");
    EXPECT_EQ(AskSpinValue(2006, 0), 42);
    const std::string before = Text(Edit(1));
    EXPECT_EQ(SpinNotify(2016, 11, 1), TRUE);
    EXPECT_EQ(Text(Edit(1)), before);
}

// The names file read from a chosen place: the list it gives, or its one reason.
TEST_F(InstrumentDialogTest, NamesFileIntoTheList) {
    ScratchFolder folder;
    std::string lines;
    for (int n = 0; n < 200; ++n) lines += "name" + std::to_string(n) + "\r\n";
    WriteFileBytes(folder.File("long.txt"), lines);
    WriteFileBytes(folder.File("short.txt"), "Piano\r\n\r\nOrgan");
    WriteFileBytes(folder.File("readonly.txt"), "Piano\r\n");
    SetFileAttributesA(folder.File("readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    OpenInstrument();
    HWND list = Item(IDC_INSTRUMENT_LIST);

    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(LoadInstrumentNamesFrom(list, folder.File("long.txt").c_str()), 0);
    const std::vector<std::string> names = ListItems(list);
    ASSERT_EQ(names.size(), 129u);
    EXPECT_EQ(names[0], "name0");
    EXPECT_EQ(names[128], "name128");

    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(LoadInstrumentNamesFrom(list, folder.File("short.txt").c_str()), 0);
    EXPECT_EQ(ListItems(list), (std::vector<std::string>{"Piano", ""}));

    // Only read: a read-only names file is still read.
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(LoadInstrumentNamesFrom(list, folder.File("readonly.txt").c_str()), 0);
    EXPECT_EQ(ListItems(list), std::vector<std::string>{"Piano"});
    SetFileAttributesA(folder.File("readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    // A file another program holds without sharing cannot be opened.
    HANDLE held = CreateFileA(folder.File("short.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(LoadInstrumentNamesFrom(list, folder.File("short.txt").c_str()), 1);
    EXPECT_EQ(ListItems(list), std::vector<std::string>{"Cannot open file."});
    CloseHandle(held);

    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(LoadInstrumentNamesFrom(list, folder.File("none.txt").c_str()), 1);
    EXPECT_EQ(ListItems(list), std::vector<std::string>{"File not found."});
}

}  // namespace
