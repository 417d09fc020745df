// The help command with KADENZO.CHM beside the program: the viewer opens and nothing is reported.
#include "program_fixture.h"
#include "res/resource.h"
#include "ui/messages.h"

namespace {

struct Viewer {
    HWND window = nullptr;
    DWORD processId = 0;
};

BOOL CALLBACK FindViewer(HWND window, LPARAM data) {
    auto* viewer = reinterpret_cast<Viewer*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    // Known by its class: the viewer reads the help file's title in its own code page, which under
    // a non-Japanese locale is not the file's.
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner != GetCurrentProcessId() && IsWindowVisible(window) && std::string(className) == "HH Parent") {
        viewer->window = window;
        viewer->processId = owner;
        return FALSE;
    }
    return TRUE;
}

Viewer WaitForViewer(int ms) {
    Viewer viewer;
    WaitFor(
        [&] {
            EnumWindows(FindViewer, reinterpret_cast<LPARAM>(&viewer));
            return viewer.window != nullptr;
        },
        ms);
    return viewer;
}

// The built help file copied beside this test program for one test.
class HelpFileBeside {
public:
    HelpFileBeside() {
        ProgramDirFile(path_, "KADENZO.CHM");
        char built[MAX_PATH];
        ProgramDirFile(built, "..\\..\\bin\\KADENZO.CHM");
        copied_ = CopyFileA(built, path_, FALSE) != 0;
    }
    HelpFileBeside(const HelpFileBeside&) = delete;
    HelpFileBeside& operator=(const HelpFileBeside&) = delete;
    ~HelpFileBeside() { DeleteFileA(path_); }
    bool Copied() const { return copied_; }

private:
    char path_[MAX_PATH] = {};
    bool copied_ = false;
};

using HelpTest = ProgramTest;

TEST_F(HelpTest, OpensTheViewerWhenTheHelpFileIsBesideTheProgram) {
    TakingTurns turn(kHelpFileTurn);  // another test needs the file missing
    HelpFileBeside help;
    ASSERT_TRUE(help.Copied()) << "build KADENZO.CHM first";
    BoxAnswerer answerer({Press(IDOK)});
    Command(IDM_HELP);
    const Viewer viewer = WaitForViewer(10000);
    EXPECT_TRUE(answerer.Seen(500).empty());  // string 11 would mean the shell's result was 32 or less
    ASSERT_NE(viewer.window, nullptr);
    // The viewer is closed again, and the copy goes once it has let the file go.
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, viewer.processId);
    PostMessageA(viewer.window, WM_CLOSE, 0, 0);
    if (process) {
        if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) TerminateProcess(process, 0);
        CloseHandle(process);
    }
}

}  // namespace
