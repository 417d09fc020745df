// Full-width numbers typed one character at a time, as an input method hands them over, into the
// settings dialogs' edits: each edit holds its limit in characters, whatever their width.
#include "driver.h"
#include "res/resource.h"

namespace {

// Opens the dialog, types `typed` over the edit's text one WM_IME_CHAR at a time and presses 決定.
void TypeInto(Program& program, int command, int editId, const wchar_t* typed) {
    program.Command(command);
    const Box dialog = program.WaitForBox();
    HWND edit = GetDlgItem(dialog.window, editId);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 1);
    for (const wchar_t* c = typed; *c; ++c) SendMessageW(edit, WM_IME_CHAR, *c, 1);
    program.Press(dialog, IDC_APPLY_BUTTON);
    program.WaitGone(dialog.window);
}

// What the edit shows when the dialog opens again.
std::string Reopened(Program& program, int command, int editId) {
    program.Command(command);
    const Box dialog = program.WaitForBox();
    const std::string shown = program.Text(GetDlgItem(dialog.window, editId));
    program.Press(dialog, IDCANCEL);
    program.WaitGone(dialog.window);
    return shown;
}

}  // namespace

KADENZO_SCENARIO(full_width_numbers_typed_one_character_at_a_time) {
    Program program(Paths().program);
    const struct {
        int command, edit;
        const wchar_t* typed;
        const char* stored;  // as the dialog shows it when opened again
    } rows[] = {{IDM_TEMPO, IDC_TEMPO_EDIT, L"１２０", "120"},
                {IDM_TEMPO, IDC_TEMPO_EDIT, L"２５０", "250"},
                {IDM_VOLUME, IDC_VOLUME_EDIT_1, L"１５０", "150"},
                {IDM_TONE, IDC_TONE_SHIFT_EDIT, L"－１２", "-12"},
                {IDM_TONE, IDC_TONE_SHIFT_EDIT, L"ー３", "-3"}};
    for (const auto& row : rows) {
        TypeInto(program, row.command, row.edit, row.typed);
        const std::string shown = Reopened(program, row.command, row.edit);
        Expect(shown == row.stored, std::string("stored as ") + row.stored + ", not " + shown);
    }
    const DWORD code = program.Close();
    Expect(code == 0, "the program ends with exit code 0, not " + std::to_string(code));
}
