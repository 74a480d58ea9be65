#pragma once
// What the benchmarks read of their own process: memory from
// /proc/self/status and elapsed time.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

namespace bench {

// A "Key:" line of /proc/self/status in KiB (VmHWM:, VmRSS:); -1 if none.
inline long statusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::atol(line.c_str() + std::string(key).size());
        }
    }
    return -1;
}

inline double msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace bench
