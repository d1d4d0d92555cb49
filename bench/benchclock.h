#pragma once

#include <QtGlobal>

#include <algorithm>
#include <vector>

#include <sys/resource.h>
#include <time.h>

namespace kalvidor::bench {

// CLOCK_MONOTONIC in nanoseconds: one clock for every process on the machine,
// so a time taken in the bench and one taken in a child it started compare.
inline qint64 monotonicNs()
{
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// User plus system processor time of this process so far, in seconds.
inline double processCpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &tv) { return double(tv.tv_sec) + tv.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Processor time used by this process and the children it has waited for.
inline double ownAndChildrenCpuSeconds()
{
    rusage children {};
    ::getrusage(RUSAGE_CHILDREN, &children);
    return processCpuSeconds() + double(children.ru_utime.tv_sec) + children.ru_utime.tv_usec / 1e6
        + double(children.ru_stime.tv_sec) + children.ru_stime.tv_usec / 1e6;
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The most a whole write or read may take over the least its bytes take on
// the wire, for the link alone and through the windows.
inline constexpr double WireRatioTarget = 1.03;

// Bytes on the line at 38400 bit/s with 10 bits per byte (start, 8 data, stop).
inline double wireSeconds(qint64 bytes)
{
    return double(bytes) * 10.0 / 38400.0;
}

} // namespace kalvidor::bench
