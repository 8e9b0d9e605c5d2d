// The same write and read loop through the platform interface, built for both platforms:
// the stand-in on Linux, Wine's registry under Wine. Prints microseconds per call.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/registry.h"

int main() {
    using quorvane::platform::kCurrentUser;
    constexpr int kWarmUp = 200;
    constexpr int kCalls = 3000;
    const char* subkey = "Software\\QuorvaneBench\\Loop";
    const auto time_us = [](auto call) {
        for (int i = 0; i < kWarmUp; ++i) call(i);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kCalls; ++i) call(i);
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / kCalls;
    };
    const double set_us = time_us([&](int i) {
        const std::int64_t data = i;
        quorvane::platform::set_value(kCurrentUser, subkey, ("v" + std::to_string(i % 64)).c_str(),
                                      quorvane::platform::kRegQword, &data, sizeof data);
    });
    const double get_us = time_us([&](int i) {
        char buffer[64];
        std::uint32_t size = sizeof buffer;
        quorvane::platform::get_value(kCurrentUser, subkey, ("v" + std::to_string(i % 64)).c_str(), buffer, &size);
    });
    std::printf("%.2f %.2f\n", set_us, get_us);
    return 0;
}
