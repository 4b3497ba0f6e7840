#pragma once

#include <chrono>
#include <cstdint>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX  // std::min and std::max stay usable in the files that include this
#endif
#include <windows.h>
#else
#include <time.h>
#endif

namespace plimo::test {

// The CPU time the calling thread has used so far. Unlike the wall clock it stands still while the system gives
// the cores to other processes, so a loaded machine does not make a thread look busy.
inline std::chrono::nanoseconds ThreadCpuTime() {
#if defined(_WIN32)
    FILETIME creation{}, exit{}, kernel{}, user{};
    ::GetThreadTimes(::GetCurrentThread(), &creation, &exit, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return std::chrono::nanoseconds((ticks(kernel) + ticks(user)) * 100);
#else
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
#endif
}

}  // namespace plimo::test
