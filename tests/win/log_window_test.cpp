#include "program_fixture.h"
#include "res/resource.h"
#include "ui/messages.h"
#include "ui/window_dpi.h"

namespace {

class LogWindowTest : public ProgramTest {
protected:
    bool Checked() const { return (GetMenuState(GetMenu(main_), IDM_TOGGLE_LOG, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    bool Shown() const { return IsWindowVisible(logWindow->Window()) != 0; }
};

TEST_F(LogWindowTest, StartsHiddenAndUnchecked) {
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(Checked());
    EXPECT_EQ(WindowText(logWindow->Window()), "ログ");
    RECT frame;
    GetWindowRect(logWindow->Window(), &frame);
    EXPECT_EQ(frame.right - frame.left, 640);
    EXPECT_EQ(frame.bottom - frame.top, 480);
}

// The list's text is as tall as its font asks at every scale; a move to a screen of another scale
// keeps the lines and takes the window size the system suggests.
TEST_F(LogWindowTest, FollowsTheScreenScale) {
    auto size = [] {
        RECT frame;
        GetWindowRect(logWindow->Window(), &frame);
        return SIZE{frame.right - frame.left, frame.bottom - frame.top};
    };
    const int dpi = ScreenDpi();
    EXPECT_EQ(size().cx, MulDiv(640, dpi, 96));
    EXPECT_EQ(size().cy, MulDiv(480, dpi, 96));
    EXPECT_EQ(SendMessageA(logWindow->List(), LB_GETITEMHEIGHT, 0, 0), MulDiv(14, dpi, 96));

    const std::vector<std::string> lines = LogLines();
    RECT suggested{40, 30, 40 + 1280, 30 + 960};
    SendMessageA(logWindow->Window(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(size().cx, 1280);
    EXPECT_EQ(size().cy, 960);
    EXPECT_EQ(LogLines(), lines);

    // The text is as tall as at 100 % (exactly "FixedSys" height 14 there) in proportion to the scale.
    auto lineAt = [](int dpi) {
        RECT place{0, 0, 640, 480};
        SendMessageA(logWindow->Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
        return static_cast<int>(SendMessageA(logWindow->List(), LB_GETITEMHEIGHT, 0, 0));
    };
    const int atHundred = lineAt(96);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(logWindow->List(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "FixedSys");
    EXPECT_EQ(font.lfHeight, 14);
    EXPECT_EQ(lineAt(144), atHundred * 3 / 2);
    EXPECT_EQ(lineAt(192), atHundred * 2);
    EXPECT_EQ(lineAt(dpi), MulDiv(atHundred, dpi, 96));

    // Resizing measures no line: the sideways extent stays what the last font change made it.
    SendMessageA(logWindow->List(), LB_SETHORIZONTALEXTENT, 4321, 0);
    SetWindowPos(logWindow->Window(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(SendMessageA(logWindow->List(), LB_GETHORIZONTALEXTENT, 0, 0), 4321);
}

TEST_F(LogWindowTest, MainMenuTogglesWithTheCheckMark) {
    Command(IDM_TOGGLE_LOG);
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(Checked());
    Command(IDM_TOGGLE_LOG);
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(Checked());
}

TEST_F(LogWindowTest, OwnHideCommandGoesThroughTheMainWindow) {
    Command(IDM_TOGGLE_LOG);
    SendMessageA(logWindow->Window(), WM_COMMAND, IDM_LOG_HIDE, 0);
    PumpPending();  // the hide is posted to the main window
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(Checked());
    Command(IDM_TOGGLE_LOG);
    EXPECT_TRUE(Shown());
}

TEST_F(LogWindowTest, CloseBoxOnlyHides) {
    Command(IDM_TOGGLE_LOG);
    SendMessageA(logWindow->Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpPending();
    EXPECT_TRUE(IsWindow(logWindow->Window()));
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(Checked());
    Command(IDM_TOGGLE_LOG);
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(Checked());
}

TEST_F(LogWindowTest, SystemMenuCloseReadsHide) {
    char text[64] = {};
    GetMenuStringA(GetSystemMenu(logWindow->Window(), FALSE), SC_CLOSE, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "非表示(&H)");
}

TEST_F(LogWindowTest, LinesKeepOrderWhileHiddenAndClearEmpties) {
    const size_t before = LogLines().size();
    for (const char* text : {"one", "\x95\x5C two", "three"}) logWindow->AddLine(text);
    const std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(messages.size(), before + 3);
    EXPECT_EQ(messages[before], "one");
    EXPECT_EQ(messages[before + 1], "\x95\x5C two");
    EXPECT_EQ(messages[before + 2], "three");
    SendMessageA(logWindow->Window(), WM_COMMAND, IDM_LOG_CLEAR, 0);
    EXPECT_TRUE(LogLines().empty());
    EXPECT_EQ(SendMessageA(logWindow->List(), LB_GETHORIZONTALEXTENT, 0, 0), 0) << "nothing to scroll sideways to";
}

TEST_F(LogWindowTest, ListFillsTheClientArea) {
    Command(IDM_TOGGLE_LOG);
    SetWindowPos(logWindow->Window(), nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(logWindow->Window(), &client);
    RECT list;
    GetWindowRect(logWindow->List(), &list);
    EXPECT_EQ(list.right - list.left, client.right);
    // The list keeps whole lines: it may stop short of the bottom by less than one line.
    const LONG lineHeight = static_cast<LONG>(SendMessageA(logWindow->List(), LB_GETITEMHEIGHT, 0, 0));
    EXPECT_LE(list.bottom - list.top, client.bottom);
    EXPECT_GT(list.bottom - list.top, client.bottom - lineHeight - 4);
}

class LogSaveTest : public LogWindowTest {
protected:
    void SaveAs(const std::string& path, std::vector<SeenBox>* seen, std::vector<BoxAnswerer::Answer> extra = {}) {
        std::vector<BoxAnswerer::Answer> answers{TypePath(path)};
        answers.insert(answers.end(), extra.begin(), extra.end());
        BoxAnswerer answerer(answers);
        SendMessageA(logWindow->Window(), WM_COMMAND, IDM_LOG_SAVE, 0);
        *seen = answerer.Seen();
    }
    ScratchFolder folder_;
};

TEST_F(LogSaveTest, EmptyLogHoldsOnlyTheHeader) {
    logWindow->Clear();
    std::vector<SeenBox> seen;
    SaveAs(folder_.File("empty.log"), &seen);
    EXPECT_EQ(ReadWholeFile(folder_.File("empty.log")), "Kadenzo Log File...\r\n");
}

TEST_F(LogSaveTest, LongLinesKeptWholeAndOldLongerFileReplaced) {
    const std::string path = folder_.File("kept.log");
    WriteFileBytes(path, std::string(5000, 'x'));
    const std::string longMessage(600, 'a');
    logWindow->AddLine(longMessage.c_str());
    const std::vector<std::string> lines = LogLines();
    const LONG drawn = TextExtentInWindowFont(logWindow->List(), lines.back()).cx;
    EXPECT_NEAR(SendMessageA(logWindow->List(), LB_GETHORIZONTALEXTENT, 0, 0), drawn, 8) << "scrolls sideways to it";
    std::vector<SeenBox> seen;
    SaveAs(path, &seen, {Press(IDYES)});  // the overwrite question
    std::string expected = "Kadenzo Log File...\r\n";
    for (const std::string& line : lines) expected += line + "\r\n";
    EXPECT_EQ(ReadWholeFile(path), expected);
    EXPECT_NE(expected.find(longMessage + "\r\n"), std::string::npos);
}

TEST_F(LogSaveTest, UncreatableFileShowsStringFourteen) {
    std::vector<SeenBox> seen;
    SaveAs(folder_.File("no_such_folder\\x.log"), &seen, {Press(IDOK)});
    ASSERT_EQ(seen.size(), 2u) << "the save dialog, then the error";
    EXPECT_EQ(seen[1].text, "ファイルを作成できませんでした。");
    EXPECT_TRUE(seen[1].icon);
}

}  // namespace
