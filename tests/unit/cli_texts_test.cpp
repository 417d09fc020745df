// The texts kadenzo-convert prints are the string table's texts, byte for byte (as UTF-8).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/cli_texts.h"

namespace {

const std::filesystem::path kResources = std::filesystem::path(KADENZO_SOURCE_DIR) / "res";

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The string table by number: resource.h names the numbers, kadenzo.rc holds the texts.
std::map<int, std::string> StringTable() {
    std::map<std::string, int> numbers;
    const std::string header = ReadText(kResources / "resource.h");
    const std::regex define(R"(#define\s+(IDS_\w+)\s+(\d+))");
    for (auto it = std::sregex_iterator(header.begin(), header.end(), define); it != std::sregex_iterator(); ++it)
        numbers[(*it)[1]] = std::stoi((*it)[2]);

    std::map<int, std::string> table;
    const std::string script = ReadText(kResources / "kadenzo.rc");
    const std::regex entry(R"re(\n\s*(IDS_\w+)\s+"([^"]*)")re");
    for (auto it = std::sregex_iterator(script.begin(), script.end(), entry); it != std::sregex_iterator(); ++it) {
        if (numbers.count((*it)[1]) == 1) table[numbers[(*it)[1]]] = (*it)[2];
    }
    return table;
}

TEST(ConvertCliTexts, AreTheStringTableTexts) {
    const std::map<int, std::string> table = StringTable();
    const std::map<int, const char8_t*> printed = {
        {1, kNoMemoryText},
        {8, kUnsupportedText},
        {9, kOutOfRangeText},
        {12, kBadFormatText},
        {13, kCannotOpenText},
        {14, kCannotCreateText},
        {15, kInvalidFileText},
        {22, kConversionStartedText},
        {23, kConvertedText},
        {24, kNoMemoryLogText},
        {25, kUnsupportedLogText},
        {26, kOutOfRangeLogText},
        {39, kConvertedOutOfRangeText},
        {40, kInstrumentNotFoundText},
        {41, kDivisionRefusedText},
    };
    for (const auto& [number, text] : printed) {
        ASSERT_EQ(table.count(number), 1u) << "text " << number;
        EXPECT_EQ(table.at(number), Utf8(text)) << "text " << number;
    }
}

TEST(ConvertCliTexts, BadFormatLogLineIsInTheStringTable) {
    bool found = false;
    for (const auto& [number, text] : StringTable()) found = found || text == Utf8(kBadFormatLogText);
    EXPECT_TRUE(found);
}

}  // namespace
