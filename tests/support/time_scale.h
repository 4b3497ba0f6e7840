#pragma once

#include <chrono>

namespace plimo::test {

// Sanitizer builds run several times slower, and a loaded machine slows everything: limits on wall-clock time
// that a test sets for itself (never the program's own limits under test) stretch by this factor. CMake sets
// it from PLIMO_TEST_TIME_SCALE.
#ifdef PLIMO_TEST_TIME_SCALE
inline constexpr int kTimeScale = PLIMO_TEST_TIME_SCALE;
#else
inline constexpr int kTimeScale = 1;
#endif

constexpr std::chrono::milliseconds Scaled(std::chrono::milliseconds limit) {
    return limit * kTimeScale;
}
constexpr int ScaledMs(int milliseconds) {
    return milliseconds * kTimeScale;
}

}  // namespace plimo::test
