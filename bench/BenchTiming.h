// Timing and memory figures shared by the Windows benchmark programs: a
// millisecond clock, medians of repeated runs, and the process's committed
// memory.
#pragma once
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace bench {

inline double NowMs()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median time of `runs` calls of `run`, each timed whole.
template <class Fn>
double MedianMs(int runs, Fn&& run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = NowMs();
        run();
        times.push_back(NowMs() - start);
    }
    return Median(std::move(times));
}

// The median of what `runs` calls of `part` return: each call times the part
// of its work that counts and returns its milliseconds.
template <class Fn>
double MedianOfPartsMs(int runs, Fn&& part)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(part());
    return Median(std::move(times));
}

// The floor of work that ends in new memory: the median time of copying
// `bytes` from `source` into a block of `blockBytes` (at least `bytes`)
// allocated afresh each run, touching its new pages included.
inline double FreshCopyMs(int runs, const void* source, std::size_t bytes, std::size_t blockBytes = 0)
{
    const std::size_t size = std::max(bytes, blockBytes);
    volatile std::uint8_t sink = 0;
    return MedianMs(runs, [&] {
        std::unique_ptr<std::uint8_t[]> fresh(new std::uint8_t[size]);
        std::memcpy(fresh.get(), source, bytes);
        sink = sink + fresh[size / 2];
    });
}

// Committed memory of the process, in MB. Wine leaves PrivateUsage at 0; its
// PagefileUsage counts the same committed pages.
inline double CommittedMegabytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    const SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

} // namespace bench
