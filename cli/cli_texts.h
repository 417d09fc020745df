// The texts kadenzo-convert prints: the program's own string-table texts, kept here as UTF-8
// (the narrow literals of the build are code page 932) and printed in the console's code page.
#pragma once
#include <string>

inline std::string Utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }

// Log lines of a conversion.
inline constexpr const char8_t* kConversionStartedText = u8"変換開始...";                                         // 22
inline constexpr const char8_t* kConvertedText = u8"変換正常終了 %dシフト";                                       // 23
inline constexpr const char8_t* kConvertedOutOfRangeText = u8"変換強引に終了 %dシフト %u個の演奏範囲オーバー";    // 39
inline constexpr const char8_t* kOutOfRangeLogText = u8"！　変換エラー - 演奏範囲オーバー";                       // 26
inline constexpr const char8_t* kInstrumentNotFoundText = u8"！　トラック %dの初期楽器が見つかりませんでした。";  // 40
inline constexpr const char8_t* kDivisionRefusedText =
    u8"！　変化エラー - テンポ値がオーバーしました。デフォルト値を使用します。";              // 41
inline constexpr const char8_t* kNoMemoryLogText = u8"！　変換失敗 - メモリ不足";             // 24
inline constexpr const char8_t* kUnsupportedLogText = u8"！　変換失敗 - 未知のフォーマット";  // 25
inline constexpr const char8_t* kBadFormatLogText = u8"！　変換失敗 - ファイルフォーマット不正";

// Message-box texts of failures.
inline constexpr const char8_t* kBadFormatText = u8"ファイルフォーマットが不正です。";                     // 12
inline constexpr const char8_t* kUnsupportedText = u8"現在サポートされていないMIDIファイルです。";         // 8
inline constexpr const char8_t* kOutOfRangeText = u8"演奏可能範囲を超えてしまいました。";                  // 9
inline constexpr const char8_t* kCannotOpenText = u8"ファイルを開けませんでした。";                        // 13
inline constexpr const char8_t* kInvalidFileText = u8"ファイルが不正です。";                               // 15
inline constexpr const char8_t* kNoMemoryText = u8"メモリ不足のため、アクションを実行できませんでした。";  // 1
inline constexpr const char8_t* kCannotCreateText = u8"ファイルを作成できませんでした。";                  // 14
