// Helpers for the tests that listen to the engine: the built libraries' folders, what reached the
// test prefix's recording MIDI device (tools/midi_device), and songs made of evenly spaced notes.
#pragma once
#include "tests/common/song_builder.h"
#include "test_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct CapturedMessage {
    double ms;
    Bytes bytes;
};

inline constexpr char kDeviceRecordVariable[] = "KADENZO_MIDI_DEVICE_RECORD";
inline constexpr char kDeviceModeVariable[] = "KADENZO_MIDI_DEVICE_MODE";

// The recording device's faults (see tools/midi_device) for the devices opened while this lives.
class DeviceMode {
public:
    explicit DeviceMode(const char* mode) { SetEnvironmentVariableA(kDeviceModeVariable, mode); }
    DeviceMode(const DeviceMode&) = delete;
    DeviceMode& operator=(const DeviceMode&) = delete;
    ~DeviceMode() { SetEnvironmentVariableA(kDeviceModeVariable, nullptr); }
};

// A fresh record of the port, named in KADENZO_MIDI_DEVICE_RECORD for as long as this lives: what
// reaches the device once it is opened. The MIDI mapper hands a system message and a reset to
// the port once per channel; Read() takes such a run of 16 as one.
class CaptureFile {
public:
    CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;
    ~CaptureFile();

    const std::string& Path() const { return path_; }
    std::vector<CapturedMessage> Read() const;
    std::vector<std::string> Lines() const;
    // What the device was told besides messages, in order: "open", "reset", "close", "busy".
    std::vector<std::string> Words() const;

private:
    std::string path_;
};

namespace engine_test_detail {

inline std::string FullPath(const std::string& path) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full) : path;
}

}  // namespace engine_test_detail

// The folder of the test program, with a trailing backslash.
inline std::string TestProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

// The program's library folder (build/bin), where Lfon.dll and Lyrafon.dll are built.
inline std::string EngineFolder() { return engine_test_detail::FullPath(TestProgramFolder() + "..\\..\\bin") + "\\"; }

// A folder of test libraries, build/tests/dlls/<name>.
inline std::string TestLibraryFolder(const char* name) {
    return engine_test_detail::FullPath(TestProgramFolder() + "..\\dlls\\" + name) + "\\";
}

inline CaptureFile::CaptureFile() {
    char folder[MAX_PATH];
    char path[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "cap", 0, path);
    path_ = path;
    SetEnvironmentVariableA(kDeviceRecordVariable, path_.c_str());
}

inline CaptureFile::~CaptureFile() {
    SetEnvironmentVariableA(kDeviceRecordVariable, nullptr);
    DeleteFileA(path_.c_str());
}

inline std::vector<std::string> CaptureFile::Lines() const {
    std::ifstream in(path_, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline std::vector<std::string> CaptureFile::Words() const {
    std::vector<std::string> words;
    for (const std::string& line : Lines()) {
        std::istringstream fields(line);
        std::string time, word;
        if (fields >> time >> word && word.size() > 2) words.push_back(word);
    }
    return words;
}

inline std::vector<CapturedMessage> CaptureFile::Read() const {
    std::vector<CapturedMessage> messages;
    std::size_t repeats = 0;  // of the last message, a system message
    for (const std::string& line : Lines()) {
        std::istringstream fields(line);
        CapturedMessage message{};
        fields >> message.ms;
        for (std::string hex; fields >> hex && hex.size() == 2;) {
            message.bytes.push_back(static_cast<std::uint8_t>(std::strtoul(hex.c_str(), nullptr, 16)));
        }
        if (message.bytes.empty()) continue;
        bool repeat = !messages.empty() && message.bytes[0] >= 0xF0 && messages.back().bytes == message.bytes;
        repeats = repeat ? repeats + 1 : 0;
        if (!repeat || repeats % 16 == 0) messages.push_back(message);
    }
    return messages;
}

inline std::uint8_t NotePitch(int index) { return static_cast<std::uint8_t>(20 + index); }
inline Bytes NoteOn(int index) { return {0x90, NotePitch(index), 0x64}; }

// Note k (0-based, at most 107) of channel 1 is pitch 20 + k, on at k * spacingMs and off half a spacing later;
// the track ends at count * spacingMs. Time-code division: one tick a millisecond.
inline Bytes EvenNotesSong(int count, int spacingMs) {
    Bytes track = {0x00, 0xC0, 0x05};  // program 6
    int half = spacingMs / 2;
    for (int k = 0; k < count; ++k) {
        PutVarLen(track, k == 0 ? 0 : spacingMs - half);
        Bytes on = NoteOn(k);
        track.insert(track.end(), on.begin(), on.end());
        PutVarLen(track, half);
        track.insert(track.end(), {0x80, NotePitch(k), 0x00});
    }
    PutVarLen(track, spacingMs - half);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
    return Smf(0, 0xE728, {Track(track)});  // 25 frames of 40 ticks: 1 ms a tick
}

inline std::string WriteTempFile(const char* name, const Bytes& bytes) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

// The index of the first captured message equal to `bytes` at or after `from`, or -1.
inline int FindMessage(const std::vector<CapturedMessage>& messages, const Bytes& bytes, std::size_t from = 0) {
    for (std::size_t i = from; i < messages.size(); ++i) {
        if (messages[i].bytes == bytes) return static_cast<int>(i);
    }
    return -1;
}

// The clean state a stop leaves on each of the 16 channels: All Sound Off, Reset All Controllers,
// All Notes Off, sustain, sostenuto and soft pedal off, modulation 0, expression 127, bend centred.
inline std::vector<Bytes> SilenceOf(std::uint8_t channel) {
    const auto control = static_cast<std::uint8_t>(0xB0 | channel);
    return {{control, 120, 0}, {control, 121, 0},  {control, 123, 0},
            {control, 64, 0},  {control, 66, 0},   {control, 67, 0},
            {control, 1, 0},   {control, 11, 127}, {static_cast<std::uint8_t>(0xE0 | channel), 0, 0x40}};
}
inline constexpr std::size_t kSilenceCount = 16 * 9;
// How long a stopped engine is watched to send nothing more: several of the test songs' note
// spacings and of the position timer's 100-ms ticks.
inline constexpr int kQuietWatchMs = 300;
// Volume 100 and pan 64 on each channel: what every play sends first for channels the song leaves alone.
inline constexpr std::size_t kDefaultsCount = 16 * 2;

inline bool IsSilence(const std::vector<CapturedMessage>& messages, std::size_t from) {
    if (messages.size() < from + kSilenceCount) return false;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        std::vector<Bytes> expected = SilenceOf(channel);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (messages[from + 9 * channel + i].bytes != expected[i]) return false;
        }
    }
    return true;
}

inline bool IsDefaults(const std::vector<CapturedMessage>& messages, std::size_t from) {
    if (messages.size() < from + kDefaultsCount) return false;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        if (messages[from + 2 * channel].bytes != Bytes{static_cast<std::uint8_t>(0xB0 | channel), 7, 100})
            return false;
        if (messages[from + 2 * channel + 1].bytes != Bytes{static_cast<std::uint8_t>(0xB0 | channel), 10, 64})
            return false;
    }
    return true;
}
