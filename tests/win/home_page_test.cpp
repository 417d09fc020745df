// The web-site command: after the question, "Yes" hands the home-page address to the shell.
#include "program_fixture.h"
#include "res/resource.h"

namespace {

constexpr char kHttpsCommandKey[] = "Software\\Classes\\https\\shell\\open\\command";

// For one test, the shell opens https addresses with a command that writes the address into a
// file instead of starting a browser; the command that was there before comes back at the end.
class RecordedAddressOpening {
public:
    explicit RecordedAddressOpening(const std::string& record) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kHttpsCommandKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        char previous[1024] = {};
        DWORD size = sizeof previous;
        if (RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(previous), &size) ==
            ERROR_SUCCESS) {
            previous_ = previous;
            hadPrevious_ = true;
        }
        installed_ = SetCommand("cmd.exe /c echo %1>\"" + record + "\"");
    }
    RecordedAddressOpening(const RecordedAddressOpening&) = delete;
    RecordedAddressOpening& operator=(const RecordedAddressOpening&) = delete;
    ~RecordedAddressOpening() {
        if (!key_) return;
        if (hadPrevious_) {
            SetCommand(previous_);
        } else {
            RegDeleteValueA(key_, nullptr);
        }
        RegCloseKey(key_);
    }
    bool Installed() const { return installed_; }

private:
    bool SetCommand(const std::string& command) {
        return RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                              static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
    }

    HKEY key_ = nullptr;
    std::string previous_;
    bool hadPrevious_ = false;
    bool installed_ = false;
};

// The file's text without its line end; empty until something was written.
std::string WaitForRecord(const std::string& path, int ms) {
    std::string text;
    if (!WaitFor([&] { return (text = ReadWholeFile(path)).find('\n') != std::string::npos; }, ms)) return {};
    return text.substr(0, text.find_first_of("\r\n"));
}

using HomePageTest = ProgramTest;

TEST_F(HomePageTest, YesOpensTheHomePageAddress) {
    ScratchFolder folder;
    const std::string record = folder.File("opened.txt");
    RecordedAddressOpening opening(record);
    ASSERT_TRUE(opening.Installed());
    BoxAnswerer answerer({Press(IDYES)});
    Command(IDM_HOME_PAGE);
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "インターネットに接続します。よろしいですか？");
    EXPECT_EQ(WaitForRecord(record, 10000), kHomePageAddress);
}

}  // namespace
