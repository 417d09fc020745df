// Runs an export's body so that no exception leaves the library: running out of memory (or asking
// for more than a container can hold) gives the engine's no-memory result, anything else its
// internal-error result.
#pragma once
#include "engine/engine_exports.h"

#include <cstdint>
#include <new>
#include <stdexcept>

template <typename Body>
std::int32_t Guarded(Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kEngineNoMemory;
    } catch (const std::length_error&) {
        return kEngineNoMemory;
    } catch (...) {
        return kEngineInternalError;
    }
}
