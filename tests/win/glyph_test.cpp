// Every character the program shows is drawn with a real glyph in the font that shows it: the
// string table and the program's own literal texts in every font they can appear in, each dialog
// template in its own font, both menus in the menu bar's and the owner-drawn items' fonts, and the
// instrument names in the instrument dialog's font. A character counts as drawn when its picture
// has ink and differs from the picture of a character no font has.
#include "dialog_fixture.h"
#include "canvas.h"
#include "program_fixture.h"
#include "res/resource.h"
#include "ui/code_page.h"
#include "ui/messages.h"

#include <cwctype>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace {

constexpr int kCanvasSize = 64;

// A white canvas on which one character at a time is drawn in black.
class GlyphCanvas {
public:
    std::vector<uint32_t> Draw(HFONT font, wchar_t character) {
        canvas_.Clear();
        HGDIOBJ before = SelectObject(canvas_.Dc(), font);
        SetTextColor(canvas_.Dc(), RGB(0, 0, 0));
        SetBkMode(canvas_.Dc(), TRANSPARENT);
        TextOutW(canvas_.Dc(), 4, 4, &character, 1);
        SelectObject(canvas_.Dc(), before);
        return canvas_.Pixels();
    }

private:
    Canvas canvas_{kCanvasSize, kCanvasSize};
};

// The face the system picked for a font, for the failure message.
std::string FaceOf(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ before = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, before);
    DeleteDC(dc);
    return Narrow932(face);
}

bool HasInk(const std::vector<uint32_t>& picture) {
    for (uint32_t pixel : picture)
        if ((pixel & 0xFFFFFF) != 0xFFFFFF) return true;
    return false;
}

// One font the program shows text in, and the characters it must draw.
struct FontCase {
    std::string name;
    HFONT font;
    std::map<wchar_t, std::string> characters;  // each with where it comes from

    void Add(const std::wstring& text, const std::string& from) {
        for (wchar_t c : text)
            if (!std::iswspace(c) && c >= 0x20 && !characters.count(c)) characters[c] = from;
    }
};

std::string Describe(wchar_t c, const std::string& from) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    return std::string(code) + " '" + Narrow932(std::wstring(1, c)) + "' (" + from + ")";
}

// The characters a font draws as the missing-glyph box or not at all.
std::vector<std::string> Undrawn(GlyphCanvas& canvas, const FontCase& font) {
    // Unassigned code points: no font has them, so they show what a missing glyph looks like.
    const std::vector<uint32_t> missingA = canvas.Draw(font.font, 0x0378);
    const std::vector<uint32_t> missingB = canvas.Draw(font.font, 0x0EFF);
    std::vector<std::string> undrawn;
    for (const auto& [c, from] : font.characters) {
        const std::vector<uint32_t> picture = canvas.Draw(font.font, c);
        if (!HasInk(picture) || picture == missingA || picture == missingB) undrawn.push_back(Describe(c, from));
    }
    return undrawn;
}

// ---- where the texts come from

std::vector<std::wstring> StringTable() {
    std::vector<std::wstring> texts;
    for (UINT id = 1; id < 200; ++id) {
        char text[1024];
        if (LoadStringA(appInstance, id, text, sizeof text) > 0) texts.push_back(Widen932(text));
    }
    return texts;
}

std::wstring WideText(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

std::string ReadSource(const std::string& relative) {
    std::ifstream file(std::string(KADENZO_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The program's literal texts (log lines, captions, about-box lines) as its sources hold them.
std::vector<std::pair<std::string, std::wstring>> ProgramLiterals() {
    const char* const sources[] = {
        "app/about_box.cpp",  "app/main_window.cpp",          "app/startup.cpp",
        "log/log_window.cpp", "song/convert_command.cpp",     "song/open_song.cpp",
        "song/save_song.cpp", "playback/preview.cpp",         "playback/playback_driver.cpp",
        "playback/addon.cpp", "settings/instrument_list.cpp", "engine/engine_errors.cpp",
    };
    std::vector<std::pair<std::string, std::wstring>> texts;
    for (const char* source : sources) {
        const std::string bytes = ReadSource(source);
        if (!bytes.empty()) texts.emplace_back(source, WideText(bytes));
    }
    return texts;
}

// A dialog template's font and texts, read from the resource as the dialog manager reads it.
struct DialogTexts {
    LOGFONTW font{};
    std::vector<std::wstring> texts;
};

const WORD* SkipNameOrOrdinal(const WORD* at, std::wstring* name = nullptr) {
    if (*at == 0x0000) return at + 1;
    if (*at == 0xFFFF) return at + 2;
    const wchar_t* text = reinterpret_cast<const wchar_t*>(at);
    if (name) *name = text;
    return at + std::wcslen(text) + 1;
}

const WORD* AlignToDword(const WORD* at) {
    return reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(at) + 3) & ~uintptr_t{3});
}

DialogTexts ReadDialogTemplate(int id) {
    DialogTexts dialog;
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (!found) return dialog;
    const WORD* at = static_cast<const WORD*>(LockResource(LoadResource(appInstance, found)));
    if (!at || at[0] != 1 || at[1] != 0xFFFF) return dialog;  // only the extended form is used
    const DWORD style = *reinterpret_cast<const DWORD*>(at + 6);
    const WORD items = at[8];
    at += 13;                    // version, signature, help id, extended style, style, item count, x, y, cx, cy
    at = SkipNameOrOrdinal(at);  // menu
    at = SkipNameOrOrdinal(at);  // class
    std::wstring caption;
    at = SkipNameOrOrdinal(at, &caption);
    dialog.texts.push_back(caption);
    if (style & DS_SETFONT) {
        HDC screen = GetDC(nullptr);
        dialog.font.lfHeight = -MulDiv(at[0], GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        dialog.font.lfWeight = at[1];
        dialog.font.lfItalic = LOBYTE(at[2]);
        dialog.font.lfCharSet = HIBYTE(at[2]);
        std::wstring face;
        at = SkipNameOrOrdinal(at + 3, &face);
        lstrcpynW(dialog.font.lfFaceName, face.c_str(), LF_FACESIZE);
    }
    for (WORD i = 0; i < items; ++i) {
        at = AlignToDword(at);
        at += 12;                    // help id, extended style, style, x, y, cx, cy, id
        at = SkipNameOrOrdinal(at);  // class
        std::wstring title;
        at = SkipNameOrOrdinal(at, &title);
        const WORD extra = *at++;
        at = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(at) + extra);
        if (!title.empty()) dialog.texts.push_back(title);
    }
    return dialog;
}

void AddMenuTexts(HMENU menu, FontCase& font, const std::string& from) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        if (GetMenuStringW(menu, i, text, 256, MF_BYPOSITION) > 0) font.Add(text, from);
        if (HMENU sub = GetSubMenu(menu, i)) AddMenuTexts(sub, font, from);
    }
}

std::vector<std::wstring> InstrumentNames() {
    const std::string bytes = ReadWholeFile(BesideProgram("..\\..\\bin\\Instrmnt.txt"));
    std::vector<std::wstring> names;
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) names.push_back(Widen932(line));
    }
    return names;
}

// Fonts made here live as long as the test.
class FontKeeper {
public:
    HFONT Make(const LOGFONTW& font) {
        HFONT made = CreateFontIndirectW(&font);
        fonts_.emplace_back(made);
        return made;
    }
    ~FontKeeper() {
        for (HFONT font : fonts_) DeleteObject(font);
    }

private:
    std::vector<HFONT> fonts_;
};

class GlyphTest : public ProgramTest {};

TEST_F(GlyphTest, EveryTextShownIsDrawnWithRealGlyphs) {
    FontKeeper keeper;
    NONCLIENTMETRICSW system{};
    system.cbSize = sizeof system;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof system, &system, 0));

    const std::vector<std::wstring> strings = StringTable();
    ASSERT_GT(strings.size(), 40u);
    const auto literals = ProgramLiterals();
    ASSERT_FALSE(literals.empty());

    // Fonts any numbered text or literal can show in: the log, message boxes, captions, the main window.
    std::vector<FontCase> fonts;
    fonts.push_back({"log window", reinterpret_cast<HFONT>(SendMessageA(logWindow->List(), WM_GETFONT, 0, 0)), {}});
    fonts.push_back({"message box", keeper.Make(system.lfMessageFont), {}});
    fonts.push_back({"caption", keeper.Make(system.lfCaptionFont), {}});
    fonts.push_back({"main window", reinterpret_cast<HFONT>(SendMessageA(main_, WM_GETFONT, 0, 0)), {}});
    for (FontCase& font : fonts) {
        for (const std::wstring& text : strings) font.Add(text, "string table");
        for (const auto& [source, text] : literals) {
            for (wchar_t c : text)
                if (c > 0x7F) font.Add(std::wstring(1, c), source);
        }
    }

    FontCase menuBar{"menu bar", keeper.Make(system.lfMenuFont), {}};
    FontCase ownerDrawn{"owner-drawn menu items", reinterpret_cast<HFONT>(SendMessageA(main_, WM_GETFONT, 0, 0)), {}};
    for (int menuId : {IDR_MAIN_MENU, IDR_LOG_MENU}) {
        HMENU menu = LoadMenuA(appInstance, MAKEINTRESOURCEA(menuId));
        ASSERT_NE(menu, nullptr) << menuId;
        AddMenuTexts(menu, menuBar, "menu " + std::to_string(menuId));
        AddMenuTexts(menu, ownerDrawn, "menu " + std::to_string(menuId));
        DestroyMenu(menu);
    }
    ASSERT_GT(ownerDrawn.characters.size(), 10u);
    fonts.push_back(std::move(menuBar));
    fonts.push_back(std::move(ownerDrawn));

    for (int id : {IDD_MAIN_WINDOW, IDD_TONE, IDD_VOLUME, IDD_INSTRUMENT, IDD_TEMPO, IDD_ABOUT}) {
        const DialogTexts dialog = ReadDialogTemplate(id);
        ASSERT_GT(dialog.texts.size(), 1u) << "dialog " << id;
        ASSERT_NE(dialog.font.lfFaceName[0], 0) << "dialog " << id;
        FontCase font{"dialog " + std::to_string(id), keeper.Make(dialog.font), {}};
        for (const std::wstring& text : dialog.texts) font.Add(text, "dialog " + std::to_string(id));
        if (id == IDD_INSTRUMENT) {
            const std::vector<std::wstring> names = InstrumentNames();
            ASSERT_GE(names.size(), 128u);  // the 128 programs, then "no change"
            for (const std::wstring& name : names) font.Add(name, "Instrmnt.txt");
        }
        fonts.push_back(std::move(font));
    }

    GlyphCanvas canvas;
    size_t checked = 0;
    for (const FontCase& font : fonts) {
        ASSERT_NE(font.font, nullptr) << font.name;
        const std::vector<std::string> undrawn = Undrawn(canvas, font);
        checked += font.characters.size();
        std::string list;
        for (size_t i = 0; i < undrawn.size() && i < 20; ++i) list += "\n  " + undrawn[i];
        std::printf("%s: %s, %zu characters, %zu undrawn\n", font.name.c_str(), FaceOf(font.font).c_str(),
                    font.characters.size(), undrawn.size());
        EXPECT_TRUE(undrawn.empty()) << font.name << " (" << FaceOf(font.font) << "): " << undrawn.size() << " of "
                                     << font.characters.size() << " characters drawn as boxes or not at all:" << list;
    }
    EXPECT_GT(checked, 1000u);
}

// The check itself: a character no installed font has is caught, a plain one passes.
TEST(GlyphCheck, TellsAMissingGlyphFromADrawnOne) {
    LOGFONTW look{};
    look.lfHeight = -12;
    lstrcpyW(look.lfFaceName, L"Tahoma");
    FontKeeper keeper;
    FontCase font{"Tahoma", keeper.Make(look), {}};
    font.Add(L"A", "plain");
    font.Add(std::wstring(1, wchar_t{0x0379}), "unassigned");
    GlyphCanvas canvas;
    const std::vector<std::string> undrawn = Undrawn(canvas, font);
    ASSERT_EQ(undrawn.size(), 1u);
    EXPECT_NE(undrawn[0].find("U+0379"), std::string::npos) << undrawn[0];
}

}  // namespace
