#include "ui/whole_file.h"

#include <cstring>

namespace {

constexpr std::size_t kLongestSiblingName = 8;
constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNameIgnoringCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) return false;
    }
    return *a == *b;
}

}  // namespace

bool SiblingName(char* out, std::size_t capacity, const char* path, std::size_t folderLength, unsigned number) {
    const std::size_t pathLength = std::strlen(path);
    if (folderLength >= pathLength || pathLength >= capacity) return false;
    const std::size_t nameLength = pathLength - folderLength;
    const std::size_t length = nameLength < kLongestSiblingName ? nameLength : kLongestSiblingName;
    char* name = out + folderLength;
    std::memcpy(out, path, folderLength);
    // "~" and base-36 digits; a one-character name is a digit alone.
    std::size_t at = length;
    name[at] = '\0';
    while (at > (length > 1 ? 1 : 0)) {
        name[--at] = kDigits[number % 36];
        number /= 36;
    }
    if (length > 1) name[0] = '~';
    return !SameNameIgnoringCase(name, path + folderLength);
}
