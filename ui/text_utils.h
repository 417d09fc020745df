// Byte-level text and path utilities over code-page-932 (Shift-JIS) strings.
// Portable: no Windows headers. Path buffers hold kPathCapacity bytes.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

inline constexpr std::size_t kPathCapacity = 260;

// The empty text that ExtensionPart copies when a path has no extension.
extern const char kEmptyText[];

bool IsLeadByte932(unsigned char byte);

// The bytes of the well-formed UTF-8 character that `text` begins with (1 to 4); 0 when it begins
// with none (an empty text, a stray byte, an overlong form, a surrogate, beyond U+10FFFF).
std::size_t Utf8CharLength(std::string_view text);
// True when the whole text is well-formed UTF-8.
bool IsUtf8(std::string_view text);
// The start of the character before `current`, walking whole characters forward from `start`
// exactly as CharPrevExA(932, start, current, 0) does.
const char* PreviousChar932(const char* start, const char* current);

void CopyText(char* dst, const char* src);
void AppendText(char* dst, const char* src);
std::size_t TextLength(const char* text);

void FileNamePart(char* dst, const char* path);
void FileTitlePart(char* dst, const char* path);
void ExtensionPart(char* dst, const char* path);
void DirectoryPart(char* dst, const char* path);  // dst may be path
// The length of the part of `path` that a file beside it shares: everything up to and including
// its last separator, or a drive "X:" alone; 0 for a bare name. "C:\" and "\" stay roots.
std::size_t FolderPrefixLength(const char* path);
void EnsureTrailingSeparator(char* path);
void EnsureTrailingDot(char* path);

std::int32_t ParseDecimal(const char* text);
int IsAllDigits(const char* text);
// The whole number a user typed, as the edit shows it: blanks around it are ignored (ASCII or
// ideographic), digits may be ASCII or full-width, and a signed number may start with a minus
// sign: ASCII, full-width, or the long vowel mark 「ー」 that an input method's minus key types. Any other character, or no digit at all, is no number. Beyond 32
// bits the value saturates.
std::optional<std::int32_t> ReadTypedNumber(const char* text, bool signedNumber);
// Nothing but blanks, ASCII or ideographic (the empty text too).
bool IsBlankText(const char* text);
int BytesEqual(const void* a, const void* b, std::size_t n);

// Owns a heap copy of a text; each allocation is two bytes longer than the text.
class HeapString {
public:
    HeapString() = default;
    HeapString(const HeapString&) = delete;
    HeapString& operator=(const HeapString&) = delete;
    virtual ~HeapString();

    HeapString& Assign(const char* text);
    HeapString& Append(const HeapString& other);
    const char* Text() const { return text_; }

private:
    char* text_ = nullptr;
};

// The trace formatter: d i u x X s c C b B after '%', everything else copied.
// Writes at most capacity-1 bytes and a terminator; returns the length written.
std::size_t FormatTrace(char* buffer, std::size_t capacity, const char* format, ...);
std::size_t FormatTraceV(char* buffer, std::size_t capacity, const char* format, va_list args);
