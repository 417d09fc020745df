// The performance counter as the sequencer's clock.
#pragma once
#include "engine/sequencer.h"

#include <windows.h>

class PerformanceClock final : public lyra::Clock {
public:
    PerformanceClock() { QueryPerformanceFrequency(&frequency_); }

    std::int64_t NowUs() const override {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        std::int64_t seconds = count.QuadPart / frequency_.QuadPart;
        std::int64_t rest = count.QuadPart % frequency_.QuadPart;
        return seconds * 1000000 + rest * 1000000 / frequency_.QuadPart;
    }

private:
    LARGE_INTEGER frequency_{};
};
