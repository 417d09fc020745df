#include "ui/messages.h"

#include "ui/text_utils.h"

#include <cstdarg>
#include <cstring>

namespace {
char textBuffer[256];
char traceBuffer[1024];
}  // namespace

const char* LoadText(HINSTANCE instance, UINT id) {
    std::memset(textBuffer, 0, sizeof textBuffer);
    LoadStringA(instance, id, textBuffer, sizeof textBuffer);
    return textBuffer;
}

int ProgramDirFile(char* buffer, const char* name) {
    char modulePath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    const DWORD length = GetLongPathNameA(modulePath, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) CopyText(buffer, modulePath);
    DirectoryPart(buffer, buffer);
    EnsureTrailingSeparator(buffer);
    if (name) {
        // Never past the path buffer: a name that does not fit is cut.
        const std::size_t used = TextLength(buffer);
        const std::size_t room = MAX_PATH - 1 - used;
        std::strncat(buffer, name, room);
    }
    return 0;
}

void DebugTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::size_t length = FormatTraceV(traceBuffer, sizeof traceBuffer - 1, format, args);
    va_end(args);
    traceBuffer[length] = '\n';
    traceBuffer[length + 1] = '\0';
    OutputDebugStringA(traceBuffer);
}
