#include "engine/engine_errors.h"

#include "engine/engine_exports.h"

#include <cstring>

namespace lyra {
namespace {

bool IsLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

}  // namespace

const char* ErrorText(std::int32_t code) {
    switch (code) {
        case kEngineOk: return "正常に終了しました。";
        case kEngineBadArgument: return "引数が正しくありません。";
        case kEngineNoMemory: return "メモリが不足しています。";
        case kEngineDeviceOpenFailed: return "MIDIアウトデバイスをオープンできませんでした。";
        case kEngineSongFileUnreadable: return "曲ファイルを読み込めませんでした。";
        case kEngineSongInvalid: return "曲データを読み取れませんでした。標準MIDIファイルではないか、壊れています。";
        case kEngineNoSong: return "曲が読み込まれていません。";
        case kEngineThreadFailed: return "再生スレッドを開始できませんでした。";
        case kEngineInternalError: return "エンジン内部でエラーが発生しました。";
        case kEngineDeviceRefused: return "MIDIアウトデバイスがメッセージを受け付けなかったため、再生を終えました。";
        case kEngineDeviceGone: return "MIDIアウトデバイスが使えなくなったため、再生を終えました。";
        case kEngineTempFileFailed: return "一時曲ファイルを書き込めませんでした。";
        default: return "不明なエラーです。";
    }
}

std::int32_t CopyErrorText(std::int32_t code, char* buffer, std::int32_t bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) return kEngineBadArgument;
    const char* text = ErrorText(code);
    std::size_t limit = static_cast<std::size_t>(bufferSize) - 1;
    std::size_t length = 0;
    while (text[length] != '\0') {
        std::size_t width = IsLeadByte(static_cast<unsigned char>(text[length])) && text[length + 1] != '\0' ? 2 : 1;
        if (length + width > limit) break;
        length += width;
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return kEngineOk;
}

}  // namespace lyra
