#include "ui/text_utils.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

const char kEmptyText[] = "";

bool IsLeadByte932(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

std::size_t Utf8CharLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(0);
    if (first < 0x80) return 1;
    // The sequence's length and the range its second byte must fall in, which rules out
    // overlong forms, surrogates and code points beyond U+10FFFF.
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        if (first == 0xE0) low = 0xA0;
        if (first == 0xED) high = 0x9F;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        if (first == 0xF0) low = 0x90;
        if (first == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

bool IsUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = Utf8CharLength(text);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}

static const char* NextChar932(const char* p) {
    if (*p == '\0') return p;
    if (IsLeadByte932(static_cast<unsigned char>(p[0])) && p[1] != '\0') return p + 2;
    return p + 1;
}

const char* PreviousChar932(const char* start, const char* current) {
    while (*start != '\0' && start < current) {
        const char* next = NextChar932(start);
        if (next >= current) break;
        start = next;
    }
    return start;
}

void CopyText(char* dst, const char* src) { std::memmove(dst, src, std::strlen(src) + 1); }

void AppendText(char* dst, const char* src) { CopyText(dst + std::strlen(dst), src); }

std::size_t TextLength(const char* text) { return std::strlen(text); }

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The last '\' or '/' that is a whole character, or null.
static const char* LastSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = path; *p != '\0'; p = NextChar932(p)) {
        if (IsSeparator(*p)) last = p;
    }
    return last;
}

std::size_t FolderPrefixLength(const char* path) {
    if (const char* separator = LastSeparator(path)) return static_cast<std::size_t>(separator - path) + 1;
    const bool driveLetter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
    return driveLetter && path[1] == ':' ? 2 : 0;
}

void FileNamePart(char* dst, const char* path) {
    const char* separator = LastSeparator(path);
    CopyText(dst, separator ? separator + 1 : path);
}

void FileTitlePart(char* dst, const char* path) {
    FileNamePart(dst, path);
    if (char* dot = std::strrchr(dst, '.')) *dot = '\0';
}

void ExtensionPart(char* dst, const char* path) {
    const char* dot = nullptr;
    for (const char* p = path; *p != '\0'; p = NextChar932(p)) {
        if (*p == '.') dot = p;
    }
    CopyText(dst, dot ? dot + 1 : kEmptyText);
}

void DirectoryPart(char* dst, const char* path) {
    const char* separator = LastSeparator(path);
    if (!separator) {
        CopyText(dst, path);
        return;
    }
    const std::size_t length = static_cast<std::size_t>(separator - path);
    std::memmove(dst, path, length);
    dst[length] = '\0';
}

void EnsureTrailingSeparator(char* path) {
    if (*path == '\0') return;
    const char* end = path + std::strlen(path);
    if (!IsSeparator(*PreviousChar932(path, end))) AppendText(path, "\\");
}

void EnsureTrailingDot(char* path) {
    const std::size_t length = std::strlen(path);
    if (length != 0 && path[length - 1] != '.') AppendText(path, ".");
}

std::int32_t ParseDecimal(const char* text) {
    const std::size_t length = std::strlen(text);
    if (length == 0) return 0;
    // 32-bit arithmetic that wraps, done unsigned so the wrap is defined.
    std::uint32_t sum = 0;
    std::uint32_t place = 1;
    for (std::size_t i = length; i-- > 0;) {
        const char c = text[i];
        if (c >= '1' && c <= '9') sum += static_cast<std::uint32_t>(c - '0') * place;
        place *= 10;
    }
    if (text[0] == '-') sum = 0u - sum;
    return static_cast<std::int32_t>(sum);
}

int IsAllDigits(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') return 0;
    }
    return 1;
}

namespace {
// One character of a typed number, advancing `p` past it: full-width digits, minus sign and blank
// as their ASCII forms, any other double-byte character as '?'. The long vowel mark 「ー」 is what
// the minus key types in an input method's hiragana mode, so it stands for a minus sign too.
char NextTypedChar(const char*& p) {
    const auto lead = static_cast<unsigned char>(p[0]);
    if (!IsLeadByte932(lead) || p[1] == '\0') return *p++;
    const auto trail = static_cast<unsigned char>(p[1]);
    p += 2;
    if (lead == 0x82 && trail >= 0x4F && trail <= 0x58) return static_cast<char>('0' + (trail - 0x4F));  // ０..９
    if (lead == 0x81 && (trail == 0x7C || trail == 0x5B)) return '-';                                    // － and ー
    if (lead == 0x81 && trail == 0x40) return ' ';  // ideographic space
    return '?';
}

std::string PlainNumberText(const char* text) {
    std::string plain;
    for (const char* p = text; *p != '\0';) plain += NextTypedChar(p);
    return plain;
}
}  // namespace

std::optional<std::int32_t> ReadTypedNumber(const char* text, bool signedNumber) {
    const std::string plain = PlainNumberText(text);
    const std::size_t first = plain.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    std::string_view number(plain.data() + first, plain.find_last_not_of(' ') + 1 - first);
    const bool negative = signedNumber && number.front() == '-';
    if (negative) number.remove_prefix(1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    constexpr std::int64_t kSaturated = std::int64_t{INT32_MAX} + 1;
    std::int64_t magnitude = 0;
    for (const char digit : number) magnitude = std::min(magnitude * 10 + (digit - '0'), kSaturated);
    return static_cast<std::int32_t>(negative ? -magnitude : std::min<std::int64_t>(magnitude, INT32_MAX));
}

bool IsBlankText(const char* text) { return PlainNumberText(text).find_first_not_of(' ') == std::string::npos; }

int BytesEqual(const void* a, const void* b, std::size_t n) { return n == 0 || std::memcmp(a, b, n) == 0 ? 1 : 0; }

HeapString::~HeapString() { delete[] text_; }

HeapString& HeapString::Assign(const char* text) {
    char* copy = new (std::nothrow) char[std::strlen(text) + 2];
    if (copy) CopyText(copy, text);
    delete[] text_;
    text_ = copy;
    return *this;
}

HeapString& HeapString::Append(const HeapString& other) {
    const char* held = text_ ? text_ : kEmptyText;
    const char* added = other.text_ ? other.text_ : kEmptyText;
    const std::size_t heldLength = std::strlen(held);
    char* joined = new (std::nothrow) char[heldLength + std::strlen(added) + 2];
    if (!joined) return *this;
    CopyText(joined, held);
    CopyText(joined + heldLength, added);
    delete[] text_;
    text_ = joined;
    return *this;
}

namespace {
// Appends to a bounded buffer, always leaving room for the terminator.
struct TraceWriter {
    char* buffer;
    std::size_t capacity;
    std::size_t length = 0;

    void Put(char c) {
        if (length + 1 < capacity) buffer[length++] = c;
    }
    void PutText(const char* text) {
        for (; *text; ++text) Put(*text);
    }
    void PutUnsigned(unsigned long long value, unsigned base, bool upper) {
        const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
        char reversed[24];
        int n = 0;
        do {
            reversed[n++] = digits[value % base];
            value /= base;
        } while (value != 0);
        while (n > 0) Put(reversed[--n]);
    }
};

char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

std::size_t FormatTrace(char* buffer, std::size_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::size_t length = FormatTraceV(buffer, capacity, format, args);
    va_end(args);
    return length;
}

std::size_t FormatTraceV(char* buffer, std::size_t capacity, const char* format, va_list args) {
    if (capacity == 0) return 0;
    TraceWriter out{buffer, capacity};
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%' || p[1] == '\0') {
            out.Put(*p);
            continue;
        }
        switch (*++p) {
            case 'd':
            case 'i': {
                const int value = va_arg(args, int);
                if (value < 0) out.Put('-');
                out.PutUnsigned(
                    value < 0 ? 0ull - static_cast<long long>(value) : static_cast<unsigned long long>(value), 10,
                    false);
                break;
            }
            case 'u': out.PutUnsigned(va_arg(args, unsigned), 10, false); break;
            case 'x': out.PutUnsigned(va_arg(args, unsigned), 16, false); break;
            case 'X': out.PutUnsigned(va_arg(args, unsigned), 16, true); break;
            case 's': {
                const char* text = va_arg(args, const char*);
                out.PutText(text ? text : "");
                break;
            }
            case 'c': out.Put(ToLowerAscii(static_cast<char>(va_arg(args, int)))); break;
            case 'C': out.Put(ToUpperAscii(static_cast<char>(va_arg(args, int)))); break;
            case 'b': out.PutText(va_arg(args, int) ? "true" : "false"); break;
            case 'B': out.PutText(va_arg(args, int) ? "TRUE" : "FALSE"); break;
            default: out.Put(*p); break;
        }
    }
    buffer[out.length] = '\0';
    return out.length;
}
