// A MIDI output device for Wine that records what reaches it: winekadenzo.drv. Wine's winmm takes
// its MIDI devices from the audio driver that mmdevapi picks from HKCU\Software\Wine\Drivers "Audio",
// so this is also an audio driver with no endpoints. It offers one output port, which any number of
// clients may open at once (a library unloaded without closing it keeps its opening to the end).
//
// Record: the file that KADENZO_MIDI_DEVICE_RECORD names at the time, appended to, one
// line a message as the port received it: the time in milliseconds since the driver was loaded
// (three decimals), then the bytes as two-digit upper-case hex, CR LF ("1520.004 90 3C 64"). What
// the driver was told besides messages is a line with a word instead of bytes: "open", "reset",
// "close", "busy" (a close refused while a buffer is out), "took" (a long message taken, to be
// completed later).
//
// Faults that real drivers show, chosen by KADENZO_MIDI_DEVICE_MODE when the port is opened, a
// comma-separated list:
//   async         long messages are taken at once and completed later on another thread, as USB
//                 drivers do; the bytes reach the port (and the record) at completion.
//   late=MS       as async, each long message completed MS milliseconds after it was taken.
//   never-done    long messages are taken and never completed; only a reset hands them back.
//   refuse=N      every Nth short message is refused with MIDIERR_NOTREADY (not recorded).
//   refuse-all    every message is refused.
//   refuse-after=N  once an opening has had N messages, every message is refused until the port
//                 is reset, as a jammed port that a reset clears.
//   slow          a 31250-baud port: each message takes 320 microseconds a byte to leave.
//   close-busy    the first close is refused with MIDIERR_STILLPLAYING.
//   unopenable    every open is refused, as by a port another program holds.
//   unplug-after=N  the port is unplugged once an opening has had N messages: that call and
//                 every later one fails with MIDIERR_NODEVICE (a close still lets go of the
//                 handle), and opens fail with MMSYSERR_NODRIVER, as for a USB interface pulled
//                 out. It is plugged back by an open whose mode no longer says unplug-after.
//                 The record shows "unplugged" and "plugged".
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

extern "C" BOOL WINAPI DriverCallback(DWORD_PTR callback, DWORD flags, HDRVR device, DWORD message, DWORD_PTR user,
                                      DWORD_PTR first, DWORD_PTR second);

namespace {

constexpr char kRecordVariable[] = "KADENZO_MIDI_DEVICE_RECORD";
constexpr char kModeVariable[] = "KADENZO_MIDI_DEVICE_MODE";
constexpr LONGLONG kUsPerByteSlow = 320;
constexpr DWORD kAsyncDelayMs = 3;

struct Mode {
    bool async = false;
    bool slow = false;
    bool refuseAll = false;
    bool closeBusy = false;
    bool unopenable = false;
    bool neverDone = false;
    int refuseEvery = 0;
    DWORD lateMs = kAsyncDelayMs;
    long unplugAfter = -1;
    long refuseAfter = -1;
};

Mode ReadMode() {
    Mode mode;
    char text[256] = "";
    DWORD length = GetEnvironmentVariableA(kModeVariable, text, sizeof text);
    if (length == 0 || length >= sizeof text) return mode;
    for (char* item = std::strtok(text, ","); item != nullptr; item = std::strtok(nullptr, ",")) {
        if (std::strcmp(item, "async") == 0) mode.async = true;
        if (std::strcmp(item, "slow") == 0) mode.slow = true;
        if (std::strcmp(item, "refuse-all") == 0) mode.refuseAll = true;
        if (std::strcmp(item, "close-busy") == 0) mode.closeBusy = true;
        if (std::strcmp(item, "unopenable") == 0) mode.unopenable = true;
        if (std::strcmp(item, "never-done") == 0) mode.neverDone = true;
        if (std::strncmp(item, "refuse=", 7) == 0) mode.refuseEvery = std::atoi(item + 7);
        if (std::strncmp(item, "late=", 5) == 0) {
            mode.async = true;
            mode.lateMs = static_cast<DWORD>(std::atoi(item + 5));
        }
        if (std::strncmp(item, "unplug-after=", 13) == 0) mode.unplugAfter = std::atol(item + 13);
        if (std::strncmp(item, "refuse-after=", 13) == 0) mode.refuseAfter = std::atol(item + 13);
    }
    return mode;
}

class CriticalLock {
public:
    explicit CriticalLock(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    CriticalLock(const CriticalLock&) = delete;
    CriticalLock& operator=(const CriticalLock&) = delete;
    ~CriticalLock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION& section_;
};

// The record of the port, shared by its clients; the lock also guards every client's state.
class Record {
public:
    Record() {
        InitializeCriticalSection(&lock);
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&origin_);
    }

    // Appends to the file named now: whoever opens a client may have named another since.
    void Reopen() {
        char path[MAX_PATH] = "";
        DWORD length = GetEnvironmentVariableA(kRecordVariable, path, sizeof path);
        if (length >= sizeof path) length = 0;
        path[length] = '\0';
        if (path_ == path && file_ != INVALID_HANDLE_VALUE) return;
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        path_ = path;
        if (path_.empty()) return;
        file_ = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    void Message(const std::uint8_t* bytes, DWORD size) {
        std::string line = Stamp();
        char hex[4];
        for (DWORD i = 0; i < size; ++i) {
            std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
            line += hex;
        }
        WriteLine(line);
    }

    void Word(const char* word) { WriteLine(Stamp() + " " + word); }

    CRITICAL_SECTION lock;
    bool unplugged = false;  // the port, for every client

private:
    std::string Stamp() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        double ms =
            static_cast<double>(now.QuadPart - origin_.QuadPart) * 1000.0 / static_cast<double>(frequency_.QuadPart);
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", ms);
        return text;
    }

    void WriteLine(std::string line) {
        Reopen();
        if (file_ == INVALID_HANDLE_VALUE) return;
        line += "\r\n";
        DWORD written = 0;
        WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

    LARGE_INTEGER frequency_{};
    LARGE_INTEGER origin_{};
    std::string path_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

Record& TheRecord() {
    static Record record;
    return record;
}

// One opening of the port. Every entry point may come from any thread.
class Client {
public:
    Client(const MIDIOPENDESC& description, DWORD flags, const Mode& mode)
        : lock_(TheRecord().lock),
          description_(description),
          callbackFlags_(HIWORD(flags & CALLBACK_TYPEMASK)),
          mode_(mode) {
        QueryPerformanceFrequency(&frequency_);
    }

    static DWORD Open(DWORD_PTR* user, const MIDIOPENDESC* description, DWORD flags) {
        if (user == nullptr || description == nullptr) return MMSYSERR_INVALPARAM;
        Mode mode = ReadMode();
        if (mode.unopenable) return MMSYSERR_ALLOCATED;
        CriticalLock hold(TheRecord().lock);
        if (TheRecord().unplugged) {
            if (mode.unplugAfter >= 0) return MMSYSERR_NODRIVER;
            TheRecord().unplugged = false;
            TheRecord().Word("plugged");
        }
        auto* client = new Client(*description, flags, mode);
        *user = reinterpret_cast<DWORD_PTR>(client);
        TheRecord().Word("open");
        client->Notify(MOM_OPEN, 0);
        return MMSYSERR_NOERROR;
    }

    // The client is kept after its close: a late worker may still look at it.
    DWORD Close() {
        CriticalLock hold(lock_);
        if (!open_) return MMSYSERR_INVALHANDLE;
        if ((!queue_.empty() && !TheRecord().unplugged) || mode_.closeBusy) {
            mode_.closeBusy = false;
            TheRecord().Word("busy");
            return MIDIERR_STILLPLAYING;
        }
        TheRecord().Word("close");
        open_ = false;
        Notify(MOM_CLOSE, 0);
        return MMSYSERR_NOERROR;
    }

    DWORD ShortMessage(DWORD packed) {
        std::uint8_t bytes[3] = {static_cast<std::uint8_t>(packed), static_cast<std::uint8_t>(packed >> 8),
                                 static_cast<std::uint8_t>(packed >> 16)};
        DWORD size = ShortLength(bytes[0]);
        {
            CriticalLock hold(lock_);
            if (!open_) return MMSYSERR_INVALHANDLE;
            if (Unplugs()) return MIDIERR_NODEVICE;
            ++shortCount_;
            if (Jammed() || (mode_.refuseEvery > 0 && shortCount_ % mode_.refuseEvery == 0)) return MIDIERR_NOTREADY;
        }
        Transmit(size);
        CriticalLock hold(lock_);
        TheRecord().Message(bytes, size);
        return MMSYSERR_NOERROR;
    }

    DWORD LongMessage(MIDIHDR* header) {
        if (header == nullptr || (header->dwFlags & MHDR_PREPARED) == 0) return MIDIERR_UNPREPARED;
        if ((header->dwFlags & MHDR_INQUEUE) != 0) return MIDIERR_STILLPLAYING;
        {
            CriticalLock hold(lock_);
            if (!open_) return MMSYSERR_INVALHANDLE;
            if (Unplugs()) return MIDIERR_NODEVICE;
            if (Jammed()) return MIDIERR_NOTREADY;
            header->dwFlags &= ~MHDR_DONE;
            header->dwFlags |= MHDR_INQUEUE;
            if (mode_.async || mode_.neverDone) {
                TheRecord().Word("took");
                queue_.push_back({header, ++tickets_});
                if (!mode_.neverDone) StartWorker();
                return MMSYSERR_NOERROR;
            }
        }
        Transmit(header->dwBufferLength);
        CriticalLock hold(lock_);
        Complete(header);
        return MMSYSERR_NOERROR;
    }

    // Hands every buffer back, as a reset does.
    DWORD Reset() {
        CriticalLock hold(lock_);
        if (!open_) return MMSYSERR_INVALHANDLE;
        TheRecord().Word("reset");
        jammed_ = false;
        taken_ = 0;
        while (!queue_.empty()) {
            MIDIHDR* header = queue_.front().header;
            queue_.pop_front();
            FinishHeader(header);
        }
        return TheRecord().unplugged ? MIDIERR_NODEVICE : MMSYSERR_NOERROR;
    }

    bool IsAsync() const { return mode_.async; }

private:
    struct Taken {
        MIDIHDR* header;
        unsigned ticket;  // each buffer taken has its own, so a buffer handed back is never mistaken for a later one
    };

    // Under the lock: whether this call finds the port unplugged, which it may be from now on.
    bool Unplugs() {
        if (TheRecord().unplugged) return true;
        if (mode_.unplugAfter < 0 || handed_++ < mode_.unplugAfter) return false;
        TheRecord().unplugged = true;
        TheRecord().Word("unplugged");
        return true;
    }

    // Under the lock: whether this message is refused by a port that refuses all or has jammed.
    bool Jammed() {
        if (mode_.refuseAll || jammed_) return true;
        jammed_ = mode_.refuseAfter >= 0 && taken_++ >= mode_.refuseAfter;
        return jammed_;
    }

    static DWORD ShortLength(std::uint8_t status) {
        if (status >= 0xF8) return 1;
        switch (status & 0xF0) {
            case 0xC0:
            case 0xD0: return 2;
            case 0xF0: return status == 0xF2 ? 3 : (status == 0xF1 || status == 0xF3) ? 2 : 1;
            default: return 3;
        }
    }

    // A slow port keeps the sender (or the worker) until the bytes have left.
    void Transmit(DWORD byteCount) const {
        if (!mode_.slow) return;
        LARGE_INTEGER start;
        LARGE_INTEGER now;
        QueryPerformanceCounter(&start);
        LONGLONG ticks = frequency_.QuadPart * kUsPerByteSlow * byteCount / 1000000;
        do {
            QueryPerformanceCounter(&now);
        } while (now.QuadPart - start.QuadPart < ticks);
    }

    void StartWorker() {
        if (worker_ != nullptr) return;
        worker_ = CreateThread(nullptr, 0, &Client::WorkerMain, this, 0, nullptr);
    }

    static DWORD WINAPI WorkerMain(void* self) {
        static_cast<Client*>(self)->CompleteQueued();
        return 0;
    }

    // Completes the queued buffers one by one, each a little later, until none is left. A buffer
    // is looked at only under the lock while it is still queued: a reset may hand it back (and its
    // owner free it) at any other moment.
    void CompleteQueued() {
        for (;;) {
            Sleep(mode_.lateMs);
            unsigned ticket = 0;
            DWORD size = 0;
            {
                CriticalLock hold(lock_);
                if (queue_.empty()) {
                    CloseHandle(worker_);
                    worker_ = nullptr;
                    return;
                }
                ticket = queue_.front().ticket;
                size = queue_.front().header->dwBufferLength;
            }
            Transmit(size);
            CriticalLock hold(lock_);
            if (queue_.empty() || queue_.front().ticket != ticket) continue;  // a reset took it back
            MIDIHDR* header = queue_.front().header;
            queue_.pop_front();
            Complete(header);
        }
    }

    void Complete(MIDIHDR* header) {
        TheRecord().Message(reinterpret_cast<const std::uint8_t*>(header->lpData), header->dwBufferLength);
        FinishHeader(header);
    }

    void FinishHeader(MIDIHDR* header) {
        header->dwFlags &= ~MHDR_INQUEUE;
        header->dwFlags |= MHDR_DONE;
        Notify(MOM_DONE, reinterpret_cast<DWORD_PTR>(header));
    }

    void Notify(DWORD message, DWORD_PTR first) {
        DriverCallback(description_.dwCallback, callbackFlags_, reinterpret_cast<HDRVR>(description_.hMidi), message,
                       description_.dwInstance, first, 0);
    }

    CRITICAL_SECTION& lock_;
    LARGE_INTEGER frequency_{};
    bool open_ = true;
    MIDIOPENDESC description_{};
    DWORD callbackFlags_ = 0;
    Mode mode_;
    unsigned shortCount_ = 0;
    long handed_ = 0;  // messages this opening was handed
    long taken_ = 0;   // messages taken since the last reset
    bool jammed_ = false;
    std::deque<Taken> queue_;  // buffers taken and not yet completed (async, never-done)
    unsigned tickets_ = 0;
    HANDLE worker_ = nullptr;
};

DWORD Capabilities(MIDIOUTCAPSW* caps, DWORD_PTR size) {
    if (caps == nullptr || size < sizeof(MIDIOUTCAPSW)) return MMSYSERR_INVALPARAM;
    *caps = MIDIOUTCAPSW{};
    caps->wMid = 0xFF;
    caps->wPid = 1;
    caps->vDriverVersion = 0x0100;
    lstrcpynW(caps->szPname, L"Kadenzo Recording Port", MAXPNAMELEN);
    caps->wTechnology = MOD_MIDIPORT;
    caps->wChannelMask = 0xFFFF;
    caps->dwSupport = 0;
    return MMSYSERR_NOERROR;
}

DWORD Prepare(MIDIHDR* header, DWORD_PTR size) {
    if (header == nullptr || size < offsetof(MIDIHDR, dwOffset) || header->lpData == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    header->dwFlags |= MHDR_PREPARED;
    header->dwFlags &= ~(MHDR_DONE | MHDR_INQUEUE);
    return MMSYSERR_NOERROR;
}

DWORD Unprepare(MIDIHDR* header) {
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    if ((header->dwFlags & MHDR_INQUEUE) != 0) return MIDIERR_STILLPLAYING;
    header->dwFlags &= ~MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI
    modMessage(UINT device, UINT message, DWORD_PTR user, DWORD_PTR first, DWORD_PTR second) {
    switch (message) {
        case DRVM_INIT:
        case DRVM_EXIT:
        case DRVM_ENABLE:
        case DRVM_DISABLE: return MMSYSERR_NOERROR;
        case MODM_GETNUMDEVS: return 1;
        default: break;
    }
    if (device != 0) return MMSYSERR_BADDEVICEID;
    auto* client = reinterpret_cast<Client*>(user);
    switch (message) {
        case MODM_GETDEVCAPS: return Capabilities(reinterpret_cast<MIDIOUTCAPSW*>(first), second);
        case MODM_OPEN:
            return Client::Open(reinterpret_cast<DWORD_PTR*>(user), reinterpret_cast<const MIDIOPENDESC*>(first),
                                static_cast<DWORD>(second));
        case MODM_PREPARE: return Prepare(reinterpret_cast<MIDIHDR*>(first), second);
        case MODM_UNPREPARE: return Unprepare(reinterpret_cast<MIDIHDR*>(first));
        default: break;
    }
    if (client == nullptr) return MMSYSERR_INVALHANDLE;
    switch (message) {
        case MODM_CLOSE: return client->Close();
        case MODM_DATA: return client->ShortMessage(static_cast<DWORD>(first));
        case MODM_LONGDATA: return client->LongMessage(reinterpret_cast<MIDIHDR*>(first));
        case MODM_RESET: return client->Reset();
        default: return MMSYSERR_NOTSUPPORTED;
    }
}

__declspec(dllexport) LRESULT CALLBACK
    DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM first, LPARAM second) {
    switch (message) {
        case DRV_LOAD:
        case DRV_FREE:
        case DRV_OPEN:
        case DRV_CLOSE:
        case DRV_ENABLE:
        case DRV_DISABLE: return 1;
        case DRV_QUERYCONFIGURE: return 0;
        case DRV_CONFIGURE: return DRVCNF_OK;
        case DRV_INSTALL:
        case DRV_REMOVE: return DRVCNF_RESTART;
        default: return DefDriverProc(id, driver, message, first, second);
    }
}

// mmdevapi's side: an audio driver with no endpoints, so that winmm takes its MIDI port.
__declspec(dllexport) int WINAPI GetPriority() { return 3; }  // preferred

__declspec(dllexport) HRESULT WINAPI
    GetEndpointIDs(int /*flow*/, WCHAR*** ids, GUID** guids, UINT* count, UINT* defaultIndex) {
    if (ids != nullptr) *ids = nullptr;
    if (guids != nullptr) *guids = nullptr;
    if (count != nullptr) *count = 0;
    if (defaultIndex != nullptr) *defaultIndex = 0;
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI GetAudioEndpoint(void* /*key*/, void* /*device*/, void** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
}

__declspec(dllexport) HRESULT WINAPI GetAudioSessionManager(void* /*device*/, void** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
}

}  // extern "C"
